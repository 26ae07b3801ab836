#include "archive/extract/extract_target.h"

#include "platform/codepage.h"
#include "platform/files.h"

namespace brimsel {
namespace {

// The parts of a backslash-separated path; a "\" inside a double-byte character is no
// separator.
std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (platform::IsLeadByte(byte) && i + 1 < path.size()) {
      parts.back() += path.substr(i, 2);
      ++i;
    } else if (byte == '\\' || byte == '/') {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(byte);
    }
  }
  return parts;
}

// Stored directories name their folders with "\"; roots may be given with either.
std::string WithBackslashes(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

}  // namespace

std::string DestinationBase(std::string_view destDir) { return destDir.empty() ? std::string(".") : std::string(destDir); }

std::optional<std::string> TargetFolder(const TargetFolderRules& rules, std::string_view directory) {
  std::string folder = DestinationBase(rules.destDir) + "\\";
  if (!rules.recreateDirs || directory.empty()) return folder;

  std::string dir = WithBackslashes(directory);
  // The first root that the directory begins with is taken off.
  std::vector<std::string> roots;
  for (const std::string& root : rules.relativePathList) roots.push_back(WithBackslashes(root));
  if (!rules.rootDir.empty()) roots.push_back(WithBackslashes(rules.rootDir));
  for (const std::string& root : roots) {
    if (!root.empty() && platform::StartsWithIgnoringCase(dir, root)) {
      dir.erase(0, root.size());
      break;
    }
  }
  // A drive or a leading backslash names a place relative to the destination all the same.
  if (dir.size() >= 2 && dir[1] == ':' && !platform::IsLeadByte(static_cast<unsigned char>(dir[0]))) dir.erase(0, 2);

  for (const std::string& part : SplitPath(dir)) {
    if (part.empty() || part == ".") continue;
    if (!platform::IsPlainFileName(part)) return std::nullopt;
    folder += part;
    folder += '\\';
  }
  return folder;
}

bool IsSafeFileName(std::string_view fileName) { return platform::IsPlainFileName(fileName); }

std::string FolderOf(std::string_view path) {
  const std::size_t slash = platform::LastDelimiter(path, "\\/");
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

}  // namespace brimsel
