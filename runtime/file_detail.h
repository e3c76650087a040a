#pragma once
#include <windows.h>

// The system calls behind writeFileBytes, replaceable so tests can make a write fail part-way.
namespace file_detail {
struct SystemCalls {
  decltype(&CreateFileA) createFile = &CreateFileA;
  decltype(&WriteFile) writeFile = &WriteFile;
  decltype(&MoveFileExA) moveFile = &MoveFileExA;
};
SystemCalls& systemCalls();
}  // namespace file_detail
