#pragma once
#include <string>

// A new folder in the temporary folder, and the removal of a folder with everything in it.
std::string makeTempFolder(const char* prefix);
void removeFolder(const std::string& path);

// A scratch folder, removed with everything in it at destruction.
class TempFolder {
 public:
  TempFolder() : path_(makeTempFolder("quenlo-test-")) {}
  ~TempFolder() { removeFolder(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};
