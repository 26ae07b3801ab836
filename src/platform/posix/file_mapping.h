#pragma once
// Part of an open file seen as memory, for a decoder that takes its whole input and gives
// its whole output at once: the archive read in place, the target written in place, with no
// buffer of the entry's size in between. The pages are the file's own, so the memory the
// process holds beyond them does not grow with the file.
//
// A page whose file was cut short by another program after mapping cannot be read or
// written: touching it raises a bus error. Work on mapped pages runs inside
// RunOnMappedPages, which turns that into a failed result instead of the end of the process.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "platform/files.h"

namespace brimsel::platform {

class FileMapping {
 public:
  // `length` bytes of the file from `offset`, for reading; nothing when the file does not
  // hold them all or the system maps nothing.
  static std::optional<FileMapping> ForReading(const File& file, std::uint64_t offset, std::uint64_t length);
  // The file's first `length` bytes, for writing: the file gets that size and its blocks
  // are reserved first, so that no write through the mapping finds the volume full.
  // Nothing when the volume cannot hold them or the system maps nothing; the file may then
  // have its new size already.
  static std::optional<FileMapping> ForWriting(File& file, std::uint64_t length);

  FileMapping(FileMapping&& other) noexcept;
  FileMapping& operator=(FileMapping&& other) noexcept;
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;
  ~FileMapping();

  std::span<std::uint8_t> Bytes() const { return {base_ + lead_, length_}; }

 private:
  FileMapping(std::uint8_t* base, std::size_t lead, std::size_t length) : base_(base), lead_(lead), length_(length) {}
  void Unmap();

  std::uint8_t* base_ = nullptr;  // page-aligned start of the mapping
  std::size_t lead_ = 0;          // bytes before the asked-for offset
  std::size_t length_ = 0;
};

// Runs `work` on mapped pages; false when it touched a page that its file no longer has.
// `work` is then left where it was: it must hold nothing that needs cleaning up (plain
// computation on the mapped bytes). One thread at a time.
bool RunOnMappedPages(const std::function<void()>& work);

}  // namespace brimsel::platform
