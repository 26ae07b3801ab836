#include "update/own_files.h"

#include "net/update_site.h"
#include "platform/file_name_rule.h"
#include "platform/folder_lock.h"
#include "platform/shell_execute.h"
#include "settings/settings_file.h"

namespace brimsel {
namespace {

struct OwnFile {
  const char* name;
  const char* what;
};

constexpr OwnFile kOwnFiles[] = {
    {kSettingsFileName,
     "the updater's settings: installed, it replaces the user's title, package name and LastUpdate, and that updater "
     "can never update again"},
    {kSelfReplaceScriptName, "the script that puts a new update.exe in place once the wizard has ended"},
    {platform::kBatchRunnerName, "the batch runner that carries out update.bat on Linux"},
    {kNewUpdaterName, "the new update.exe that the updater stages beside the running one"},
    {kUpdateLogName, "the updater's log in the staging folder"},
    {platform::kLockFileName, "the lock that the updater holds in the staging folder"},
};

}  // namespace

std::string OwnFileMet(const std::string& installName, const std::string& packageName) {
  const std::string key = platform::CaseFoldKey(installName);
  for (const OwnFile& file : kOwnFiles) {
    if (key == platform::CaseFoldKey(file.name)) return std::string(file.name) + ", " + file.what;
  }
  const std::string package = PackageFileName(packageName);
  if (key == platform::CaseFoldKey(package))
    return package + ", the package itself in the staging folder: the installation deletes it before extracting";
  return {};
}

}  // namespace brimsel
