#pragma once
#include <functional>
#include <string>

// A symbolic link `link` to the file `target` (both full paths), removed again with the object.
// Wine's CreateSymbolicLink and DeleteFile do not work on links (the one does nothing, the other
// deletes the link's target), while Wine does follow the host's links: under Wine the host's own
// ln and rm make and remove the link.
class SymbolicLink {
 public:
  SymbolicLink(const std::string& link, const std::string& target);
  ~SymbolicLink();
  SymbolicLink(const SymbolicLink&) = delete;
  SymbolicLink& operator=(const SymbolicLink&) = delete;
  bool made() const { return made_; }

 private:
  std::string link_;
  bool made_ = false;
};

// Under Wine, gives the file the host permissions `mode` ("600") with the host's chmod, as a
// user of the host would; false elsewhere.
bool setHostPermissions(const std::string& path, const char* mode);

// Under Wine, the file's host permissions as the host's stat shows them ("755"); "" elsewhere or
// when they cannot be read.
std::string hostPermissions(const std::string& path);

// Under Wine: the host's name of a path, and a command run by the host's shell (paths in it
// quoted with single quotes), waiting up to 5 s for `done`. "" and false elsewhere.
std::string hostPath(const std::string& path);
bool runInHostShell(const std::string& command, const std::function<bool()>& done);
