#pragma once
// Answers every platform::MessageBox while it lives and records what each box showed.
// Answers are given in order from a queue; when the queue is empty a box is answered as
// the platform does without a handler: OK, or No for a question.

#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace brimsel::test {

struct RecordedBox {
  platform::WindowHandle owner = 0;
  std::string text;     // GBK
  std::string caption;  // GBK
  unsigned flags = 0;
};

class MessageBoxRecorder {
 public:
  MessageBoxRecorder()
      : previous_(platform::SetMessageBoxHandler([this](platform::WindowHandle owner, const std::string& text,
                                                        const std::string& caption, unsigned flags) {
          boxes_.push_back(RecordedBox{owner, text, caption, flags});
          if (answers_.empty())
            return (flags & platform::MB_BUTTONS_MASK) == platform::MB_YESNO ? platform::IDNO : platform::IDOK;
          const int answer = answers_.front();
          answers_.pop_front();
          return answer;
        })) {}
  ~MessageBoxRecorder() { platform::SetMessageBoxHandler(std::move(previous_)); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  // The answer to the next box not yet answered (platform::IDYES, IDNO, IDOK).
  void Answer(int answer) { answers_.push_back(answer); }
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  void Clear() { boxes_.clear(); }

 private:
  // Declared first: the handler above uses them.
  std::deque<int> answers_;
  std::vector<RecordedBox> boxes_;
  platform::MessageBoxHandler previous_;
};

}  // namespace brimsel::test
