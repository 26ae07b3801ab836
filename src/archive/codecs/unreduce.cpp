#include "archive/codecs/unreduce.h"

#include <cstdint>
#include <memory>

namespace brimsel {
namespace {

constexpr unsigned kMaxFollowers = 32;
constexpr std::uint8_t kDle = 144;
constexpr unsigned kWindowSize = 8192;  // more than the longest distance, 16 * 256
constexpr unsigned kWindowMask = kWindowSize - 1;

// The follower sets S(0) to S(255) and the first layer of the decoding: each byte is
// either sent in full or as an index into the set of the byte before it.
class FollowerSets {
 public:
  // The sets are stored from S(255) down to S(0), each as a 6-bit count and its bytes.
  bool Read(BitReader& bits) {
    for (int j = 255; j >= 0; --j) {
      const unsigned n = bits.Get(6);
      if (n > kMaxFollowers) return false;
      count_[j] = static_cast<std::uint8_t>(n);
      indexBits_[j] = static_cast<std::uint8_t>(IndexBits(n));
      for (unsigned i = 0; i < n; ++i) set_[j][i] = static_cast<std::uint8_t>(bits.Get(8));
    }
    return true;
  }

  // The next byte of the inner stream; false when an index points past its set.
  bool Next(BitReader& bits, std::uint8_t& byte) {
    const unsigned n = count_[last_];
    if (n == 0 || bits.Get(1) != 0) {
      byte = static_cast<std::uint8_t>(bits.Get(8));
    } else {
      const unsigned index = bits.Get(indexBits_[last_]);
      if (index >= n) return false;
      byte = set_[last_][index];
    }
    last_ = byte;
    return true;
  }

 private:
  // The fewest bits that hold n - 1, at least one.
  static unsigned IndexBits(unsigned n) {
    unsigned bitCount = 1;
    while ((1u << bitCount) < n) ++bitCount;
    return bitCount;
  }

  std::uint8_t set_[256][kMaxFollowers] = {};
  std::uint8_t count_[256] = {};
  std::uint8_t indexBits_[256] = {};
  std::uint8_t last_ = 0;
};

// The second layer: literal bytes, DLE escapes and copies from the bytes already written
// (zeros before the start of the data).
class Expander {
 public:
  Expander(ByteSink& out, int factor)
      : out_(out),
        lengthMask_(0x7Fu >> (factor - 1)),
        distanceShift_(8 - static_cast<unsigned>(factor)),
        window_(new std::uint8_t[kWindowSize]()) {}

  void Feed(std::uint8_t c) {
    switch (state_) {
      case State::Literal:
        if (c == kDle) {
          state_ = State::AfterDle;
        } else {
          Emit(c);
        }
        break;
      case State::AfterDle:
        if (c == 0) {
          Emit(kDle);
          state_ = State::Literal;
        } else {
          v_ = c;
          length_ = c & lengthMask_;
          state_ = length_ == lengthMask_ ? State::ExtraLength : State::Distance;
        }
        break;
      case State::ExtraLength:
        length_ += c;
        state_ = State::Distance;
        break;
      case State::Distance:
        Copy(((v_ >> distanceShift_) << 8) + c + 1, length_ + 3);
        state_ = State::Literal;
        break;
    }
  }

 private:
  enum class State { Literal, AfterDle, ExtraLength, Distance };

  void Emit(std::uint8_t byte) {
    window_[pos_++ & kWindowMask] = byte;
    out_.Put(byte);
  }
  void Copy(unsigned distance, unsigned length) {
    for (unsigned i = 0; i < length; ++i) Emit(window_[(pos_ - distance) & kWindowMask]);
  }

  ByteSink& out_;
  const unsigned lengthMask_;
  const unsigned distanceShift_;
  std::unique_ptr<std::uint8_t[]> window_;
  unsigned pos_ = 0;
  State state_ = State::Literal;
  unsigned v_ = 0;
  unsigned length_ = 0;
};

}  // namespace

DecodeStatus Unreduce(ByteSource& in, ByteSink& out, int compressionFactor) {
  if (compressionFactor < 1 || compressionFactor > 4) return DecodeStatus::Broken("invalid compression factor");
  BitReader bits(in);
  auto followers = std::make_unique<FollowerSets>();
  const bool read = followers->Read(bits);
  if (bits.Exhausted()) return DecodeStatus::Truncated;
  if (!read) return DecodeStatus::Broken("follower set too large");

  Expander expander(out, compressionFactor);
  while (out.Produced() < out.UncompressedSize()) {
    std::uint8_t c;
    const bool next = followers->Next(bits, c);
    if (bits.Exhausted()) return DecodeStatus::Truncated;
    if (!next) return DecodeStatus::Broken("follower index out of range");
    expander.Feed(c);
  }
  return DecodeStatus::Complete;
}

}  // namespace brimsel
