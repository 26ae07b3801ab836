// TUnzipper::ExtractFiles: writes the selected entries of the loaded archive as files
// under DestDir, checks each against its CRC-32 and gives it the entry's date and
// attributes.

#include <algorithm>
#include <cmath>
#include <optional>

#include "archive/codecs/decoder_io.h"
#include "archive/codecs/zip_crypto.h"
#include "archive/directory/dos_datetime.h"
#include "archive/directory/entry_spans.h"
#include "archive/directory/little_endian.h"
#include "archive/directory/zip_records.h"
#include "archive/extract/entry_decoder.h"
#include "archive/extract/extract_messages.h"
#include "archive/extract/extract_target.h"
#include "archive/extract/wildcard.h"
#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace brimsel {
namespace {

// A handler that asks for an entry to be tried again (OnSkippingFile's Retry, or a new
// password from OnBadPassword) is obeyed this many times for the entry; after that the
// entry ends as if it had not asked, so that no handler can hold the extraction forever.
constexpr int kMaxEntryRetries = 10;

// min(100, round(part x 100 / whole)); 0 when the whole is 0.
int Percent(std::uint64_t part, std::uint64_t whole) {
  if (whole == 0) return 0;
  const long double percent = std::round(static_cast<long double>(part) * 100.0L / static_cast<long double>(whole));
  return static_cast<int>(std::min<long double>(100.0L, percent));
}

// A text cut to at most `limit` bytes without splitting a double-byte character.
std::string CutText(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  if (platform::IsTrailByteAt(text, cut)) --cut;
  text.resize(cut);
  return text;
}

// What extraction needs of the component beyond its public properties; ExtractFiles hands
// its protected members in through these.
struct ComponentAccess {
  std::function<TArchiveStream&()> archive;
  std::function<TZipEntryInfo&(int index)> entryAt;
  std::function<int()> entryCount;
  std::function<void(std::uint32_t disk)> ensurePartOpen;
  std::function<void()> pump;
  std::function<void()> rebuildView;
  ZipFileSystem* files = nullptr;
  bool multiPart = false;
};

// One run of ExtractFiles over the open archive.
class Extraction {
 public:
  Extraction(TUnzipper& zip, ComponentAccess access) : z_(zip), a_(std::move(access)), files_(*a_.files) {
    rules_.destDir = z_.DestDir();
    rules_.recreateDirs = z_.RecreateDirs;
    rules_.rootDir = z_.RootDir;
    rules_.relativePathList = z_.RelativePathList;
    base_ = DestinationBase(rules_.destDir);
  }

  int Run() {
    const bool keepZipOpen = z_.KeepZipOpen;
    const TZipSortMode sortMode = z_.SortMode;
    z_.KeepZipOpen = true;
    try {
      ExtractSelected();
    } catch (...) {
      Finish(keepZipOpen, sortMode);
      throw;
    }
    Finish(keepZipOpen, sortMode);
    return count_;
  }

 private:
  void ExtractSelected() {
    if (!rules_.destDir.empty() && !files_.DirectoryExists(rules_.destDir)) files_.ForceDirectories(rules_.destDir);
    if (a_.multiPart && z_.SortMode != TZipSortMode::ByNone) {
      z_.SortMode = TZipSortMode::ByNone;
      a_.rebuildView();
    }
    RefuseOverlappingEntries();
    Select();
    RefuseWhatWouldFillTheVolume();
    bool stopNow = false;
    if (z_.OnStartUnZipInfo) z_.OnStartUnZipInfo(z_, filesToDo_, totalBytes_, stopNow);
    if (filesToDo_ == 0 || stopNow) return;
    for (int index = 0; index < a_.entryCount(); ++index) {
      if (!z_.DoAll && !a_.entryAt(index).Selected) continue;
      for (retries_ = 0; ExtractEntry(index); ++retries_) {
      }
    }
  }

  void Finish(bool keepZipOpen, TZipSortMode sortMode) {
    z_.FilesList.clear();
    if (z_.SortMode != sortMode) {
      z_.SortMode = sortMode;
      a_.rebuildView();
    }
    if (z_.OnUnZipComplete) z_.OnUnZipComplete(z_, count_);
    z_.KeepZipOpen = keepZipOpen;
  }

