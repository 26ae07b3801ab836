#include "app/finish_hint.h"

#include "app/update_log.h"
#include "app/window_texts.h"
#include "update/package_location.h"

namespace brimsel {
namespace {

const char* ReasonText(UpdateFailure failure) {
  switch (failure) {
    case UpdateFailure::kVersionCheck: return texts::kVersionCheckFailed;
    case UpdateFailure::kDownload: return texts::kDownloadFailed;
    case UpdateFailure::kPackage: return texts::kPackageDamaged;
    case UpdateFailure::kSignature: return texts::kSignatureRefused;
    case UpdateFailure::kFilesInUse: return texts::kFilesInUse;
    case UpdateFailure::kNone: break;
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> FailedUpdateHint(UpdateFailure failure) {
  const char* reason = ReasonText(failure);
  if (reason == nullptr) return std::nullopt;
  return std::string(texts::kUpdateIncomplete) + "\n" + texts::kFailureReason + reason + texts::kSeeLog +
         StagedFile(kStagingFolderName, UpdateLog::kFileName);
}

}  // namespace brimsel
