#pragma once
// What the package download shows and reads on the wizard window: the cancel flag that a
// confirmed Close sets, the progress label and the progress bar.

#include <string>

namespace brimsel {

class DownloadView {
 public:
  virtual ~DownloadView() = default;
  // Set by a confirmed Close; cleared and read by the download.
  virtual bool& CancelFlag() = 0;
  virtual void SetDownLabel(const std::string& text) = 0;  // lblDown, GBK
  virtual void SetProgressMax(int max) = 0;                // ProgressBar2
  virtual void SetProgressPosition(int position) = 0;
};

}  // namespace brimsel