  // Entries that share their data declare far more output than the archive holds.
  void RefuseOverlappingEntries() const {
    std::vector<const TZipEntryInfo*> files;
    for (int index = 0; index < a_.entryCount(); ++index) {
      const TZipEntryInfo& entry = a_.entryAt(index);
      if (!entry.IsDirectory()) files.push_back(&entry);
    }
    if (EntriesOverlap(files)) throw EBadZipFile(kOverlappedEntries);
  }

  // The declared output must fit on the destination's volume: a disk filled halfway
  // through helps nobody.
  void RefuseWhatWouldFillTheVolume() const {
    const std::optional<std::uint64_t> free = files_.FreeSpaceOf(base_);
    if (free && totalBytes_ > *free) throw ECantWriteUCF(kNotEnoughSpace);
  }

  // Directory entries only when directories are recreated; then all entries with DoAll,
  // else those whose lowered path matches one of the lowered patterns.
  void Select() {
    std::vector<std::string> patterns;
    for (const std::string& pattern : z_.FilesList) patterns.push_back(platform::LowerAsciiOfSingleByteChars(pattern));
    for (int index = 0; index < a_.entryCount(); ++index) {
      a_.pump();
      TZipEntryInfo& entry = a_.entryAt(index);
      bool selected = false;
      if (!entry.IsDirectory() || z_.RecreateDirs) {
        if (z_.DoAll) {
          selected = true;
        } else {
          const std::string name = platform::LowerAsciiOfSingleByteChars(entry.Directory + entry.FileName);
          selected = std::any_of(patterns.begin(), patterns.end(),
                                 [&](const std::string& pattern) { return MatchesWildcard(pattern, name); });
        }
      }
      entry.Selected = selected;
      if (selected) {
        ++filesToDo_;
        totalBytes_ += entry.EffectiveUncompressedSize();
      }
    }
  }

  // The per-entry procedure; true when the same entry is to be tried again.
  bool ExtractEntry(int index) {
    const TZipEntryInfo entry = a_.entryAt(index);  // a working copy
    const std::uint64_t size = entry.EffectiveUncompressedSize();
    std::uint64_t compressedLeft = entry.EffectiveCompressedSize();
    if (!entry.IsDirectory()) SeekToData(entry);

    const std::optional<std::string> folder = TargetFolder(rules_, entry.Directory);
    if (!folder || (!entry.IsDirectory() && !IsSafeFileName(entry.FileName)))
      return Skip(TSkipReason::srCreateError, entry.Directory + entry.FileName, index, size);

    if (entry.IsDirectory()) {
      if (z_.RecreateDirs && !files_.DirectoryExists(*folder)) {
        if (files_.ResolveTarget(base_, *folder).throughLink || !files_.ForceDirectories(*folder))
          return Skip(TSkipReason::srCreateError, *folder, index, size);
      }
      ++count_;
      return false;
    }

    std::string target = *folder + entry.FileName;
    bool skip = false;
    if (z_.OnStartUnZip) z_.OnStartUnZip(z_, index, target, skip);
    if (skip) return false;

    // The target is looked up once; what follows works on that result. Nothing is created
    // or written through a symbolic link below the destination.
    platform::ResolvedTarget resolved = files_.ResolveTarget(base_, target);
    // Nor through a name the system takes for another file's (a short alias).
    if (resolved.throughLink || !resolved.heldAs.empty()) return Skip(TSkipReason::srCreateError, target, index, size);
    const std::string targetFolder = FolderOf(target);
    if (!targetFolder.empty() && !resolved.folderExists) files_.ForceDirectories(targetFolder);

    std::optional<ZipCryptoKeys> keys;
    if (entry.Encrypted()) {
      keys = CheckPassword(entry, index, compressedLeft);
      if (!keys) return Skip(TSkipReason::srBadPassword, entry.Directory + entry.FileName, index, size);
    }

    if (z_.OverwriteMode != TUZOverwriteMode::Always && resolved.isFile) {
      const std::string asked = target;
      if (!MayOverwrite(entry, index, target)) return Skip(TSkipReason::srNoOverwrite, target, index, size);
      if (target != asked) {  // the handler named another target
        resolved = files_.ResolveTarget(base_, target);
        if (resolved.throughLink || !resolved.heldAs.empty())
          return Skip(TSkipReason::srCreateError, target, index, size);
      }
    }

    const std::unique_ptr<ZipTargetFile> file = CreateTarget(target, resolved, size);
    if (!file) return Skip(TSkipReason::srCreateError, target, index, size);
    return DecodeAndFinish(entry, index, target, *file, compressedLeft, keys);
  }

