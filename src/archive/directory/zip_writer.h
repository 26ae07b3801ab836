#pragma once
// A package as the updater reads it: a plain zip archive, one disk, every entry deflated
// (or stored when that is smaller), names stored as given (GBK) with "/" between folders.

#include <cstdint>
#include <string>

namespace brimsel {

class ZipWriter {
 public:
  // `dosDateTime`: the entry's modification time in the MS-DOS form (PackDosDateTime).
  void Add(const std::string& storedName, const std::string& data, std::uint32_t dosDateTime);
  // The whole archive: the entries, the central directory and the end record.
  std::string Finish();

 private:
  std::string archive_;
  std::string directory_;
  std::uint16_t count_ = 0;
};

}  // namespace brimsel
