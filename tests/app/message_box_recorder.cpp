#include "app/message_box_recorder.h"

namespace brimsel::test {

MessageBoxRecorder::MessageBoxRecorder() {
  previous_ = platform::SetMessageBoxHandler(
      [this](platform::WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags) {
        return Show(owner, text, caption, flags);
      });
}

MessageBoxRecorder::~MessageBoxRecorder() { platform::SetMessageBoxHandler(std::move(previous_)); }

int MessageBoxRecorder::Show(platform::WindowHandle owner, const std::string& text, const std::string& caption,
                             unsigned flags) {
  boxes_.push_back(RecordedBox{owner, text, caption, flags});
  if (whileOpen_) {
    const RecordedBox box = boxes_.back();  // the action may show boxes of its own
    whileOpen_(box);
  }
  if (!answers_.empty()) {
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return (flags & platform::MB_BUTTONS_MASK) == platform::MB_YESNO ? platform::IDNO : platform::IDOK;
}

}  // namespace brimsel::test
