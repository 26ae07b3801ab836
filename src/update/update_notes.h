#pragma once
// Where the update core tells what it did, one line at a time (GBK, like every text of the
// system): the wizard's update.log, or nowhere for a caller that words its own account.

#include <string>

namespace brimsel {

class UpdateNotes {
 public:
  virtual ~UpdateNotes() = default;
  virtual void Line(const std::string& text) = 0;
};

class SilentNotes final : public UpdateNotes {
 public:
  void Line(const std::string&) override {}
};

}  // namespace brimsel