  // Reads the local header and leaves the archive at the first byte of the entry's data.
  void SeekToData(const TZipEntryInfo& entry) {
    if (a_.multiPart) a_.ensurePartOpen(entry.EffectiveDiskNumberStart());
    TArchiveStream& archive = a_.archive();
    archive.Seek(entry.EffectiveRelativeOffset());
    std::uint8_t header[kLocalHeaderSize];
    if (!archive.ReadExact(header, sizeof header)) throw EFatalUnzipError();
    archive.Skip(static_cast<std::uint64_t>(LoadLe16(header + local_header::kNameLength)) +
                 LoadLe16(header + local_header::kExtraLength));
  }

  // The keys for the entry's data once the encryption header proved the password right;
  // nothing when no password (and none that OnBadPassword offers) fits.
  std::optional<ZipCryptoKeys> CheckPassword(const TZipEntryInfo& entry, int index, std::uint64_t& compressedLeft) {
    const std::uint8_t checkByte = PasswordCheckByte(entry.Flags, entry.DateTime, entry.CRC32);
    for (;;) {
      if (!z_.Password.empty() && compressedLeft >= kEncryptionHeaderSize) {
        TArchiveStream& archive = a_.archive();
        const std::uint64_t at = archive.Position();
        std::uint8_t header[kEncryptionHeaderSize];
        if (!archive.ReadExact(header, sizeof header)) throw EFatalUnzipError();
        ZipCryptoKeys keys(z_.Password);
        if (DecryptEncryptionHeader(keys, header, checkByte)) {
          compressedLeft -= kEncryptionHeaderSize;
          return keys;
        }
        archive.Seek(at);
      }
      if (!z_.OnBadPassword) return std::nullopt;
      std::string newPassword = z_.Password;
      z_.OnBadPassword(z_, index, newPassword);
      if (newPassword == z_.Password) return std::nullopt;
      z_.Password = newPassword;
    }
  }

  bool MayOverwrite(const TZipEntryInfo& entry, int index, std::string& target) {
    switch (z_.OverwriteMode) {
      case TUZOverwriteMode::Always: return true;
      case TUZOverwriteMode::Never: return false;
      case TUZOverwriteMode::Prompt: {
        if (z_.OnPromptForOverwrite) {
          bool overwrite = false;
          z_.OnPromptForOverwrite(z_, overwrite, index, target);
          return overwrite;
        }
        const std::string text = CutText(kReplaceExistingFile + entry.FileName + "?", kMaxMessageTextLength);
        return ShowMessage(kMessageFileExists, text, kFileExistsCaption, platform::MB_YESNO) == platform::IDYES;
      }
      case TUZOverwriteMode::ifNewer:
      case TUZOverwriteMode::ifOlder: {
        const auto entryTime = DosDateTimeToTimePoint(entry.DateTime);
        const auto fileTime = files_.LastWriteTime(target);
        if (!entryTime || !fileTime) return false;
        return z_.OverwriteMode == TUZOverwriteMode::ifNewer ? *entryTime > *fileTime : *entryTime < *fileTime;
      }
    }
    return false;
  }

  int ShowMessage(int messageId, const std::string& text, const std::string& caption, unsigned flags) {
    if (z_.OnHandleMessage) {
      int answer = (flags & platform::MB_BUTTONS_MASK) == platform::MB_YESNO ? platform::IDNO : platform::IDOK;
      z_.OnHandleMessage(z_, messageId, text, caption, flags, answer);
      return answer;
    }
    return platform::MessageBox(0, text, caption, flags);
  }

