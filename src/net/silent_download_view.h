#pragma once
// A download view for callers without a window (command-line tools, tests): it shows
// nothing, and the download is never cancelled from it.

#include <string>

#include "net/download_view.h"

namespace brimsel {

class SilentDownloadView : public DownloadView {
 public:
  bool& CancelFlag() override { return cancel_; }
  void SetDownLabel(const std::string&) override {}
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}

 private:
  bool cancel_ = false;
};

}  // namespace brimsel
