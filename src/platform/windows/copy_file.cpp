// CopyFileA writes the target in place, so a full disk or a pulled network cable halfway
// leaves a cut file where a working one was. The copy goes to a temporary file in the
// target's folder first and replaces the target in one move once it is whole.
#include "platform/copy_file.h"

#include "platform/windows/windows_api.h"

#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/temporary_files.h"
#include "platform/windows/windows_text.h"

namespace brimsel::platform {
namespace {

using windows::ErrorText;

// The system names the temporary file "~up" + up to four hex digits + ".tmp".
constexpr char kTemporaryPrefix[] = "~up";

// A new empty file with a unique name in the folder of `target`, or empty text.
std::string TemporaryBeside(const std::string& target) {
  const std::size_t slash = LastDelimiter(target, "\\/:");
  std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
  char name[MAX_PATH + 16];
  if (::GetTempFileNameA(folder.c_str(), kTemporaryPrefix, 0, name) == 0) return {};
  return name;
}

bool IsTemporaryName(std::string_view name) {
  constexpr std::string_view prefix = kTemporaryPrefix;
  constexpr std::string_view extension = ".tmp";
  if (name.size() <= prefix.size() + extension.size() || name.size() > prefix.size() + 4 + extension.size() ||
      !SameTextIgnoringCase(name.substr(0, prefix.size()), prefix) ||
      !EndsWithIgnoringCase(name, extension))
    return false;
  const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
  return digits.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH * 2];
  const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return length == 0 || length >= sizeof buffer ? path : std::string(buffer, length);
}

void RemoveTemporary(const std::string& path) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(path.c_str());
}

// The reason of a failure in the system's words, empty on success.
std::string Copy(std::string_view existingFile, std::string_view newFile, bool failIfExists) {
  if (existingFile.empty() || newFile.empty()) return ErrorText(ERROR_INVALID_NAME);
  const std::string source(existingFile);
  const std::string target(newFile);
  if (!FileExists(source)) return ErrorText(ERROR_FILE_NOT_FOUND);
  if (DirectoryExists(target)) return ErrorText(ERROR_ACCESS_DENIED);
  // A file copied onto itself would be replaced by its own staged copy; the system refuses.
  if (SameTextIgnoringCase(FullPath(source), FullPath(target))) return ErrorText(ERROR_SHARING_VIOLATION);
  // Refused before anything is written, as the system's own copy would refuse them.
  if (FileExists(target)) {
    if (failIfExists) return ErrorText(ERROR_FILE_EXISTS);
    if (IsReadOnly(target)) return ErrorText(ERROR_ACCESS_DENIED);
    if (IsRunningExecutable(target)) return ErrorText(ERROR_SHARING_VIOLATION);
  }

  const std::string staged = TemporaryBeside(target);
  if (staged.empty()) return ErrorText(::GetLastError());
  const DWORD moveFlags = MOVEFILE_WRITE_THROUGH | (failIfExists ? 0 : MOVEFILE_REPLACE_EXISTING);
  if (::CopyFileA(source.c_str(), staged.c_str(), FALSE) && ::MoveFileExA(staged.c_str(), target.c_str(), moveFlags))
    return {};
  const DWORD error = ::GetLastError();
  RemoveTemporary(staged);
  ::SetLastError(error);
  return ErrorText(error);
}

}  // namespace

CopyResult CopyFileReporting(std::string_view existingFile, std::string_view newFile, bool failIfExists) {
  CopyResult result;
  result.reason = Copy(existingFile, newFile, failIfExists);
  result.copied = result.reason.empty();
  return result;
}

bool CopyFileA(std::string_view existingFile, std::string_view newFile, bool failIfExists) {
  return CopyFileReporting(existingFile, newFile, failIfExists).copied;
}

std::vector<std::string> RemoveLeftoverTemporaryFiles(std::string_view folder) {
  std::vector<std::string> removed;
  std::string base(folder);
  if (!base.empty() && base.back() != '\\') base += '\\';
  WIN32_FIND_DATAA found;
  const HANDLE search = ::FindFirstFileA((base + kTemporaryPrefix + "*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return removed;
  do {
    const std::string name = found.cFileName;
    // Plain files only; a reparse point leads elsewhere.
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) || !IsTemporaryName(name))
      continue;
    RemoveTemporary(base + name);
    if (!FileExists(base + name)) removed.push_back(name);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return removed;
}

}  // namespace brimsel::platform
