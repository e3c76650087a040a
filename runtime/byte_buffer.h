#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

// One runtime block: the word 1 (dimension count of the runtime's array layout), a 32-bit
// byte count, then the bytes. The empty buffer is a null reference.
class ByteBuffer {
 public:
  struct Header {
    uint32_t dimensions;  // always 1
    uint32_t count;
  };

  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer& other) : ByteBuffer(copyOf(other.data(), other.size())) {}
  ByteBuffer(ByteBuffer&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  ByteBuffer& operator=(ByteBuffer other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~ByteBuffer();

  // A buffer of n uninitialised bytes; null when n is 0 or the heap refuses.
  static ByteBuffer allocate(size_t n);
  static ByteBuffer copyOf(const void* bytes, size_t n);
  static ByteBuffer copyOf(std::string_view s) { return copyOf(s.data(), s.size()); }
  // Takes over a block laid out as above, allocated with runtimeAlloc.
  static ByteBuffer adopt(Header* block) { return ByteBuffer(block); }
  // The constant empty buffer passed in place of null (word 1, count 0).
  static const Header* emptyBlock();

  uint8_t* data() { return block_ ? reinterpret_cast<uint8_t*>(block_ + 1) : nullptr; }
  const uint8_t* data() const {
    return block_ ? reinterpret_cast<const uint8_t*>(block_ + 1) : nullptr;
  }
  uint32_t size() const { return block_ ? block_->count : 0; }
  bool empty() const { return size() == 0; }
  bool isNull() const { return !block_; }
  const Header* block() const { return block_ ? block_ : emptyBlock(); }
  std::string_view view() const {
    return std::string_view(reinterpret_cast<const char*>(data()), size());
  }
  // Drops bytes past n (n must not exceed size()); 0 makes it the empty buffer.
  void shrink(uint32_t n);
  Header* release() {
    Header* b = block_;
    block_ = nullptr;
    return b;
  }

 private:
  explicit ByteBuffer(Header* block) : block_(block) {}
  Header* block_ = nullptr;
};
