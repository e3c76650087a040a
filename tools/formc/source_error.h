#pragma once
#include <string>

// Reported as "file:line: message".
struct SourceError {
  std::string file;
  int line = 0;
  std::string message;
};
