#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes (read-only files included).

#include <filesystem>
#include <string>
#include <string_view>

namespace brimsel::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as a Windows-style path ending in "\", the way the system names folders.
  std::string WinPath() const;
  // Writes a file below the folder (parents created) and returns its native path.
  std::filesystem::path Write(const std::filesystem::path& relative, std::string_view content) const;
  // The bytes of a file; empty when it cannot be read.
  static std::string Read(const std::filesystem::path& file);

 private:
  std::filesystem::path path_;
};

}  // namespace brimsel::test
