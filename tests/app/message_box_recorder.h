#pragma once
// Answers every platform::MessageBox while it lives and records what each box showed.
// Answers are given in order from a queue; when the queue is empty a box is answered as
// the platform does without a handler: OK, or No for a question.

#include <deque>
#include <functional>
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
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  // The answer to the next box not yet answered (platform::IDYES, IDNO, IDOK).
  void Answer(int answer) { answers_.push_back(answer); }
  // Runs while the box is "open", before it is answered (e.g. to click something).
  void WhileOpen(std::function<void(const RecordedBox&)> action) { whileOpen_ = std::move(action); }

  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  void Clear() { boxes_.clear(); }

 private:
  int Show(platform::WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags);

  std::deque<int> answers_;
  std::vector<RecordedBox> boxes_;
  std::function<void(const RecordedBox&)> whileOpen_;
  platform::MessageBoxHandler previous_;
};

}  // namespace brimsel::test
