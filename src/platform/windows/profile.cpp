// The system's own profile functions, with the checks the Linux build makes kept in front:
// a name or value that would change the file's structure is refused rather than written.
//
// WritePrivateProfileStringA rewrites the file in place; if that is cut short (full disk,
// power lost) every setting of Update.ini is gone, and the enciphered values cannot be
// made again by the updater. So the write goes to a copy beside the file, and the copy
// replaces the file in one move once the system has written it.
#include "platform/profile.h"

#include "platform/windows/windows_api.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/profile_structure.h"

namespace brimsel::platform {
namespace {

using profile_structure::ChangesStructure;

// The system looks for a bare file name in the Windows folder: profile paths are always
// made full first, against the current folder, as every other file function takes them.
std::string FullPath(std::string_view path) {
  const std::string text(path);
  char buffer[MAX_PATH * 2];
  const DWORD length = ::GetFullPathNameA(text.c_str(), sizeof buffer, buffer, nullptr);
  return length == 0 || length >= sizeof buffer ? text : std::string(buffer, length);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = LastDelimiter(path, "\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// The system would read a huge file whole on every call.
bool IsTooLarge(const std::string& fullPath) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(fullPath.c_str(), GetFileExInfoStandard, &data)) return false;
  const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return size > kMaxProfileSize;
}

void RemoveFile(const std::string& path) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(path.c_str());
}

}  // namespace

std::string GetPrivateProfileStringA(std::string_view section, std::string_view key, std::string_view defaultValue,
                                     std::string_view path, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  const std::string fullPath = FullPath(path);
  if (IsTooLarge(fullPath)) return std::string(defaultValue.substr(0, bufferSize - 1));
  std::vector<char> buffer(bufferSize, '\0');
  const std::string sectionText(section), keyText(key), defaultText(defaultValue);
  const DWORD length = ::GetPrivateProfileStringA(sectionText.c_str(), keyText.c_str(), defaultText.c_str(),
                                                  buffer.data(), static_cast<DWORD>(bufferSize), fullPath.c_str());
  return std::string(buffer.data(), std::min<std::size_t>(length, bufferSize - 1));
}

bool WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                std::string_view path) {
  if (path.empty() || ChangesStructure(section, key, value)) return false;
  const std::string target = FullPath(path);
  const DWORD attributes = ::GetFileAttributesA(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return false;
  if (IsTooLarge(target)) return false;

  char staged[MAX_PATH + 16];
  if (::GetTempFileNameA(FolderOf(target).c_str(), "~ini", 0, staged) == 0) return false;
  const std::string sectionText(section), keyText(key), valueText(value);
  bool written = (!exists || ::CopyFileA(target.c_str(), staged, FALSE)) &&
                 ::WritePrivateProfileStringA(sectionText.c_str(), keyText.c_str(), valueText.c_str(), staged);
  // Empties the system's cache of the copy before it moves; this call always reports FALSE.
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, staged);
  written = written && ::MoveFileExA(staged, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!written) RemoveFile(staged);
  return written;
}

}  // namespace brimsel::platform
