// TUnzipper: properties, opening and closing the archive, the entry view and the listing.
// Loading the directory is in unzipper_load.cpp, extraction in unzipper_extract.cpp.
#include "archive/unzipper.h"

#include "archive/directory/zip_listing.h"
#include "platform/codepage.h"
#include "platform/pump.h"

namespace brimsel {

TUnzipper::TUnzipper() = default;

TUnzipper::~TUnzipper() = default;

void TUnzipper::SetZipName(std::string_view path) {
  if (platform::SameTextIgnoringCase(path, zipName_)) return;
  zipName_ = std::string(path);
  DiscardDirectory();
  CloseArchive();
  multiPartMode_ = TMultiPartMode::None;
  numberOfParts_ = 1;
}

void TUnzipper::SetDestDir(std::string_view path) {
  destDir_ = std::string(path);
  // A final 0x5C that is the second byte of a double-byte character is not a backslash.
  if (!destDir_.empty() && destDir_.back() == '\\' && !platform::IsTrailByteAt(destDir_, destDir_.size() - 1)) {
    destDir_.pop_back();
  }
}

void TUnzipper::SetFileSystem(ZipFileSystem& files) {
  DiscardDirectory();
  CloseArchive();
  files_ = &files;
}

void TUnzipper::LoadDirectory() {
  try {
    for (int attempt = 0;; ++attempt) {
      try {
        OpenArchive();
        break;
      } catch (const EIncompleteZip&) {
        // The archive is closed even with KeepZipOpen set. An assigned OnInCompleteZip
        // (which may have changed IncompleteZipMode) gets one more attempt.
        CloseArchive();
        DiscardDirectory();
        if (!OnInCompleteZip || attempt > 0) return;
      }
    }
  } catch (...) {
    Clear();
    throw;
  }
  if (!KeepZipOpen) CloseArchive();
}

int TUnzipper::EntryCount() const { return entries_ ? entries_->Count() : 0; }

std::string TUnzipper::EntryFileName(int index) const { return EntryAt(index).FileName; }

void TUnzipper::ListEntries(std::vector<std::string>& lines) const {
  lines.clear();
  lines.reserve(view_.size());
  ListEntries([&lines](const std::string& line) { lines.push_back(line); });
}

void TUnzipper::ListEntries(const std::function<void(const std::string& line)>& take) const {
  for (const TZipEntryInfo* entry : view_) take(ListingLine(*entry));
}

void TUnzipper::OpenArchive() {
  const bool wasOpen = archive_ != nullptr;
  if (!wasOpen) archive_ = files_->OpenArchive(zipName_);
  if (entries_ && LoadedDirectoryIsCurrent()) return;
  // A stream kept open (KeepZipOpen) may show the replaced file or its old size.
  if (wasOpen) {
    archive_.reset();
    archive_ = files_->OpenArchive(zipName_);
  }
  LoadDirectoryFromArchive();
}

void TUnzipper::CloseArchive() { archive_.reset(); }

TArchiveStream& TUnzipper::Archive() {
  if (!archive_) throw EZipException("The archive is not open");
  return *archive_;
}

TZipEntryInfo& TUnzipper::EntryAt(int index) {
  return const_cast<TZipEntryInfo&>(static_cast<const TUnzipper&>(*this).EntryAt(index));
}

const TZipEntryInfo& TUnzipper::EntryAt(int index) const {
  if (index < 0 || index >= ViewCount()) throw EListError::IndexOutOfRange(index);
  return *view_[static_cast<std::size_t>(index)];
}

void TUnzipper::RebuildView() {
  view_.clear();
  if (entries_) view_ = BuildEntryView(*entries_, SortMode);
}

void TUnzipper::EnsurePartOpen(std::uint32_t disk) {
  if (disk != openPart_) throw EMultiPartZip(disk);
}

void TUnzipper::Pump() const {
  if (DoProcessMessages) platform::ProcessMessages();
}

void TUnzipper::Clear() {
  DiscardDirectory();
  CloseArchive();
  zipName_.clear();
  numberOfParts_ = 1;
  multiPartMode_ = TMultiPartMode::None;
}

void TUnzipper::DiscardDirectory() {
  entries_.reset();
  view_.clear();
  loadedTime_.reset();
  loadedSize_.reset();
  endRecord_.Reset();
  repaired_ = false;
  openPart_ = 0;
}

bool TUnzipper::LoadedDirectoryIsCurrent() const {
  // The size is compared too: a rewrite within the file system's time granularity keeps
  // the last-write time but rarely the size.
  return loadedTime_ && files_->LastWriteTime(zipName_) == loadedTime_ && files_->FileSizeOf(zipName_) == loadedSize_;
}

}  // namespace brimsel
