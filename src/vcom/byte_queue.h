// A first-in, first-out byte buffer for the data paths: bytes are read
// straight into its free tail and written straight from its head, so a
// chunk is copied only by the kernel.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

namespace orbo::vcom {

class ByteQueue {
 public:
  size_t size() const { return end_ - head_; }
  bool empty() const { return end_ == head_; }
  const char* data() const { return buffer_.data() + head_; }

  // Room for at least want bytes after the queued ones; fill it, then Commit.
  char* Reserve(size_t want) {
    if (buffer_.size() - end_ < want) {
      if (head_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + head_, size());
        end_ -= head_;
        head_ = 0;
      }
      if (buffer_.size() - end_ < want) buffer_.resize(end_ + want);
    }
    return buffer_.data() + end_;
  }
  void Commit(size_t n) { end_ += n; }
  void Append(const char* bytes, size_t n) {
    std::memcpy(Reserve(n), bytes, n);
    Commit(n);
  }
  void Consume(size_t n) {
    head_ += n;
    if (head_ == end_) head_ = end_ = 0;
  }
  void Clear() { head_ = end_ = 0; }

 private:
  std::vector<char> buffer_;
  size_t head_ = 0;
  size_t end_ = 0;
};

}  // namespace orbo::vcom