  // Creates the target, or takes the file in its place for its content to be replaced in
  // full, and readies it for its final size. A read-only file in the way is made writable
  // first when ReplaceReadOnly is set.
  std::unique_ptr<ZipTargetFile> CreateTarget(const std::string& target, const platform::ResolvedTarget& resolved,
                                              std::uint64_t size) {
    std::unique_ptr<ZipTargetFile> file = files_.OpenTarget(resolved);
    if (!file) {
      if (!z_.ReplaceReadOnly || !files_.IsReadOnly(target)) return nullptr;
      files_.ClearReadOnly(target);
      file = files_.OpenTarget(target);
      if (!file) return nullptr;
    }
    if (size > static_cast<std::uint64_t>(INT64_MAX) || !file->SizeForContent(static_cast<std::int64_t>(size))) {
      file->Close();
      files_.DeleteFile(target);
      return nullptr;
    }
    return file;
  }

  // Decodes the entry into the open target, closes it and gives the verdict. True when
  // the entry is to be tried again with a new password.
  bool DecodeAndFinish(const TZipEntryInfo& entry, int index, const std::string& target, ZipTargetFile& file,
                       std::uint64_t compressedLeft, std::optional<ZipCryptoKeys>& keys) {
    const std::uint64_t size = entry.EffectiveUncompressedSize();
    ByteSource source([this](std::uint8_t* buffer, std::size_t count) { return a_.archive().Read(buffer, count); },
                      compressedLeft);
    source.SetPumpMessages(z_.DoProcessMessages);
    if (const platform::File* archive = a_.archive().Handle()) source.SetOrigin(*archive, a_.archive().Position());
    ByteSink sink([&file](const std::uint8_t* data, std::size_t count) { return file.Write(data, count); }, size);
    if (platform::File* mappable = file.MappableFile()) sink.SetTarget(*mappable);
    sink.SetProgress([this, &sink, size](std::size_t chunk) {
      totalWritten_ += chunk;
      if (z_.OnFilePercentDone) z_.OnFilePercentDone(z_, Percent(sink.Written(), size));
      if (z_.OnTotalPercentDone) z_.OnTotalPercentDone(z_, Percent(totalWritten_, totalBytes_));
    });
    if (keys) {
      ChunkTransform decrypt = [&keys](std::uint8_t* data, std::size_t length) { keys->Decrypt(data, length); };
      if (entry.CompressionMethod == kMethodStored) {
        sink.SetTransform(decrypt);
      } else if (z_.OnDecrypt) {
        source.SetTransform([this](std::uint8_t* data, std::size_t length) { z_.OnDecrypt(z_, data, length, z_.Password); });
      } else {
        source.SetTransform(decrypt);
      }
    }

    DecodeStatus status = DecodeStatus::Corrupt;
    bool overrun = false;
    try {
      if (IsKnownMethod(entry.CompressionMethod)) {
        status = DecodeEntryData(entry.CompressionMethod, entry.Flags, source, sink);
      } else {
        ShowMessage(kMessageUnknownMethod, kUnknownMethodText, kZipErrorCaption, platform::MB_OK);
        status = DecodeStatus::Complete;  // nothing decoded: the CRC verdict decides
      }
      sink.Flush();
    } catch (const EBiggerThanUncompressed&) {
      overrun = true;
    } catch (...) {
      // What was not written yet reads as zeros, as in a file created for this entry.
      file.SetSize(static_cast<std::int64_t>(sink.Written()));
      file.SetSize(static_cast<std::int64_t>(size));
      CloseTarget(file);
      throw;
    }

    // A file counts only when it is complete: every byte of its stored size written by a
    // decoder that reached the end of its data, and the CRC-32 equal to the stored one.
    // Its date and attributes go to the still open file, which saves finding it again.
    const std::uint32_t crc = sink.Crc32();
    const bool complete = !overrun && status == DecodeStatus::Complete && sink.Written() == size && crc == entry.CRC32;
    if (complete) ApplyDateAndAttributes(entry, file);
    CloseTarget(file);
    if (complete) {
      if (z_.OnEndUnZip) z_.OnEndUnZip(z_, index, target);
      ++count_;
      return false;
    }

    files_.DeleteFile(target);
    if (entry.Encrypted()) {
      if (z_.OnBadPassword) {
        std::string newPassword = z_.Password;
        z_.OnBadPassword(z_, index, newPassword);
        if (newPassword != z_.Password) {
          z_.Password = newPassword;
          if (retries_ < kMaxEntryRetries) return true;
        }
      }
      return Skip(TSkipReason::srBadPassword, entry.Directory + entry.FileName, index, size);
    }
    // An entry that failed otherwise (overrun, data ending early or breaking its method,
    // output short of the stored size) may well have the stored CRC: that is no mismatch.
    if (const char* reason = WhyNotWhole(entry, status, overrun, sink.Written()); reason && z_.OnBadData)
      z_.OnBadData(z_, index, reason);
    if (z_.OnBadCRC && crc != entry.CRC32) z_.OnBadCRC(z_, crc, entry.CRC32, index);
    Forget(size);
    return false;
  }

