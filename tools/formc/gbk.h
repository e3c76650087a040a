#pragma once
#include <optional>
#include <string>
#include <string_view>

// UTF-8 to GBK (code page 936). nullopt when the input is not UTF-8 or holds a character GBK
// cannot represent.
std::optional<std::string> utf8ToGbk(std::string_view utf8);
