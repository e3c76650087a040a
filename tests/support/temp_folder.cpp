#include "tests/support/temp_folder.h"

#include <windows.h>

std::string makeTempFolder(const char* prefix) {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  for (unsigned n = GetTickCount();; ++n) {
    std::string path = std::string(base) + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(n);
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
  }
}

void removeFolder(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeFolder(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}