  // Why the data of an entry did not decode whole; null when they did.
  static const char* WhyNotWhole(const TZipEntryInfo& entry, DecodeStatus status, bool overrun, std::uint64_t written) {
    if (!IsKnownMethod(entry.CompressionMethod)) return "unknown compression method";
    if (overrun) return "more output than the stored size";
    if (status != DecodeStatus::Complete) return status.Rule();
    if (written != entry.EffectiveUncompressedSize()) return "less output than the stored size";
    return nullptr;
  }

  void CloseTarget(ZipTargetFile& file) {
    if (z_.FlushFilesOnClose) file.Flush();
    file.Close();
  }

  void ApplyDateAndAttributes(const TZipEntryInfo& entry, ZipTargetFile& file) {
    if (const auto time = DosDateTimeToTimePoint(ValidateDosDateTime(entry.DateTime))) file.SetLastWriteTime(*time);
    if (!z_.RetainAttributes) return;
    // An archive made on Unix keeps the file's mode in the high half (a program stays
    // executable); the read-only attribute is applied after it.
    std::optional<std::uint32_t> unixMode;
    if (entry.HostSystem() == kHostUnix && (entry.ExternalAttributes >> 16) != 0)
      unixMode = entry.ExternalAttributes >> 16;
    file.SetAttributes(entry.ExternalAttributes, unixMode);
  }

  // Reports a skipped entry and takes it off the work to do; true when the handler asks
  // for another try.
  bool Skip(TSkipReason reason, const std::string& fName, int index, std::uint64_t size) {
    bool retry = false;
    if (z_.OnSkippingFile) z_.OnSkippingFile(z_, reason, fName, index, retry);
    if (retry && retries_ < kMaxEntryRetries) return true;
    Forget(size);
    return false;
  }

  void Forget(std::uint64_t size) {
    --filesToDo_;
    totalBytes_ -= std::min(size, totalBytes_);
  }

  TUnzipper& z_;
  ComponentAccess a_;
  ZipFileSystem& files_;
  TargetFolderRules rules_;
  std::string base_;
  int retries_ = 0;  // of the current entry
  int filesToDo_ = 0;
  std::uint64_t totalBytes_ = 0;
  std::uint64_t totalWritten_ = 0;
  int count_ = 0;
};

}  // namespace

int TUnzipper::ExtractFiles() {
  if (DestDir() == "?") return 0;
  LoadDirectory();
  OpenArchive();
  ComponentAccess access;
  access.archive = [this]() -> TArchiveStream& { return Archive(); };
  access.entryAt = [this](int index) -> TZipEntryInfo& { return EntryAt(index); };
  access.entryCount = [this] { return ViewCount(); };
  access.ensurePartOpen = [this](std::uint32_t disk) { EnsurePartOpen(disk); };
  access.pump = [this] { Pump(); };
  access.rebuildView = [this] { RebuildView(); };
  access.files = &Files();
  access.multiPart = IsMultiPart();
  const int count = Extraction(*this, std::move(access)).Run();
  if (!KeepZipOpen) CloseArchive();
  return count;
}

}  // namespace brimsel
