#pragma once
#include <string>
#include <string_view>

// UTF-8 to UTF-16. Each malformed sequence (a stray trail byte, a truncated, overlong or
// surrogate encoding, a value above U+10FFFF) becomes one U+FFFD for its longest valid prefix,
// so no input byte is ever read twice or skipped unseen.
std::u16string utf8ToUtf16(std::string_view utf8);

// Dropped "HTML Format" data (UTF-8) as UTF-16, with every no-break space (U+00A0) made an
// ordinary space.
std::u16string htmlToUtf16(std::string_view utf8);
