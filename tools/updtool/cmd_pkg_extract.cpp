// updtool pkg extract FILE DIR [--overwrite=ask|always|never]: extracts a package with the
// updater's own component and settings (all entries, no folders recreated, attributes
// kept) and reports each entry's outcome, so that a vendor sees before publishing what the
// installation step will get.
#include <iostream>
#include <string>

#include "archive/unzipper.h"
#include "platform/command_line.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "updtool/command.h"

namespace brimsel::updtool {
namespace {

const char* ReasonText(TSkipReason reason) {
  switch (reason) {
    case TSkipReason::srBadPassword: return "encrypted, no matching password";
    case TSkipReason::srNoOverwrite: return "target exists, kept";
    case TSkipReason::srCreateError: return "cannot create the target";
  }
  return "skipped";
}

// The component's boxes on the terminal: a question reads y or n from standard input (a
// terminal or a pipe; anything else, or its end, counts as No); a notice is printed.
int TerminalMessageBox(platform::WindowHandle, const std::string& text, const std::string& caption, unsigned flags) {
  std::cerr << platform::GbkToUtf8(caption) << ": " << platform::GbkToUtf8(text);
  if ((flags & platform::MB_BUTTONS_MASK) != platform::MB_YESNO) {
    std::cerr << '\n';
    return platform::IDOK;
  }
  std::cerr << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) {
    std::cerr << '\n';
    return platform::IDNO;
  }
  return (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) ? platform::IDYES : platform::IDNO;
}

// Restores the message box handler it replaced.
class MessageBoxHandlerScope {
 public:
  explicit MessageBoxHandlerScope(platform::MessageBoxHandler handler)
      : previous_(platform::SetMessageBoxHandler(std::move(handler))) {}
  ~MessageBoxHandlerScope() { platform::SetMessageBoxHandler(std::move(previous_)); }
  MessageBoxHandlerScope(const MessageBoxHandlerScope&) = delete;
  MessageBoxHandlerScope& operator=(const MessageBoxHandlerScope&) = delete;

 private:
  platform::MessageBoxHandler previous_;
};

int ExtractPackage(const Arguments& args) {
  std::vector<std::string> positional;
  TUZOverwriteMode mode = TUZOverwriteMode::Prompt;
  for (const std::string& arg : args) {
    if (arg == "--overwrite=ask") {
      mode = TUZOverwriteMode::Prompt;
    } else if (arg == "--overwrite=always") {
      mode = TUZOverwriteMode::Always;
    } else if (arg == "--overwrite=never") {
      mode = TUZOverwriteMode::Never;
    } else if (arg.rfind("--", 0) == 0) {
      return UsageError("unknown option '" + arg + "'");
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return UsageError("pkg extract takes FILE and DIR");
  if (auto refused = RefuseFolder(positional[0])) return *refused;

  MessageBoxHandlerScope boxes(TerminalMessageBox);
  TUnzipper unzipper;
  unzipper.DoProcessMessages = false;
  unzipper.OverwriteMode = mode;
  unzipper.DoAll = true;
  int failures = 0;
  auto name = [&unzipper](int index) { return platform::GbkToUtf8(unzipper.EntryFileName(index)); };
  int files = 0;
  unzipper.OnEndUnZip = [&files](TUnzipper&, int, const std::string& fName) {
    ++files;
    std::cout << "extracted  " << platform::Utf8OfPath(platform::NativePath(fName)) << '\n';
  };
  unzipper.OnSkippingFile = [&](TUnzipper&, TSkipReason reason, const std::string& fName, int, bool&) {
    if (reason != TSkipReason::srNoOverwrite) ++failures;
    std::cout << "skipped    " << platform::FileNameToUtf8(fName) << " (" << ReasonText(reason) << ")\n";
  };
  int damaged = -1;  // the entry whose broken rule was printed
  unzipper.OnBadData = [&](TUnzipper&, int index, const std::string& reason) {
    ++failures;
    damaged = index;
    std::cout << "failed     " << name(index) << " (" << reason << "; file removed)\n";
  };
  unzipper.OnBadCRC = [&](TUnzipper&, std::uint32_t calc, std::uint32_t stored, int index) {
    if (index == damaged) return;
    ++failures;
    char crcs[64];
    std::snprintf(crcs, sizeof crcs, "CRC-32 %08X, stored %08X", static_cast<unsigned>(calc),
                  static_cast<unsigned>(stored));
    std::cout << "failed     " << name(index) << " (" << crcs << "; file removed)\n";
  };

  try {
    unzipper.SetZipName(platform::Utf8ToFileName(positional[0]));
    unzipper.SetDestDir(platform::Utf8ToFileName(positional[1]));
    unzipper.LoadDirectory();
    unzipper.ExtractFiles();
  } catch (const EZCompressionError& e) {
    return Failure("cannot extract " + positional[0] + ": " + e.Message() + " (" + e.Rule() + ")");
  } catch (const Exception& e) {
    return Failure("cannot extract " + positional[0] + ": " + platform::GbkToUtf8(e.Message()));
  }
  int folders = 0;
  for (int i = 0; i < unzipper.EntryCount(); ++i) folders += unzipper.EntryFileName(i).empty() ? 1 : 0;
  std::cout << files << (files == 1 ? " file" : " files") << " extracted";
  if (folders > 0) std::cout << ", " << folders << (folders == 1 ? " folder entry" : " folder entries") << " (no folders are made)";
  std::cout << "\n";
  return failures == 0 ? 0 : 1;
}

const Command kPkgExtract("pkg extract",
                          "  pkg extract FILE DIR [--overwrite=ask|always|never]\n"
                          "      extract the package FILE into DIR as the updater does (every file straight into\n"
                          "      DIR) and report each entry; ask (the default) asks on the terminal before\n"
                          "      replacing a file. Exit code 1 when an entry failed",
                          ExtractPackage);

}  // namespace
}  // namespace brimsel::updtool
