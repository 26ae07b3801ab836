#include "platform/folder_lock.h"

#include "platform/windows/windows_api.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/windows/windows_text.h"

namespace brimsel::platform {
namespace {

// The folder as the system names it whatever way it was spelt: full, long (not 8.3), with
// one closing "\\", and in capitals, since the file system ignores letter case.
std::wstring CanonicalFolder(std::string_view folder) {
  std::wstring path = windows::ToWide(folder);
  std::vector<wchar_t> buffer(32768);
  const DWORD size = static_cast<DWORD>(buffer.size());
  DWORD length = ::GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
  if (length > 0 && length < size) path.assign(buffer.data(), length);
  length = ::GetLongPathNameW(path.c_str(), buffer.data(), size);
  if (length > 0 && length < size) path.assign(buffer.data(), length);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  ::CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

// A mutex name holds no "\" and at most MAX_PATH characters: the folder goes in as a
// 64-bit FNV-1a hash. "Global\": one updater per folder for all the users of the machine.
std::wstring MutexName(std::string_view folder) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const wchar_t unit : CanonicalFolder(folder)) {
    hash ^= static_cast<std::uint16_t>(unit);
    hash *= 1099511628211ULL;
  }
  wchar_t name[64];
  std::swprintf(name, std::size(name), L"Global\\BrimselUpdater.%016llX", static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace

// The mutex lives as long as a handle to it is open; the system closes the handles of a
// process that ends, however it ends.
struct FolderLock::Held {
  explicit Held(HANDLE handle) : mutex(handle) {}
  windows::Handle mutex;
};

FolderLock::FolderLock(std::string_view installationFolder, std::string_view /*stagingFolder*/) {
  auto held = std::make_unique<Held>(::CreateMutexW(nullptr, FALSE, MutexName(installationFolder).c_str()));
  const DWORD error = ::GetLastError();
  if (!held->mutex.valid()) {
    // A mutex of that name made by another user, whose rights keep this one out.
    if (error == ERROR_ACCESS_DENIED) outcome_ = Outcome::kHeldElsewhere;
    return;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    outcome_ = Outcome::kHeldElsewhere;
    return;
  }
  held_ = std::move(held);
  outcome_ = Outcome::kTaken;
}

FolderLock::~FolderLock() = default;
FolderLock::FolderLock(FolderLock&&) noexcept = default;
FolderLock& FolderLock::operator=(FolderLock&&) noexcept = default;

}  // namespace brimsel::platform
