#pragma once
#include <cstdint>

#include "runtime/byte_buffer.h"
#include "runtime/text.h"

// Type tags of the typed values in which commands receive their arguments.
enum TypeTag : uint32_t {
  kTagNone = 0,  // an argument the caller left out
  kTagByte = 0x80000101,
  kTagShort = 0x80000201,
  kTagInt = 0x80000301,
  kTagLong = 0x80000401,
  kTagFloat = 0x80000501,
  kTagDouble = 0x80000601,
  kTagBool = 0x80000002,
  kTagDateTime = 0x80000003,
  kTagText = 0x80000004,
  kTagBytes = 0x80000005,
  kTagArrayFlag = 0x20000000,
};

// (value, second word, tag). 64-bit values keep their low half in `value` and their high
// half in `second`; texts and byte buffers keep their address in `value`, which is why it
// is pointer-sized (32 bits on Windows, as the runtime's layout has it).
struct TypedValue {
  uintptr_t value = 0;
  uint32_t second = 0;
  uint32_t tag = kTagNone;

  uint64_t wide() const {
    return (static_cast<uint64_t>(second) << 32) | static_cast<uint32_t>(value);
  }
  bool omitted() const { return tag == kTagNone; }
};

inline TypedValue intArg(int32_t v) {
  return {static_cast<uintptr_t>(static_cast<uint32_t>(v)), 0, kTagInt};
}
inline TypedValue longArg(int64_t v) {
  auto u = static_cast<uint64_t>(v);
  return {static_cast<uintptr_t>(static_cast<uint32_t>(u)), static_cast<uint32_t>(u >> 32),
          kTagLong};
}
inline TypedValue boolArg(bool v) { return {v ? 1u : 0u, 0, kTagBool}; }
// The text must outlive the call; "" stands for the empty text, never null.
inline TypedValue textArg(const char* s) {
  return {reinterpret_cast<uintptr_t>(s ? s : ""), 0, kTagText};
}
inline TypedValue textArg(const Text& t) { return textArg(t.c_str()); }
inline TypedValue bytesArg(const ByteBuffer& b) {
  return {reinterpret_cast<uintptr_t>(b.block()), 0, kTagBytes};
}

// Size in bytes of one value of a numeric tag (array flag ignored), 0 for other tags.
uint32_t numericWidth(uint32_t tag);
