#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules of the recovery file, kept apart from the threads and files that carry them out.

// When the text goes to the recovery file: once it has changed since it last went there and
// typing has paused for kPauseMs, and, however long typing goes on, no later than kLongestMs
// after the first change the file lacks. Times are milliseconds of a clock that never goes
// back.
class RecoverySchedule {
 public:
  static constexpr int64_t kPauseMs = 2000;
  static constexpr int64_t kLongestMs = 10000;

  void noteChange(int64_t now);
  // The text was taken for the file, or a file on disk now holds it: nothing is due until it
  // changes again.
  void noteTaken() { changed_ = false; }
  // Milliseconds from `now` until the text is due (0 once it is); none while nothing changed.
  std::optional<int64_t> dueIn(int64_t now) const;

 private:
  bool changed_ = false;
  int64_t firstChange_ = 0;
  int64_t lastChange_ = 0;
};

// Recovery files are numbered from 1: "Quenlo恢复.txt", then "Quenlo恢复(2).txt" and so on.
constexpr int kMaxRecoveryNumber = 999;
std::string recoveryFileName(int number);
// The number of a recovery file's name, 0 for any other name. Windows compares names without
// regard to the case of letters, and so does this.
int recoveryFileNumber(std::string_view name);

// A recovery file that no running instance holds: what an instance left that did not end.
struct LeftRecoveryFile {
  std::string name;
  uint64_t writeTime;  // any clock that orders the files' last writes
};
// The clause the start-up status gets for the files left, naming the newest; "" for none.
std::string leftRecoveryNotice(const std::vector<LeftRecoveryFile>& files);
