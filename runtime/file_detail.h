#pragma once
#include <windows.h>

#include <string>

// The system calls behind writeFileBytes, replaceable so tests can make a write fail part-way,
// and the points of a write at which a test may stop it.
namespace file_detail {

enum class SavePoint {
  kBeforeNewBytes,  // the journal or the temporary file is made, no new byte written
  kAmidNewBytes,    // half of the new bytes are written
  kAfterNewBytes,   // all of them are written and flushed, not yet in place or not yet final
};

// Does nothing unless the environment variable QUENLO_PAUSE_SAVE, which only tests set, names
// the point and the target's file name ("amid:target.txt"): then it sets the event
// "QuenloSavePaused<pid>" and waits for ever, so a test can kill the program there.
void pauseWhereAsked(SavePoint point, const std::string& target);

struct SystemCalls {
  decltype(&CreateFileA) createFile = &CreateFileA;
  decltype(&WriteFile) writeFile = &WriteFile;
  decltype(&MoveFileExA) moveFile = &MoveFileExA;
  void (*reached)(SavePoint point, const std::string& target) = &pauseWhereAsked;
};
SystemCalls& systemCalls();

}  // namespace file_detail
