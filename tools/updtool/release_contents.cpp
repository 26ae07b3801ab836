#include "updtool/release_contents.h"

#include <algorithm>
#include <map>

#include "platform/command_line.h"
#include "platform/codepage.h"
#include "platform/file_name_rule.h"
#include "update/own_files.h"
#include "updtool/gbk_text.h"

namespace brimsel::updtool {
namespace fs = std::filesystem;

namespace {

// The name a file is installed under: its own name, ASCII letters lowered as the listing
// lowers them.
std::string InstalledName(const std::string& storedName) {
  return platform::LowerAsciiOfSingleByteChars(storedName.substr(storedName.rfind('/') + 1));
}

}  // namespace

ReleaseContents GatherRelease(const fs::path& folder, const std::string& packageName) {
  ReleaseContents contents;
  std::vector<fs::directory_entry> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) entries.push_back(entry);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().generic_u8string() < b.path().generic_u8string(); });

  std::map<std::string, std::string> installedBy;  // installed name, case folded -> first file
  for (const auto& entry : entries) {
    const std::u8string relative = fs::relative(entry.path(), folder).generic_u8string();
    const std::string shown(relative.begin(), relative.end());
    if (entry.is_directory()) {
      if (fs::is_empty(entry.path())) contents.problems.push_back("empty folder " + shown + " (the installation makes no folders)");
      continue;
    }
    const std::optional<std::string> stored = ToGbk(shown);
    if (!stored) {
      contents.problems.push_back("the name " + shown + " has characters the system code page (GBK) cannot hold");
      continue;
    }
    const std::string installed = InstalledName(*stored);
    if (const platform::NameFault fault = platform::JudgeFileName(installed); fault != platform::NameFault::kNone) {
      contents.problems.push_back(shown + ": " + platform::NameFaultText(fault));
      continue;
    }
    if (platform::IsAliasShapedName(installed)) {
      contents.problems.push_back(shown + ": the name has the shape of a short alias (\"~\" and digits before the "
                                          "extension), which may reach another file on Windows");
      continue;
    }
    if (!entry.is_regular_file()) {
      contents.problems.push_back(shown + " is neither a file nor a folder");
      continue;
    }
    // Two names are one file when the system folds them alike, letters beyond ASCII too.
    if (auto [it, fresh] = installedBy.emplace(platform::CaseFoldKey(installed), shown); !fresh) {
      contents.problems.push_back(it->second + " and " + shown + " would both be installed as " +
                                  platform::GbkToUtf8(installed));
      continue;
    }
    if (const std::string met = OwnFileMet(installed, packageName); !met.empty())
      contents.ownFilesMet.push_back(shown + " would meet " + platform::GbkToUtf8(met));
    contents.files.push_back(ReleaseFile{entry.path(), shown, *stored});
  }
  if (entries.empty()) contents.problems.push_back("the folder " + platform::Utf8OfPath(folder) + " is empty");
  return contents;
}

}  // namespace brimsel::updtool
