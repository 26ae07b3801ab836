#pragma once
// TUnzipper: the zip component. It loads an archive's central directory into an entry
// list (with recovery paths for damaged archives), lists the entries in the updater's
// line format and extracts them.
//
// How extraction plugs in: ExtractFiles() is a member of this class, defined in its own
// file unzipper_extract.cpp. It uses only the protected interface below:
//   OpenArchive()      opens ZipName when needed and reloads the directory if the archive
//                      changed on disk since it was loaded (raises EFOpenError,
//                      EIncompleteZip, EBadZipFile, ...);
//   CloseArchive()     closes it (also when nothing is open);
//   Archive()          the open archive stream to read local headers and data from;
//   EntryAt(index)     the entry at an index of the current view (EListError outside);
//   ViewCount()        the number of entries of the view;
//   RebuildView()      rebuilds the view after SortMode changed;
//   EnsurePartOpen(d)  makes the part holding disk d the open part (raises EMultiPartZip
//                      for a part other than the open one);
//   IsMultiPart()      whether the archive is one part of a multi-part set;
//   Pump()             runs the message pump when DoProcessMessages is set;
//   Files()            the file system that holds the archive and the destination.
// DOS date-times are validated and converted with dos_datetime.h.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_stream.h"
#include "archive/directory/zip_obj.h"
#include "archive/zip_exceptions.h"
#include "archive/zip_file_system.h"

namespace brimsel {

// What happens when a target file exists. Values in this order.
enum class TUZOverwriteMode { Prompt, Always, Never, ifNewer, ifOlder };
// How an archive without an end record is treated. Values in this order.
enum class TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
// Naming of the part files of a multi-part archive.
enum class TBlockMode { bmStandard, bmClassic };
// Why an entry was skipped during extraction.
enum class TSkipReason { srBadPassword, srNoOverwrite, srCreateError };
// How the parts of a multi-part archive are found.
enum class TMultiPartMode { None, RemovableDiskSet, NumberedPartFiles };

class TUnzipper {
 public:
  static constexpr int kThisVersion = 100;
  static constexpr int kThisBuild = 1;

  // Events; each is fired only when assigned. Reference parameters are the "var" ones.
  std::function<void(TUnzipper& sender, TIncompleteZipMode& mode)> OnInCompleteZip;
  std::function<void(TUnzipper& sender, int numFiles, std::uint64_t totalBytes, bool& stopNow)>
      OnStartUnZipInfo;
  std::function<void(TUnzipper& sender, int fileIndex, std::string& fName, bool& skip)> OnStartUnZip;
  std::function<void(TUnzipper& sender, bool& overWriteIt, int fileIndex, std::string& fName)>
      OnPromptForOverwrite;
  std::function<void(TUnzipper& sender, TSkipReason reason, const std::string& fName, int fileIndex,
                     bool& retry)>
      OnSkippingFile;
  std::function<void(TUnzipper& sender, int fileIndex, std::string& newPassword)> OnBadPassword;
  std::function<void(TUnzipper& sender, std::uint32_t calcCRC, std::uint32_t storedCRC, int fileIndex)>
      OnBadCRC;
  // A file entry (not encrypted) whose data did not decode whole: `reason` names the rule
  // its data broke ("invalid distance code"), or says that they ended early or decoded to
  // another size than stored. Fired before OnBadCRC, which follows when the CRC-32 differs.
  std::function<void(TUnzipper& sender, int fileIndex, const std::string& reason)> OnBadData;
  std::function<void(TUnzipper& sender, int fileIndex, const std::string& fName)> OnEndUnZip;
  std::function<void(TUnzipper& sender, int percent)> OnFilePercentDone;
  std::function<void(TUnzipper& sender, int percent)> OnTotalPercentDone;
  std::function<void(TUnzipper& sender, int fileCount)> OnUnZipComplete;
  std::function<void(TUnzipper& sender, int messageID, const std::string& msg1, const std::string& msg2,
                     unsigned flags, int& returnValue)>
      OnHandleMessage;
  std::function<void(TUnzipper& sender, std::uint8_t* buffer, std::size_t length,
                     const std::string& password)>
      OnDecrypt;

