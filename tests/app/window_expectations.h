#pragma once
// The wizard window as its designer laid it out, checked against the Qt window and the
// Win32 window alike: every control's parent, place, size and text, the pages and the
// server list's columns; the finish page of a failed update. Texts are UTF-8.

#include <string>

namespace brimsel::test {

// What the finish page says in the place of "the newest version is installed" after an
// update that failed for `reason`.
inline std::string FailedUpdateText(const std::string& reason) {
  return "升级未完成，请稍后重试。\n原因：" + reason + "。详见 update\\update.log";
}

struct ControlExpectation {
  const char* name;
  const char* parent;  // the control it sits in ("frmUpdate": the window itself)
  int x, y, width, height;  // an auto-sized label has width and height 0 here
  const char* text = nullptr;
};

inline constexpr int kExpectedClientWidth = 519;
inline constexpr int kExpectedClientHeight = 341;
inline constexpr int kExpectedFontPixels = 12;

inline constexpr ControlExpectation kExpectedControls[] = {
    {"Panel1", "frmUpdate", 0, 295, 519, 46},
    {"Bevel1", "Panel1", 0, 0, 519, 3},
    {"btnNext", "Panel1", 352, 12, 75, 25, "下一步(&N)>"},
    {"btnClose", "Panel1", 432, 12, 75, 25, "关闭(&C)"},
    {"Panel2", "frmUpdate", 0, 0, 153, 295},
    {"Image1", "Panel2", 16, 18, 118, 254},
    {"Notebook1", "frmUpdate", 153, 0, 366, 295},
    {"Label1", "Default", 24, 32, 0, 0, "欢迎使用在线升级"},
    {"lblTitle", "Default", 24, 64, 0, 0, "本程序帮助您升级《》"},  // no Update.ini: no title
    {"Label3", "Default", 112, 264, 0, 0, "点击\"下一步\"将开始检查可用的更新"},
    {"lsvTest", "tesk", 0, 0, 366, 248},
    {"Panel3", "tesk", 0, 248, 366, 47},
    {"Label2", "Panel3", 0, 16, 0, 0, "请稍等，正在测试与服务器连接速度，为您选择最快的服务器..."},
    {"lblFile", "2", 104, 96, 0, 0, "正在更新文件："},
    {"lblDown", "2", 80, 120, 0, 0, "已完成："},
    {"ProgressBar2", "2", 24, 144, 313, 16},
    {"Memo1", "4", 16, 16, 337, 265, ""},
    {"Label6", "3", 32, 32, 0, 0, "感谢使用在线升级"},
    {"lblHit", "3", 32, 64, 313, 33, "您的计算机上已安装了最新的《》程序及数据。"},
    {"Label7", "3", 32, 104, 0, 0, "欢迎以后继续观注我们的产品更新。"},
    {"Label8", "3", 32, 136, 0, 0, "更多内容请访问："},
    {"lblUrl", "3", 144, 136, 0, 0, "/"},
};

inline constexpr const char* kExpectedPages[] = {"Default", "tesk", "2", "4", "3"};
inline constexpr const char* kBoldLabels[] = {"Label1", "Label6"};

struct ColumnExpectation {
  const char* caption;
  int width;
};
inline constexpr ColumnExpectation kExpectedColumns[] = {{"序号", 50}, {"服务器名", 80}, {"网址", 160}, {"测试时间", 70}};

}  // namespace brimsel::test
