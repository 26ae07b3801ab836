// Loading the central directory into the entry list, with its recovery paths: the ".zfc"
// copy of the directory, the IncompleteZipMode outcomes, the step back over a missing
// extra field and the repair scan with the merge of the central records that follows it.
#include <cctype>
#include <limits>

#include "archive/directory/central_directory.h"
#include "archive/directory/repair_scan.h"
#include "archive/unzipper.h"
#include "platform/codepage.h"

namespace brimsel {
namespace {

constexpr std::uint32_t kMaxDiskNumber = 999;

// The position of the extension's "." in `path`, or npos (double-byte characters are
// stepped over, so a trail byte 0x5C never counts as a separator; "/" separates as "\"
// does).
std::size_t ExtensionStart(std::string_view path) {
  const std::size_t pos = platform::LastDelimiter(path, ".\\/:");
  return pos != std::string_view::npos && path[pos] == '.' ? pos : std::string_view::npos;
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  const std::size_t dot = ExtensionStart(path);
  return std::string(path.substr(0, dot)) + std::string(extension);
}

bool HasExeExtension(std::string_view path) {
  const std::size_t dot = ExtensionStart(path);
  return dot != std::string_view::npos && platform::SameTextIgnoringCase(path.substr(dot), ".EXE");
}

// Drive letters do not exist on this platform, so no drive is removable; a multi-part
// archive named "X:..." is treated as numbered part files like every other.
bool IsRemovableDrive(char /*drive*/) { return false; }

bool StartsWithDrive(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// The end record describes a single archive or the last part of a set we can make sense of.
bool PlausibleDisks(const TEndRecord& end) {
  const std::uint32_t thisDisk = end.EffectiveThisDisk();
  const std::uint32_t startDisk = end.EffectiveStartDisk();
  return thisDisk <= kMaxDiskNumber && startDisk <= kMaxDiskNumber && startDisk <= thisDisk;
}

// Moves forward to `target`; the stream is never behind it after a record was read.
void SkipTo(TArchiveStream& stream, std::uint64_t target) {
  const std::uint64_t here = stream.Position();
  if (target >= here) {
    stream.Skip(target - here);
  } else {
    stream.Seek(target);
  }
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

}  // namespace

class TUnzipper::DirectoryLoader {
 public:
  explicit DirectoryLoader(TUnzipper& owner) : z_(owner) {}

  void Run() {
    StartLoad();
    bool found = LocateInArchive();
    if (!found) found = LocateInZfcFile();
    if (!found) HandleMissingEndRecord();  // raises, or repairs (merging follows)
    const TEndRecord& end = z_.endRecord_;
    const std::uint32_t thisDisk = usingZfc_ ? 0 : end.EffectiveThisDisk();
    z_.openPart_ = thisDisk;
    SetMultiPartMode(end.EffectiveThisDisk());
    if (end.EffectiveTotalEntries() > 0) {
      if (z_.IsMultiPart()) z_.EnsurePartOpen(end.EffectiveStartDisk());
      directory_->Seek(usingZfc_ ? 0 : end.EffectiveDirectoryOffset());
    }
    if (!z_.entries_) z_.entries_ = std::make_unique<TSortedEntries>();
    z_.numberOfParts_ = static_cast<int>(end.EffectiveThisDisk()) + 1;
    ReadRecords();
    if (z_.IsMultiPart() && z_.endRecord_.CommentLength > 0) ReadArchiveComment();
    z_.openPart_ = usingZfc_ ? 0 : z_.endRecord_.EffectiveThisDisk();
    z_.RebuildView();
  }

 private:
  void StartLoad() {
    z_.loadedTime_ = z_.files_->LastWriteTime(z_.zipName_);
    z_.loadedSize_ = z_.files_->FileSizeOf(z_.zipName_);
    z_.repaired_ = false;
    if (z_.entries_ && !z_.entries_->Empty()) z_.entries_.reset();
    z_.view_.clear();
    directory_ = z_.archive_.get();
  }

  bool LocateInArchive() {
    return LocateEndRecord(*z_.archive_, z_.endRecord_) && PlausibleDisks(z_.endRecord_);
  }

  // A ".zfc" file beside the archive may hold a copy of the central directory.
  bool LocateInZfcFile() {
    const std::string zfcName = ChangeFileExt(z_.zipName_, ".zfc");
    if (!z_.files_->FileExists(zfcName)) return false;
    try {
      zfc_ = z_.files_->OpenArchive(zfcName);
    } catch (const EFOpenError&) {
      return false;
    }
    if (LocateEndRecord(*zfc_, z_.endRecord_) && PlausibleDisks(z_.endRecord_)) {
      usingZfc_ = true;
      directory_ = zfc_.get();
      return true;
    }
    zfc_.reset();
    return false;
  }

  void HandleMissingEndRecord() {
    z_.endRecord_.Reset();
    if (z_.OnInCompleteZip) z_.OnInCompleteZip(z_, z_.IncompleteZipMode);
    switch (z_.IncompleteZipMode) {
      case TIncompleteZipMode::izAssumeNotAZip:
        z_.Clear();
        throw ENotAZipFile();
      case TIncompleteZipMode::izAssumeMulti:
        // No entry list afterwards, so that the next open tries again.
        z_.DiscardDirectory();
        throw EIncompleteZip();
      case TIncompleteZipMode::izAssumeBad:
        if (!Repair()) Fail();
        merging_ = true;
        break;
    }
  }

  void SetMultiPartMode(std::uint32_t thisDisk) {
    if (thisDisk == 0) {
      z_.multiPartMode_ = TMultiPartMode::None;
    } else if (z_.multiPartMode_ == TMultiPartMode::None) {
      const std::string& name = z_.zipName_;
      z_.multiPartMode_ = StartsWithDrive(name) && IsRemovableDrive(name[0]) ? TMultiPartMode::RemovableDiskSet
                                                                             : TMultiPartMode::NumberedPartFiles;
    }
  }

  void ReadRecords() {
    std::uint16_t previousExtra = 0;
    TZipEntryInfo* previous = nullptr;
    for (std::uint64_t i = 0; i < z_.endRecord_.EffectiveTotalEntries();) {
      z_.Pump();
      auto entry = std::make_unique<TZipEntryInfo>();
      entry->OEMConvert = z_.OEMConvert;
      const std::uint64_t start = directory_->Position();
      std::uint64_t afterName = 0;
      bool read = ReadCentralRecord(*directory_, *entry, afterName);
      if (!read && previousExtra > 0) {
        // The previous record's extra field was never written: step back over it.
        if (previous) previous->ExtraFieldLength = 0;
        directory_->Seek(start >= previousExtra ? start - previousExtra : 0);
        read = ReadCentralRecord(*directory_, *entry, afterName);
      }
      if (!read && z_.IsMultiPart() && directory_->Position() + kCentralHeaderSize > directory_->Size()) {
        // The directory goes on in the next part, which this component does not read.
        throw EMultiPartZip(z_.openPart_ + 1);
      }
      if (!read) {
        if (merging_) return;
        if (z_.IsMultiPart() || !Repair()) Fail();
        RestartMerging(i, previousExtra, previous);
        continue;
      }
      const std::uint64_t next =
          SaturatingAdd(afterName, std::uint64_t{entry->ExtraFieldLength} + entry->FileCommentLength);
      previousExtra = entry->ExtraFieldLength;
      if (merging_) {
        previous = Merge(std::move(entry));
        SkipTo(*directory_, next);
        ++i;
        continue;
      }
      const std::uint16_t commentLength = entry->FileCommentLength;
      try {
        previous = &z_.entries_->Add(std::move(entry));
      } catch (const EListError&) {
        // Two records name the same local header.
        if (!Repair()) Fail();
        RestartMerging(i, previousExtra, previous);
        continue;
      }
      if (z_.IsMultiPart() && commentLength > 0) ReadFileComment(*previous, next - commentLength);
      SkipTo(*directory_, next);
      ++i;
    }
  }

  void RestartMerging(std::uint64_t& i, std::uint16_t& previousExtra, TZipEntryInfo*& previous) {
    merging_ = true;
    i = 0;
    previousExtra = 0;
    previous = nullptr;
  }

  // The list entry with the record's disk and offset takes every field of the record but
  // its local header offset; the record itself is dropped.
  TZipEntryInfo* Merge(std::unique_ptr<TZipEntryInfo> record) {
    const TSortedEntries::Key key = TSortedEntries::KeyOf(*record);
    TZipEntryInfo* existing = z_.entries_->Find(key.first, key.second);
    if (!existing) return nullptr;
    const std::uint32_t offset = existing->RelativeOffset;
    *existing = std::move(*record);
    existing->RelativeOffset = offset;
    return existing;
  }

  void ReadFileComment(TZipEntryInfo& entry, std::uint64_t position) {
    std::string comment(entry.FileCommentLength, '\0');
    SkipTo(*directory_, position);
    comment.resize(directory_->Read(comment.data(), comment.size()));
    entry.FileComment = std::move(comment);
  }

  void ReadArchiveComment() {
    TEndRecord& end = z_.endRecord_;
    std::string comment(end.CommentLength, '\0');
    directory_->Seek(end.CommentPosition);
    comment.resize(directory_->Read(comment.data(), comment.size()));
    end.Comment = std::move(comment);
  }

  // Rebuilds the list from the local headers; at most once per load.
  bool Repair() {
    if (repairUsed_) return false;
    repairUsed_ = true;
    z_.repaired_ = true;
    z_.entries_ = std::make_unique<TSortedEntries>();
    RepairScanOptions options;
    options.selfExtracting = HasExeExtension(z_.zipName_);
    options.oem = z_.OEMConvert;
    options.pump = [this] { z_.Pump(); };
    if (!RepairScan(*z_.archive_, options, *z_.entries_)) return false;

    // The central records that follow the local headers are merged from the archive.
    directory_ = z_.archive_.get();
    TEndRecord& end = z_.endRecord_;
    const std::uint64_t directoryStart = directory_->Position();
    const auto found = static_cast<std::uint64_t>(z_.entries_->Count());
    end.ThisDisk = 0;
    if (end.Zip64EndRecord) end.Zip64EndRecord->ThisDisk = 0;
    end.DirectoryOffset = directoryStart < kMarker32 ? static_cast<std::uint32_t>(directoryStart) : kMarker32;
    end.TotalEntries = found < kMarker16 ? static_cast<std::uint16_t>(found) : kMarker16;
    if (directoryStart >= kMarker32 || found >= kMarker16) {
      TZip64EndRecord& z64 = end.Zip64EndRecord ? *end.Zip64EndRecord : end.Zip64EndRecord.emplace();
      z64.DirectoryOffset = directoryStart;
      z64.TotalEntries = found;
    }
    z_.openPart_ = 0;
    z_.numberOfParts_ = 1;
    return true;
  }

  [[noreturn]] void Fail() {
    z_.Clear();
    throw EBadZipFile();
  }

  TUnzipper& z_;
  std::unique_ptr<TArchiveStream> zfc_;
  TArchiveStream* directory_ = nullptr;  // the stream that holds the central directory
  bool usingZfc_ = false;
  bool merging_ = false;
  bool repairUsed_ = false;
};

void TUnzipper::LoadDirectoryFromArchive() { DirectoryLoader(*this).Run(); }

}  // namespace brimsel
