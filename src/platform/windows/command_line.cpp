#include "platform/command_line.h"

#include <iostream>
#include <memory>
#include <streambuf>
#include <string_view>

#include "platform/windows/windows_text.h"

#include <shellapi.h>  // CommandLineToArgvW, left out of <windows.h> when it is lean

namespace brimsel::platform {
namespace {

struct LocalMemoryRelease {
  void operator()(LPWSTR* memory) const { ::LocalFree(memory); }
};

// The length of the part of `text` that ends on a whole UTF-8 character: a character may
// arrive in two writes, and each half alone would be shown as a broken one.
std::size_t WholeCharacters(std::string_view text) {
  const std::size_t size = text.size();
  for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(text[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: its lead lies further back
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? size - back : size;
  }
  return size;
}

// Takes UTF-8 and hands it on in whole characters: to a console as UTF-16, which shows
// every character whatever its code page; to a file or pipe in the console's output code
// page, which the program reading it expects.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(DWORD which) : handle_(::GetStdHandle(which)) {}

  void HandOn(bool evenAHalfCharacter) {
    const std::size_t whole = evenAHalfCharacter ? pending_.size() : WholeCharacters(pending_);
    if (whole == 0) return;
    const std::wstring wide = windows::ToWide(std::string_view(pending_).substr(0, whole), CP_UTF8);
    pending_.erase(0, whole);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle_, &mode)) {
      ::WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      return;
    }
    UINT codePage = ::GetConsoleOutputCP();
    if (codePage == 0) codePage = ::GetACP();  // no console: the system code page
    // Line ends as the C runtime writes them to a file in text mode, which these writes bypass.
    std::wstring lines;
    for (const wchar_t ch : wide) {
      if (ch == L'\n') lines += L'\r';
      lines += ch;
    }
    const std::string bytes = windows::FromWide(lines, codePage);
    for (std::size_t done = 0; done < bytes.size(); done += written) {
      if (!::WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
          written == 0)
        return;
    }
  }

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    pending_.push_back(traits_type::to_char_type(ch));
    if (pending_.size() >= kHandOnSize) HandOn(false);
    return ch;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    if (pending_.size() >= kHandOnSize) HandOn(false);
    return count;
  }
  int sync() override {
    HandOn(false);
    return 0;
  }

 private:
  static constexpr std::size_t kHandOnSize = 4096;
  HANDLE handle_;
  std::string pending_;
};

// Lives until the program's static objects go, before the standard streams' last flush,
// so everything printed is handed on and the streams get their own buffers back.
class ConsoleStreams {
 public:
  ConsoleStreams() {
    std::cout.flush();
    std::cerr.flush();
    oldOut_ = std::cout.rdbuf(&out_);
    oldErr_ = std::cerr.rdbuf(&err_);
  }
  ~ConsoleStreams() {
    std::cout.flush();
    std::cerr.flush();
    out_.HandOn(true);
    err_.HandOn(true);
    std::cout.rdbuf(oldOut_);
    std::cerr.rdbuf(oldErr_);
  }
  ConsoleStreams(const ConsoleStreams&) = delete;
  ConsoleStreams& operator=(const ConsoleStreams&) = delete;

 private:
  ConsoleBuffer out_{STD_OUTPUT_HANDLE};
  ConsoleBuffer err_{STD_ERROR_HANDLE};
  std::streambuf* oldOut_ = nullptr;
  std::streambuf* oldErr_ = nullptr;
};

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalMemoryRelease> words(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  if (!words) {
    // Only when memory runs out; argv holds the same words in the system code page.
    for (int i = 0; i < argc; ++i) arguments.push_back(windows::FromWide(windows::ToWide(argv[i], CP_ACP), CP_UTF8));
    return arguments;
  }
  for (int i = 0; i < count; ++i) arguments.push_back(windows::FromWide(words.get()[i], CP_UTF8));
  return arguments;
}

void PrintUtf8ToConsole() { static ConsoleStreams streams; }

bool AttachStandardOutput() {
  // A file or pipe handed down (update.exe --version > file, or a pipe of the starter).
  const HANDLE given = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (given != nullptr && given != INVALID_HANDLE_VALUE && ::GetFileType(given) != FILE_TYPE_UNKNOWN) return true;
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  // The console's own output, for both streams (handles held from before the attachment do
  // not reach it); the handle is the program's standard output until it ends.
  const HANDLE console = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return false;
  ::SetStdHandle(STD_OUTPUT_HANDLE, console);
  const HANDLE errors = ::GetStdHandle(STD_ERROR_HANDLE);
  if (errors == nullptr || errors == INVALID_HANDLE_VALUE || ::GetFileType(errors) == FILE_TYPE_UNKNOWN)
    ::SetStdHandle(STD_ERROR_HANDLE, console);
  return true;
}

}  // namespace brimsel::platform