  // Plain properties, at the defaults of a new component.
  bool DoAll = false;
  std::vector<std::string> FilesList;  // wildcard patterns, used when DoAll is false
  bool RecreateDirs = false;
  TUZOverwriteMode OverwriteMode = TUZOverwriteMode::Prompt;
  bool RetainAttributes = true;
  bool ReplaceReadOnly = false;
  bool KeepZipOpen = false;
  bool DoProcessMessages = true;
  TIncompleteZipMode IncompleteZipMode = TIncompleteZipMode::izAssumeMulti;
  TZipSortMode SortMode = TZipSortMode::ByNone;
  TOEMConvert OEMConvert = TOEMConvert::oemAlways;
  bool FlushFilesOnClose = false;
  std::string RootDir;
  std::vector<std::string> RelativePathList;
  TBlockMode BlockMode = TBlockMode::bmStandard;
  std::string Password;

  TUnzipper();
  ~TUnzipper();
  TUnzipper(const TUnzipper&) = delete;
  TUnzipper& operator=(const TUnzipper&) = delete;

  const std::string& ZipName() const { return zipName_; }
  // The same path in any letter case keeps everything; another path discards the loaded
  // directory and closes the archive. Nothing is read here.
  void SetZipName(std::string_view path);
  const std::string& DestDir() const { return destDir_; }
  // One trailing backslash is removed. Nothing is created here.
  void SetDestDir(std::string_view path);
  // Where the archive is read from and the targets are written: the platform's files
  // unless another file system is given, which must outlive the component. What was
  // loaded is discarded.
  void SetFileSystem(ZipFileSystem& files);

  // Version stamp: any assignment sets the component's own numbers back.
  int ThisVersion() const { return kThisVersion; }
  void SetThisVersion(int) {}
  int ThisBuild() const { return kThisBuild; }
  void SetThisBuild(int) {}

  // Opens the archive and loads its directory when needed, then closes the archive unless
  // KeepZipOpen is set. A missing end record under izAssumeMulti leaves no entries and
  // returns normally; other errors clear the component and are raised again.
  void LoadDirectory();
  // Number of loaded entries; 0 when none is loaded.
  int EntryCount() const;
  // FileName of the entry at `index` of the view; EListError "Index %d is out of range".
  std::string EntryFileName(int index) const;
  // The whole record of the entry at `index` of the view; EListError alike.
  const TZipEntryInfo& Entry(int index) const { return EntryAt(index); }
  // Clears `lines`, then appends one listing line per entry in index order. Uses the
  // directory already loaded; nothing is read.
  void ListEntries(std::vector<std::string>& lines) const;
  // The same lines handed out one at a time, so that a long listing need not be held.
  void ListEntries(const std::function<void(const std::string& line)>& take) const;
  // Extracts the selected entries (all with DoAll) under DestDir; returns the number of
  // entries processed successfully. Defined in unzipper_extract.cpp.
  int ExtractFiles();

  // The loaded end record (reset when nothing is loaded).
  const TEndRecord& EndRecord() const { return endRecord_; }
  // Whether the last load had to rebuild the directory from the local headers.
  bool Repaired() const { return repaired_; }
  int NumberOfParts() const { return numberOfParts_; }

 protected:
  // Algorithm of opening: opens ZipName if no stream is open (EFOpenError on failure), then
  // loads the directory unless the one loaded is current.
  void OpenArchive();
  void CloseArchive();
  bool ArchiveIsOpen() const { return archive_ != nullptr; }
  TArchiveStream& Archive();
  TZipEntryInfo& EntryAt(int index);
  const TZipEntryInfo& EntryAt(int index) const;
  int ViewCount() const { return static_cast<int>(view_.size()); }
  void RebuildView();
  bool IsMultiPart() const { return multiPartMode_ != TMultiPartMode::None; }
  void EnsurePartOpen(std::uint32_t disk);
  void Pump() const;
  ZipFileSystem& Files() const { return *files_; }

 private:
  class DirectoryLoader;
  friend class DirectoryLoader;

  // Discards the entry list and everything that describes a loaded archive, closes it,
  // and empties ZipName.
  void Clear();
  void DiscardDirectory();
  bool LoadedDirectoryIsCurrent() const;
  void LoadDirectoryFromArchive();

  ZipFileSystem* files_ = &PlatformZipFileSystem();
  std::string zipName_;
  std::string destDir_;
  std::unique_ptr<TArchiveStream> archive_;
  std::unique_ptr<TSortedEntries> entries_;
  std::vector<TZipEntryInfo*> view_;
  TEndRecord endRecord_;
  std::optional<std::chrono::system_clock::time_point> loadedTime_;
  std::optional<std::int64_t> loadedSize_;
  std::uint32_t openPart_ = 0;
  int numberOfParts_ = 1;
  TMultiPartMode multiPartMode_ = TMultiPartMode::None;
  bool repaired_ = false;
};

}  // namespace brimsel
