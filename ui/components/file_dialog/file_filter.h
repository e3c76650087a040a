#pragma once
#include <string>
#include <string_view>

// The file dialog's filter rule. `filter` holds descriptions and patterns, each followed by
// "|", in GBK. Trailing white space is dropped, "||" is appended unless the text already ends
// with it, and every "|" becomes a NUL, giving the double-NUL-terminated list that
// lpstrFilter takes. Bytes 0x81-0xFE lead a two-byte character whose trail byte may be 0x7C,
// which is part of that character and never a separator. An empty result means no filter.
std::string fileDialogFilter(std::string_view filter);
