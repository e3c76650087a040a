// Whatever a file holds, opening it either refuses it or shows a text whose unedited save
// gives back the file's bytes exactly.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/document_encoding.h"
#include "tests/support/iconv_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const IconvCodePage codePage;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const DecodedDocument d = decodeDocument(bytes, codePage);
  if (d.refusal != OpenRefusal::None) return 0;

  std::string shown(d.encoding == DocumentEncoding::Gbk ? bytes : std::string_view(d.text));
  shown.resize(lengthWithoutLoneLeadByte(shown, codePage));
  const std::string inTextBox = codePage.fromUnicode(codePage.toUnicode(shown));
  if (encodeDocument(inTextBox, d.encoding, codePage) != bytes) __builtin_trap();
  return 0;
}
