#include "runtime/byte_buffer.h"

#include <cstring>

#include "runtime/heap.h"

ByteBuffer::~ByteBuffer() { runtimeFree(block_); }

ByteBuffer ByteBuffer::allocate(size_t n) {
  if (n == 0 || n > 0x7FFFFFF0u) return ByteBuffer();
  auto* block = static_cast<Header*>(runtimeAlloc(sizeof(Header) + n));
  if (!block) return ByteBuffer();
  block->dimensions = 1;
  block->count = static_cast<uint32_t>(n);
  return ByteBuffer(block);
}

ByteBuffer ByteBuffer::copyOf(const void* bytes, size_t n) {
  ByteBuffer b = allocate(n);
  if (!b.isNull()) std::memcpy(b.data(), bytes, n);
  return b;
}

const ByteBuffer::Header* ByteBuffer::emptyBlock() {
  static const Header empty{1, 0};
  return &empty;
}

void ByteBuffer::shrink(uint32_t n) {
  if (!block_ || n >= block_->count) return;
  if (n == 0) {
    runtimeFree(block_);
    block_ = nullptr;
    return;
  }
  block_->count = n;
}
