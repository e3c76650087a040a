#pragma once
#include <string>
#include <string_view>

#include "runtime/byte_buffer.h"
#include "runtime/document_encoding.h"

// The system's ANSI code page, the one every window of this program holds its text in.
const CodePage& systemCodePage();

// The system code page's bytes of a UTF-16 text, the bytes the system gives a narrow caller
// for a window holding that text; the empty buffer for an empty text or when memory runs out.
ByteBuffer systemBytes(std::u16string_view text);

// A text as it may be handed to the system: without a last lead byte that lacks its trail
// byte, which the system would pair with the terminating zero, reading on past the text.
class SystemText {
 public:
  explicit SystemText(const char* text);
  explicit SystemText(const std::string& text) : SystemText(text.c_str()) {}
  SystemText(const SystemText&) = delete;
  SystemText& operator=(const SystemText&) = delete;
  const char* c_str() const { return trimmed_ ? copy_.c_str() : text_; }

 private:
  const char* text_;
  bool trimmed_ = false;
  std::string copy_;
};

// The same for a text the caller owns: its last lead byte goes when it lacks a trail byte.
void dropLoneLeadByte(std::string& text);
