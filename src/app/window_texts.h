#pragma once
// The texts of the wizard window and its boxes, in GBK. A hex escape that would run into a
// following letter or digit is closed by splitting the literal.

namespace brimsel::texts {

// The application title: the name on the task bar and the caption of the error box.
inline constexpr char kApplicationTitle[] = "\xC9\xFD\xBC\xB6\xB3\xCC\xD0\xF2";  // 升级程序
// The window caption and the title of the wizard's two message boxes.
inline constexpr char kOnlineUpdate[] = "\xD4\xDA\xCF\xDF\xC9\xFD\xBC\xB6";  // 在线升级

inline constexpr char kNextCaption[] = "\xCF\xC2\xD2\xBB\xB2\xBD(&N)>";  // 下一步(&N)>
inline constexpr char kOkCaption[] = "\xC8\xB7\xB6\xA8(&O)";             // 确定(&O)
inline constexpr char kCloseCaption[] = "\xB9\xD8\xB1\xD5(&C)";           // 关闭(&C)

// 在线升级尚未完成，您确定要退出吗?
inline constexpr char kExitQuestion[] =
    "\xD4\xDA\xCF\xDF\xC9\xFD\xBC\xB6\xC9\xD0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xC4\xFA\xC8\xB7\xB6\xA8\xD2\xAA\xCD\xCB"
    "\xB3\xF6\xC2\xF0?";

// The error box of an updater started while another one works on the same folder:
// 另一个升级程序正在升级此文件夹中的程序，请等它结束后再试。
inline constexpr char kAnotherUpdaterRuns[] =
    "\xC1\xED\xD2\xBB\xB8\xF6\xC9\xFD\xBC\xB6\xB3\xCC\xD0\xF2\xD5\xFD\xD4\xDA\xC9\xFD\xBC\xB6\xB4\xCB\xCE\xC4"
    "\xBC\xFE\xBC\xD0\xD6\xD0\xB5\xC4\xB3\xCC\xD0\xF2\xA3\xAC\xC7\xEB\xB5\xC8\xCB\xFC\xBD\xE1\xCA\xF8\xBA\xF3"
    "\xD4\xD9\xCA\xD4\xA1\xA3";

// Page 0, "Default".
inline constexpr char kWelcome[] = "\xBB\xB6\xD3\xAD\xCA\xB9\xD3\xC3\xD4\xDA\xCF\xDF\xC9\xFD\xBC\xB6";  // 欢迎使用在线升级
// 本程序帮助您升级《Brimsel》
inline constexpr char kTitleLine[] = "\xB1\xBE\xB3\xCC\xD0\xF2\xB0\xEF\xD6\xFA\xC4\xFA\xC9\xFD\xBC\xB6\xA1\xB6"
                                     "Brimsel\xA1\xB7";
// 点击"下一步"将开始检查可用的更新
inline constexpr char kClickNext[] = "\xB5\xE3\xBB\xF7\"\xCF\xC2\xD2\xBB\xB2\xBD\"\xBD\xAB\xBF\xAA\xCA\xBC\xBC\xEC"
                                     "\xB2\xE9\xBF\xC9\xD3\xC3\xB5\xC4\xB8\xFC\xD0\xC2";

// Page 1, "tesk".
// 请稍等，正在测试与服务器连接速度，为您选择最快的服务器...
inline constexpr char kPleaseWait[] =
    "\xC7\xEB\xC9\xD4\xB5\xC8\xA3\xAC\xD5\xFD\xD4\xDA\xB2\xE2\xCA\xD4\xD3\xEB\xB7\xFE\xCE\xF1\xC6\xF7\xC1\xAC\xBD\xD3"
    "\xCB\xD9\xB6\xC8\xA3\xAC\xCE\xAA\xC4\xFA\xD1\xA1\xD4\xF1\xD7\xEE\xBF\xEC\xB5\xC4\xB7\xFE\xCE\xF1\xC6\xF7...";
inline constexpr char kColumnNumber[] = "\xD0\xF2\xBA\xC5";                  // 序号
inline constexpr char kColumnServerName[] = "\xB7\xFE\xCE\xF1\xC6\xF7\xC3\xFB";  // 服务器名
inline constexpr char kColumnUrl[] = "\xCD\xF8\xD6\xB7";                     // 网址
inline constexpr char kColumnTestTime[] = "\xB2\xE2\xCA\xD4\xCA\xB1\xBC\xE4";    // 测试时间
inline constexpr char kBuiltInServerName[] = "\xB5\xE7\xD0\xC5\xD2\xBB";         // 电信一

// Page 2, "2".
inline constexpr char kUpdatingFile[] = "\xD5\xFD\xD4\xDA\xB8\xFC\xD0\xC2\xCE\xC4\xBC\xFE\xA3\xBA";  // 正在更新文件：
inline constexpr char kDone[] = "\xD2\xD1\xCD\xEA\xB3\xC9\xA3\xBA";                                // 已完成：

// Page 4, "3".
inline constexpr char kThanks[] = "\xB8\xD0\xD0\xBB\xCA\xB9\xD3\xC3\xD4\xDA\xCF\xDF\xC9\xFD\xBC\xB6";  // 感谢使用在线升级
// 您的计算机上已安装了最新的《Brimsel》程序及数据。
inline constexpr char kNewestInstalled[] =
    "\xC4\xFA\xB5\xC4\xBC\xC6\xCB\xE3\xBB\xFA\xC9\xCF\xD2\xD1\xB0\xB2\xD7\xB0\xC1\xCB\xD7\xEE\xD0\xC2\xB5\xC4\xA1\xB6"
    "Brimsel\xA1\xB7\xB3\xCC\xD0\xF2\xBC\xB0\xCA\xFD\xBE\xDD\xA1\xA3";
// 欢迎以后继续观注我们的产品更新。
inline constexpr char kComeBack[] = "\xBB\xB6\xD3\xAD\xD2\xD4\xBA\xF3\xBC\xCC\xD0\xF8\xB9\xDB\xD7\xA2\xCE\xD2\xC3\xC7"
                                    "\xB5\xC4\xB2\xFA\xC6\xB7\xB8\xFC\xD0\xC2\xA1\xA3";
inline constexpr char kMoreAt[] = "\xB8\xFC\xB6\xE0\xC4\xDA\xC8\xDD\xC7\xEB\xB7\xC3\xCE\xCA\xA3\xBA";  // 更多内容请访问：

// In the place of kNewestInstalled when the update did not install every file: this line,
// then kFailureReason, the class of the first failure, kSeeLog and the log's path in the
// installation folder on a second line.
// 升级未完成，请稍后重试。
inline constexpr char kUpdateIncomplete[] = "\xC9\xFD\xBC\xB6\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xF3"
                                            "\xD6\xD8\xCA\xD4\xA1\xA3";
inline constexpr char kFailureReason[] = "\xD4\xAD\xD2\xF2\xA3\xBA";  // 原因：
inline constexpr char kVersionCheckFailed[] = "\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC";  // 检查更新失败
inline constexpr char kDownloadFailed[] = "\xCF\xC2\xD4\xD8\xCE\xB4\xCD\xEA\xB3\xC9";  // 下载未完成
inline constexpr char kPackageDamaged[] = "\xC9\xFD\xBC\xB6\xB0\xFC\xD2\xD1\xCB\xF0\xBB\xB5";  // 升级包已损坏
inline constexpr char kSignatureRefused[] = "\xC7\xA9\xC3\xFB\xD1\xE9\xD6\xA4\xCA\xA7\xB0\xDC";  // 签名验证失败
inline constexpr char kFilesInUse[] = "\xCE\xC4\xBC\xFE\xB1\xBB\xD5\xBC\xD3\xC3";  // 文件被占用
inline constexpr char kSeeLog[] = "\xA1\xA3\xCF\xEA\xBC\xFB ";  // 。详见

// The product name in the welcome and finish texts, replaced by the product title.
inline constexpr char kProductPlaceholder[] = "Brimsel";

// The window font: 宋体, 12 pixels high.
inline constexpr char kFontFamily[] = "\xCB\xCE\xCC\xE5";  // 宋体

}  // namespace brimsel::texts
