#include "tools/formc/gbk.h"

#include <iconv.h>

#include <vector>

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;

  std::string in(utf8);
  std::vector<char> out(in.size() + 16);  // GBK never needs more bytes than UTF-8
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  const bool flushed = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || !flushed || inLeft != 0) return std::nullopt;
  return std::string(out.data(), outPtr);
}
