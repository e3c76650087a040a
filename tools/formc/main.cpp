// formc: compiles a form source into the binary form description embedded in the program.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "form/form_codec.h"
#include "tools/formc/form_source.h"
#include "tools/formc/handler_list.h"
#include "tools/formc/source_error.h"

namespace {

int usage(const char* message) {
  std::cerr << "formc: " << message << "\n"
            << "usage: formc [--handlers FILE] [--assets DIR] -o OUT.bin SOURCE.form\n";
  return 2;
}

bool readFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::string handlersPath, assetsDir, outPath, sourcePath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--handlers" && hasValue) {
      handlersPath = argv[++i];
    } else if (arg == "--assets" && hasValue) {
      assetsDir = argv[++i];
    } else if (arg == "-o" && hasValue) {
      outPath = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return usage(("unknown or incomplete option " + arg).c_str());
    } else if (sourcePath.empty()) {
      sourcePath = arg;
    } else {
      return usage("more than one source file");
    }
  }
  if (outPath.empty() || sourcePath.empty()) return usage("needs -o and a source file");

  try {
    FormSourceContext context;
    if (!handlersPath.empty()) {
      std::string text;
      if (!readFile(handlersPath, text)) throw SourceError{handlersPath, 0, "cannot read file"};
      context.handlers = readHandlerNames(handlersPath, text);
    }
    if (!assetsDir.empty()) context.fileDirs.push_back(assetsDir);
    context.fileDirs.push_back(std::filesystem::path(sourcePath).parent_path().string());

    std::string source;
    if (!readFile(sourcePath, source)) throw SourceError{sourcePath, 0, "cannot read file"};
    const std::vector<uint8_t> block = encodeForm(compileFormSource(sourcePath, source, context));

    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size()));
    out.close();
    if (!out) {
      std::remove(outPath.c_str());
      throw SourceError{outPath, 0, "cannot write file"};
    }
  } catch (const SourceError& e) {
    std::cerr << e.file << ":";
    if (e.line > 0) std::cerr << e.line << ":";
    std::cerr << " " << e.message << "\n";
    return 1;
  }
  return 0;
}
