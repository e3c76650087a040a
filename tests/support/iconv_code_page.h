#pragma once
// Code page 936 as glibc's iconv converts it, standing in for the system's conversion in host
// tests and fuzzing. Like the system, it never fails: a byte it cannot read and a character it
// cannot write each become "?".
#include <iconv.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "runtime/document_encoding.h"

class IconvCodePage : public CodePage {
 public:
  IconvCodePage()
      : CodePage(gbkLeadBytes()),
        toUnicode_(iconv_open("UTF-16LE", "CP936")),
        fromUnicode_(iconv_open("CP936", "UTF-16LE")) {}
  ~IconvCodePage() override {
    iconv_close(toUnicode_);
    iconv_close(fromUnicode_);
  }

  std::u16string toUnicode(std::string_view bytes) const override {
    std::string out = convert(toUnicode_, bytes, std::string("?\0", 2), 1);
    return std::u16string(reinterpret_cast<const char16_t*>(out.data()), out.size() / 2);
  }
  std::string fromUnicode(std::u16string_view text) const override {
    return convert(fromUnicode_,
                   std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * 2),
                   "?", 2);
  }

 private:
  static std::array<bool, 256> gbkLeadBytes() {
    std::array<bool, 256> lead{};
    for (int b = 0x81; b <= 0xFE; ++b) lead[b] = true;
    return lead;
  }

  // Converts everything, putting `replacement` for each `step` input bytes it cannot convert.
  static std::string convert(iconv_t cd, std::string_view in, const std::string& replacement,
                             size_t step) {
    std::string out;
    char buffer[4096];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (left > 0) {
      char* dst = buffer;
      size_t room = sizeof buffer;
      size_t r = iconv(cd, &src, &left, &dst, &room);
      out.append(buffer, dst - buffer);
      if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
      out += replacement;
      size_t skip = std::min(step, left);
      src += skip;
      left -= skip;
    }
    return out;
  }

  iconv_t toUnicode_;
  iconv_t fromUnicode_;
};
