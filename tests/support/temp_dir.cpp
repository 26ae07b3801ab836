#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/files.h"

namespace brimsel::test {
namespace fs = std::filesystem;

// A random name rather than one made from the process id: Wine reuses small ids, and
// create_directory fails on a name that is taken, so no two folders are ever shared.
TempDir::TempDir() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("brimsel-test-" + std::to_string(random() % 1000000000000ULL));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files and folders must become writable before they can go.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string TempDir::WinPath() const { return platform::WindowsPath(path_) + "\\"; }

fs::path TempDir::Write(const fs::path& relative, std::string_view content) const {
  fs::path file = path_ / relative;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return file;
}

std::string TempDir::Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace brimsel::test
