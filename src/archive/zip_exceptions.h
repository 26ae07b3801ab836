#pragma once
// The errors of the zip component. Every error of reading or extracting an archive derives
// from EZipException; the list, open and inflate errors stand beside it as they do in the
// runtime library. The texts are the component's own fixed English texts.

#include <string>
#include <string_view>

#include "platform/exception.h"

namespace brimsel {

inline constexpr char kNotAValidZipFile[] = "Not a valid zip file!";
inline constexpr char kIncompleteZipFile[] = "Incomplete Zip File";
inline constexpr char kPrematureEndOfFile[] = "Premature end of file reached";
inline constexpr char kLargerThanUncompressed[] = "File is larger than uncompressed size!";
inline constexpr char kCantWriteUncompressedFile[] = "Cant write uncompressed file";
inline constexpr char kDuplicateObjectIndex[] = "Duplicate Object index";
inline constexpr char kUserCanceled[] = "Operation canceled by the user";
inline constexpr char kCanceledUnzipToBuffer[] = "Unzip to buffer canceled";
inline constexpr char kOverlappedEntries[] = "Not a valid zip file: overlapped components, possible zip bomb";
inline constexpr char kNotEnoughSpace[] = "Cant write uncompressed file: not enough free space";

class EZipException : public Exception {
 public:
  using Exception::Exception;
};

// The directory cannot be read and the repair scan could not rebuild it.
class EBadZipFile : public EZipException {
 public:
  EBadZipFile() : EZipException(kNotAValidZipFile) {}
  using EZipException::EZipException;
};

// No end record: a truncated download, or one part of a multi-part archive.
class EIncompleteZip : public EZipException {
 public:
  EIncompleteZip() : EZipException(kIncompleteZipFile) {}
  using EZipException::EZipException;
};

class ENotAZipFile : public EZipException {
 public:
  ENotAZipFile() : EZipException(kNotAValidZipFile) {}
  using EZipException::EZipException;
};

// Extraction cannot go on (for instance the compressed data ends early).
class EFatalUnzipError : public EZipException {
 public:
  EFatalUnzipError() : EZipException(kPrematureEndOfFile) {}
  using EZipException::EZipException;
};

class EUserCanceled : public EZipException {
 public:
  EUserCanceled() : EZipException(kUserCanceled) {}
  using EZipException::EZipException;
};

// Decoding produced more bytes than the entry's stored uncompressed size.
class EBiggerThanUncompressed : public EZipException {
 public:
  EBiggerThanUncompressed() : EZipException(kLargerThanUncompressed) {}
  using EZipException::EZipException;
};

// Fewer bytes were written to the target file than asked.
class ECantWriteUCF : public EZipException {
 public:
  ECantWriteUCF() : EZipException(kCantWriteUncompressedFile) {}
  using EZipException::EZipException;
};

class ECanceledUnzipToBuffer : public EZipException {
 public:
  ECanceledUnzipToBuffer() : EZipException(kCanceledUnzipToBuffer) {}
  using EZipException::EZipException;
};

// A part of a multi-part archive other than the open one (the part with the end record)
// was needed. The component reads a multi-part archive only as far as that part holds it.
class EMultiPartZip : public EZipException {
 public:
  explicit EMultiPartZip(unsigned long long disk)
      : EZipException("Multi-part zip file: part " + std::to_string(disk + 1) +
                      " is needed, but only the part with the end record can be read") {}
};

// An index out of range, or a second entry with the same disk and local header offset.
class EListError : public Exception {
 public:
  using Exception::Exception;
  static EListError IndexOutOfRange(long long index) {
    return EListError("Index " + std::to_string(index) + " is out of range");
  }
};

// The archive file cannot be opened.
class EFOpenError : public Exception {
 public:
  EFOpenError(std::string_view fileName, std::string_view reason)
      : Exception("Cannot open file \"" + std::string(fileName) + "\". " + std::string(reason)) {}
};

// Errors of the inflate layer.
class EZLibError : public Exception {
 public:
  using Exception::Exception;
};

// Its message is the component's "error"; the rule the data broke is zlib's own text
// ("invalid block type"), for a log.
class EZCompressionError : public EZLibError {
 public:
  EZCompressionError(std::string_view message, std::string_view rule) : EZLibError(std::string(message)), rule_(rule) {}
  const std::string& Rule() const { return rule_; }

 private:
  std::string rule_;
};

}  // namespace brimsel
