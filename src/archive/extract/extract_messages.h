#pragma once
// The two message boxes of extraction: the overwrite question and the unknown-method
// notice. Both have no owner window; OnHandleMessage, when assigned, answers them instead
// and is told which one by its message ID.

#include <cstddef>

namespace brimsel {

inline constexpr int kMessageFileExists = 1;
inline constexpr int kMessageUnknownMethod = 2;

inline constexpr char kFileExistsCaption[] = "File Exists Alert";
inline constexpr char kReplaceExistingFile[] = "Replace existing file ";
inline constexpr std::size_t kMaxMessageTextLength = 300;

inline constexpr char kUnknownMethodText[] = "Unknown Compression Method";
inline constexpr char kZipErrorCaption[] = "Zip Error";

}  // namespace brimsel
