// The window's GBK texts against their Chinese, and the error box's full-stop rule.

#include <gtest/gtest.h>

#include "app/error_box.h"
#include "app/window_texts.h"
#include "platform/codepage.h"

namespace brimsel {
namespace {

using platform::Utf8ToGbk;

TEST(WindowTextsTest, GbkConstantsAreTheirChinese) {
  EXPECT_EQ(texts::kApplicationTitle, Utf8ToGbk("升级程序"));
  EXPECT_EQ(texts::kOnlineUpdate, Utf8ToGbk("在线升级"));
  EXPECT_EQ(texts::kNextCaption, Utf8ToGbk("下一步(&N)>"));
  EXPECT_EQ(texts::kOkCaption, Utf8ToGbk("确定(&O)"));
  EXPECT_EQ(texts::kCloseCaption, Utf8ToGbk("关闭(&C)"));
  EXPECT_EQ(texts::kExitQuestion, Utf8ToGbk("在线升级尚未完成，您确定要退出吗?"));
  EXPECT_EQ(texts::kWelcome, Utf8ToGbk("欢迎使用在线升级"));
  EXPECT_EQ(texts::kTitleLine, Utf8ToGbk("本程序帮助您升级《Brimsel》"));
  EXPECT_EQ(texts::kClickNext, Utf8ToGbk("点击\"下一步\"将开始检查可用的更新"));
  EXPECT_EQ(texts::kPleaseWait, Utf8ToGbk("请稍等，正在测试与服务器连接速度，为您选择最快的服务器..."));
  EXPECT_EQ(texts::kColumnNumber, Utf8ToGbk("序号"));
  EXPECT_EQ(texts::kColumnServerName, Utf8ToGbk("服务器名"));
  EXPECT_EQ(texts::kColumnUrl, Utf8ToGbk("网址"));
  EXPECT_EQ(texts::kColumnTestTime, Utf8ToGbk("测试时间"));
  EXPECT_EQ(texts::kBuiltInServerName, Utf8ToGbk("电信一"));
  EXPECT_EQ(texts::kUpdatingFile, Utf8ToGbk("正在更新文件："));
  EXPECT_EQ(texts::kDone, Utf8ToGbk("已完成："));
  EXPECT_EQ(texts::kThanks, Utf8ToGbk("感谢使用在线升级"));
  EXPECT_EQ(texts::kNewestInstalled, Utf8ToGbk("您的计算机上已安装了最新的《Brimsel》程序及数据。"));
  EXPECT_EQ(texts::kComeBack, Utf8ToGbk("欢迎以后继续观注我们的产品更新。"));
  EXPECT_EQ(texts::kMoreAt, Utf8ToGbk("更多内容请访问："));
  EXPECT_EQ(texts::kFontFamily, Utf8ToGbk("宋体"));
}

TEST(ErrorBoxTextTest, FullStopAppendedWhenTheLastByteSortsAfterIt) {
  EXPECT_EQ(ErrorBoxText("Error: not a Hex String"), "Error: not a Hex String.");
  EXPECT_EQ(ErrorBoxText("Error 42"), "Error 42.");        // digits sort after "."
  EXPECT_EQ(ErrorBoxText("Path C:\\x\\"), "Path C:\\x\\.");
  EXPECT_EQ(ErrorBoxText(Utf8ToGbk("无法写入")), Utf8ToGbk("无法写入") + ".");  // a GBK trail byte
}

TEST(ErrorBoxTextTest, NothingAppendedAfterTheFullStopOrWhatSortsBeforeIt) {
  EXPECT_EQ(ErrorBoxText("Disk full."), "Disk full.");
  EXPECT_EQ(ErrorBoxText("Done!"), "Done!");
  EXPECT_EQ(ErrorBoxText("a-"), "a-");
  EXPECT_EQ(ErrorBoxText("with blank "), "with blank ");
  EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
}  // namespace brimsel
