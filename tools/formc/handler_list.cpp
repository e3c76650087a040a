#include "tools/formc/handler_list.h"

#include <cctype>
#include <unordered_set>

#include "tools/formc/source_error.h"

namespace {

bool isIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

std::vector<std::string> readHandlerNames(const std::string& path, const std::string& text) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  int line = 1;
  size_t i = 0;
  const size_t n = text.size();

  auto skipLiteral = [&](char quote) {
    for (++i; i < n && text[i] != quote && text[i] != '\n'; ++i)
      if (text[i] == '\\' && i + 1 < n && text[i + 1] != '\n') ++i;
    if (i < n && text[i] == quote) ++i;
  };

  while (i < n) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (text.compare(i, 2, "//") == 0) {
      while (i < n && text[i] != '\n') ++i;
    } else if (text.compare(i, 2, "/*") == 0) {
      const size_t end = text.find("*/", i + 2);
      const size_t stop = end == std::string::npos ? n : end + 2;
      for (; i < stop; ++i)
        if (text[i] == '\n') ++line;
    } else if (c == '"' || c == '\'') {
      skipLiteral(c);
    } else if (isIdentChar(c)) {
      const size_t start = i;
      while (i < n && isIdentChar(text[i])) ++i;
      if (text.compare(start, i - start, "HANDLER") != 0) continue;
      size_t j = i;
      while (j < n && (text[j] == ' ' || text[j] == '\t')) ++j;
      if (j >= n || text[j] != '(') continue;
      for (++j; j < n && (text[j] == ' ' || text[j] == '\t');) ++j;
      if (j >= n || text[j] != '"') continue;
      const size_t close = text.find_first_of("\"\n", j + 1);
      if (close == std::string::npos || text[close] != '"') continue;
      std::string name = text.substr(j + 1, close - j - 1);
      if (name.empty()) throw SourceError{path, line, "empty handler name"};
      if (!seen.insert(name).second)
        throw SourceError{path, line, "duplicate handler '" + name + "'"};
      names.push_back(std::move(name));
      i = close + 1;
    } else {
      ++i;
    }
  }
  return names;
}
