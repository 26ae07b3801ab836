#pragma once
// An updater built with the vendor's public key installs only packages signed with the
// matching secret key for the release date that the version page gives; one built without
// a key installs what it downloads, as ever.

#include "app/wizard_window.h"

namespace brimsel {

// True when the package at the state's package path may be installed. Logs the verdict.
bool PackageSignatureAccepted(WizardState& state);

}  // namespace brimsel
