#include "app/version_reply.h"

#include "net/update_site.h"
#include "pattern/match_first_group.h"
#include "signature/signature_marker.h"

namespace brimsel {

VersionReply ReadVersionReply(const std::string& page) {
  VersionReply reply;
  reply.dateText = MatchFirstGroup(page, kReleaseDatePattern);
  reply.release = platform::TryStrToDate(reply.dateText);
  reply.signature = signature::SignatureOfPage(page);
  return reply;
}

}  // namespace brimsel
