#pragma once
#include <string>
#include <vector>

// The handler names of a handler definition file: the quoted first argument of every
// HANDLER("name", ...) outside comments, in order; a name's index is its handler reference.
// Throws SourceError on a duplicate name.
std::vector<std::string> readHandlerNames(const std::string& path, const std::string& text);
