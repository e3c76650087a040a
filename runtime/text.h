#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// A zero-terminated string of GBK bytes on the runtime heap. The empty text is a null
// reference; c_str() still gives "" so callers never see null.
class Text {
 public:
  Text() = default;
  Text(const Text& other) : Text(copyOf(other.view())) {}
  Text(Text&& other) noexcept : chars_(other.chars_) { other.chars_ = nullptr; }
  Text& operator=(Text other) noexcept {
    std::swap(chars_, other.chars_);
    return *this;
  }
  ~Text();

  // Copies s up to its first NUL byte (texts cannot hold NUL). Empty gives null.
  static Text copyOf(std::string_view s);
  static Text copyOf(const char* s) { return copyOf(std::string_view(s ? s : "")); }
  // Takes over a block from runtimeAlloc.
  static Text adopt(char* chars) { return Text(chars); }

  const char* c_str() const { return chars_ ? chars_ : ""; }
  std::string_view view() const { return std::string_view(c_str()); }
  std::string str() const { return std::string(c_str()); }
  size_t size() const { return view().size(); }
  bool empty() const { return !chars_ || !*chars_; }
  bool isNull() const { return !chars_; }
  char* release() {
    char* c = chars_;
    chars_ = nullptr;
    return c;
  }
  friend bool operator==(const Text& a, std::string_view b) { return a.view() == b; }

 private:
  explicit Text(char* chars) : chars_(chars) {}
  char* chars_ = nullptr;
};
