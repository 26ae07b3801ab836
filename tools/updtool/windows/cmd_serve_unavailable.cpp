// updtool serve in the Windows build: the release server is part of the Linux tool only.
#include "updtool/command.h"

namespace brimsel::updtool {
namespace {

int ServeUnavailable(const Arguments&) {
  return Failure("serve: not available in the Windows build; run 'updtool serve' of the Linux build");
}

const Command serve("serve", "  serve DIR [--address A]\n      (Linux build only)", ServeUnavailable);

}  // namespace
}  // namespace brimsel::updtool
