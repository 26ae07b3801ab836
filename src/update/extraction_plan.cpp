#include "update/extraction_plan.h"

#include <cstdint>

#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace brimsel {

void PlanExtraction(TUnzipper& unzipper, const PackageLocation& location) {
  unzipper.SetDestDir(location.stagingFolder);
  unzipper.SetZipName(location.packagePath);
  unzipper.DoAll = true;
  unzipper.RecreateDirs = false;
  unzipper.OverwriteMode = TUZOverwriteMode::Prompt;
}

std::vector<std::string> InstallNames(const TUnzipper& unzipper) {
  std::vector<std::string> listing;
  unzipper.ListEntries(listing);
  std::vector<std::string> names;
  for (int index = 0; index < static_cast<int>(listing.size()); ++index) {
    std::string name = platform::LowerAsciiOfSingleByteChars(unzipper.EntryFileName(index));
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

bool StagedUnderItsOwnName(const std::string& stagingFolder, const std::string& name) {
  return platform::IsPlainFileName(name) && platform::NameHeldOtherwise(StagedFile(stagingFolder, name)).empty();
}

void DeleteStagedFile(const std::string& path) {
  if (!platform::FileExists(path)) return;
  const std::uint32_t attributes = platform::GetFileAttributes(path);
  if (attributes & platform::kAttributeReadOnly)
    platform::SetFileAttributes(path, attributes & ~platform::kAttributeReadOnly);
  platform::DeleteFile(path);
}

void DeleteStagedFiles(const std::string& stagingFolder, const std::vector<std::string>& names,
                       const std::string& kept) {
  for (const std::string& name : names) {
    if (name != kept && StagedUnderItsOwnName(stagingFolder, name)) DeleteStagedFile(StagedFile(stagingFolder, name));
  }
}

}  // namespace brimsel
