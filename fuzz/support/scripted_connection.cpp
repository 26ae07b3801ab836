#include "support/scripted_connection.h"

#include <algorithm>
#include <cstring>

#include "platform/exception.h"

namespace brimsel::fuzz {

const ScriptedReply* ScriptedConnection::Current() const {
  const std::size_t index = static_cast<std::size_t>(connections_ - 1);
  return connections_ > 0 && index < replies_.size() ? &replies_[index] : nullptr;
}

void ScriptedConnection::SetActive(bool active) {
  if (!active) {
    active_ = false;
    return;
  }
  if (active_) return;
  ++connections_;
  position_ = 0;
  const ScriptedReply* reply = Current();
  // The real socket raises when no server accepts the connection.
  if (!reply || reply->end == ScriptedReply::End::Refuse)
    throw Exception("Socket error: Connection refused (111), on connect to " + host_);
  active_ = true;
  sent_.emplace_back();
}

void ScriptedConnection::SendText(std::string_view text) {
  if (!active_) throw Exception("Socket error: Transport endpoint is not connected (107), on send");
  sent_.back() += text;
}

bool ScriptedConnection::WaitForData(int) {
  const ScriptedReply* reply = Current();
  if (!active_ || !reply) return false;
  return position_ < reply->bytes.size() || reply->end != ScriptedReply::End::Silence;
}

int ScriptedConnection::ReceiveBuf(void* buffer, int count) {
  const ScriptedReply* reply = Current();
  if (!active_ || !reply || count <= 0) return 0;
  const std::size_t left = reply->bytes.size() - position_;
  if (left == 0) {
    if (reply->end == ScriptedReply::End::Reset) {
      active_ = false;
      throw Exception("Socket error: Connection reset by peer (104), on recv");
    }
    return 0;  // closed (a silent server is never read: nothing is ready)
  }
  std::size_t n = std::min(left, static_cast<std::size_t>(count));
  if (chunk_ > 0) n = std::min(n, chunk_);
  std::memcpy(buffer, reply->bytes.data() + position_, n);
  position_ += n;
  return static_cast<int>(n);
}

}  // namespace brimsel::fuzz
