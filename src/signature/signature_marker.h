#pragma once
// The signature of a signed release on its version page: a second marker beside the date
// marker, "<!--sign" + the signature in hex + "Sign -->". Updaters that look only for the
// date marker read such a page as before.

#include <string>

namespace brimsel::signature {


std::string SignatureMarker(const std::string& signatureHex);
// The signature a version page carries; empty when it carries none.
std::string SignatureOfPage(const std::string& page);

}  // namespace brimsel::signature
