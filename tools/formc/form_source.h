#pragma once
#include <string>
#include <vector>

#include "form/form_description.h"

struct FormSourceContext {
  std::vector<std::string> handlers;  // a name's index is its handler reference
  std::vector<std::string> fileDirs;  // searched in order by `file "name"` values
};

// Compiles the text of a form source; strings come out as GBK. Throws SourceError.
FormDescription compileFormSource(const std::string& path, const std::string& text,
                                  const FormSourceContext& context);
