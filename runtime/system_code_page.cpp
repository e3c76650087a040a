#include "runtime/system_code_page.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

std::array<bool, 256> systemLeadBytes() {
  std::array<bool, 256> lead{};
  for (int b = 0; b < 256; ++b) lead[b] = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b)) != 0;
  return lead;
}

// Callers hand over at most a piece of a document at a time, far below INT_MAX.
class AnsiCodePage : public CodePage {
 public:
  AnsiCodePage() : CodePage(systemLeadBytes()) {}

  std::u16string toUnicode(std::string_view bytes) const override {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::u16string out(n, u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
  }

  std::string fromUnicode(std::u16string_view text) const override {
    if (text.empty() || text.size() > INT_MAX) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, size, out.data(), n, nullptr, nullptr);
    return out;
  }
};

}  // namespace

const CodePage& systemCodePage() {
  static const AnsiCodePage codePage;
  return codePage;
}

ByteBuffer systemBytes(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return ByteBuffer();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
  ByteBuffer bytes = ByteBuffer::allocate(n > 0 ? static_cast<size_t>(n) : 0);
  if (bytes.isNull()) return bytes;
  bytes.shrink(static_cast<uint32_t>(
      std::max(WideCharToMultiByte(CP_ACP, 0, wide, size, reinterpret_cast<char*>(bytes.data()), n,
                                   nullptr, nullptr),
               0)));
  return bytes;
}

SystemText::SystemText(const char* text) : text_(text ? text : "") {
  const std::string_view view(text_);
  const size_t length = lengthWithoutLoneLeadByte(view, systemCodePage());
  if (length == view.size()) return;
  copy_.assign(view.substr(0, length));
  trimmed_ = true;
}

void dropLoneLeadByte(std::string& text) {
  text.resize(lengthWithoutLoneLeadByte(text, systemCodePage()));
}
