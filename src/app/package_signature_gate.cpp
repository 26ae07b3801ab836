#include "app/package_signature_gate.h"

#include "signature/package_signature.h"

namespace brimsel {

bool PackageSignatureAccepted(WizardState& state) {
  if (state.vendorPublicKey.empty()) return true;
  signature::Verdict verdict = signature::Verdict::Unreadable;
  try {
    verdict = signature::VerifyPackageFile(state.vendorPublicKey, state.packageName, state.releaseDate,
                                           state.packagePath, state.packageSignature);
  } catch (const std::exception& error) {
    state.log.Line(std::string("signature check failed: ") + error.what());
  }
  if (verdict == signature::Verdict::Valid) {
    state.log.Line("signature of " + state.packagePath + " verified for the release of " +
                   platform::DateTimeToStr(state.releaseDate));
    return true;
  }
  state.log.Line("package refused: " + std::string(signature::VerdictText(verdict)) + " (release " +
                 platform::DateTimeToStr(state.releaseDate) + "); nothing installed, LastUpdate not written");
  return false;
}

}  // namespace brimsel
