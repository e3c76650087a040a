#include "app/recovery.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/handlers.h"
#include "app/main_window.h"
#include "app/recovery_rules.h"
#include "runtime/file.h"
#include "runtime/system_code_page.h"
#include "ui/component_model.h"
#include "ui/edit_box.h"

namespace {

// Writes the texts handed to it into one file, on a thread of its own. A text handed over
// while another is being written waits, and a newer one replaces it; an empty text removes
// the file.
class RecoveryWriter {
 public:
  // False when no thread could be made.
  bool start(std::string path) {
    stop(false);
    path_ = std::move(path);
    stopping_ = false;
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }
  void write(std::u16string text) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      waiting_ = std::move(text);
    }
    wake_.notify_one();
  }
  // Ends the thread after the write in progress and, when `finish`, the one waiting.
  void stop(bool finish) {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!finish) waiting_.reset();
      stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

 private:
  void run() {
    // Typing comes first: the processors this thread shares with the window are often busy.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    for (;;) {
      std::u16string text;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return waiting_ || stopping_; });
        if (!waiting_) return;
        text = std::move(*waiting_);
        waiting_.reset();
      }
      carryOut(std::move(text));
    }
  }
  // A failure leaves the file as it was and shows nothing: the next change tries again.
  void carryOut(std::u16string text) {
    if (text.empty()) {
      DeleteFileA(path_.c_str());
      return;
    }
    const ByteBuffer bytes = systemBytes(text);
    text = std::u16string();
    if (!bytes.empty()) writeFileBytesByRename(path_.c_str(), bytes);
  }

  std::string path_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<std::u16string> waiting_;
  bool stopping_ = false;
  std::thread thread_;
};

// Never destroyed: a process that ends during a write must not wait for it.
RecoveryWriter& writer() {
  static auto* writer = new RecoveryWriter;
  return *writer;
}

struct Instance {
  std::string path;  // this instance's recovery file; "" when it has none
  HANDLE hold = nullptr;
  RecoverySchedule schedule;
};
Instance instance;

int64_t nowMs() { return static_cast<int64_t>(GetTickCount64()); }

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + (folder.empty() || folder.back() == '\\' ? "" : "\\") + name;
}

// What tells this folder from any other, however a path names it: its volume and file index.
std::string folderKey(const std::string& folder) {
  HANDLE h = CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!known) {
    std::string upper = folder;
    CharUpperA(upper.data());
    return upper;
  }
  char key[32];
  wsprintfA(key, "%08lX-%08lX%08lX", info.dwVolumeSerialNumber, info.nFileIndexHigh,
            info.nFileIndexLow);
  return key;
}

// A running instance holds a recovery file's name through a named object, which the system
// removes when the process ends, however it ends. Names are claimed before anything is
// written, so that no two instances take one name.
std::string holdName(const std::string& key, int number) {
  std::string name = "Global\\QuenloRecovery-" + key + "-" + std::to_string(number);
  std::replace(name.begin() + 7, name.end(), '\\', '/');
  return name;
}

bool heldByAnInstance(const std::string& key, int number) {
  HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, holdName(key, number).c_str());
  if (h) CloseHandle(h);
  return h || GetLastError() == ERROR_ACCESS_DENIED;
}

bool nameTaken(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ||
         GetLastError() != ERROR_FILE_NOT_FOUND;
}

std::vector<LeftRecoveryFile> leftFiles(const std::string& folder, const std::string& key) {
  std::vector<LeftRecoveryFile> left;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(inFolder(folder, "Quenlo恢复*.txt").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return left;
  do {
    const int number = recoveryFileNumber(found.cFileName);
    if (!number || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        heldByAnInstance(key, number))
      continue;
    const FILETIME t = found.ftLastWriteTime;
    left.push_back({found.cFileName, (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime});
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return left;
}

// Claims the first name that no running instance holds and no file has.
void claimName(const std::string& folder, const std::string& key) {
  for (int number = 1; number <= kMaxRecoveryNumber; ++number) {
    HANDLE hold = CreateMutexA(nullptr, FALSE, holdName(key, number).c_str());
    if (!hold) continue;
    const std::string path = inFolder(folder, recoveryFileName(number));
    if (GetLastError() == ERROR_ALREADY_EXISTS || nameTaken(path)) {
      CloseHandle(hold);
      continue;
    }
    instance.hold = hold;
    instance.path = path;
    return;
  }
}

// The timer fires when the text is next due, and stays off while nothing is.
void arm(int64_t now) {
  const std::optional<int64_t> due = instance.schedule.dueIn(now);
  writeProperty(MainWindow, RecoveryTimer, Interval,
                static_cast<int32_t>(due ? std::clamp<int64_t>(*due, 1, INT32_MAX) : 0));
}

}  // namespace

std::string startRecovery() {
  char folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) return "";
  const std::string key = folderKey(folder);
  const std::string notice = leftRecoveryNotice(leftFiles(folder, key));
  instance = Instance();
  claimName(folder, key);
  if (!instance.path.empty() && !writer().start(instance.path)) {
    CloseHandle(instance.hold);
    instance = Instance();
  }
  return notice;
}

void noteTextChanged() {
  if (instance.path.empty()) return;
  const int64_t now = nowMs();
  instance.schedule.noteChange(now);
  arm(now);
}

void noteTextInFile() {
  if (instance.path.empty()) return;
  instance.schedule.noteTaken();
  writer().write(std::u16string());
  arm(nowMs());
}

void onRecoveryTimerTick() {
  if (instance.path.empty()) return;
  const int64_t now = nowMs();
  if (instance.schedule.dueIn(now) == 0) {
    instance.schedule.noteTaken();
    // Nothing else happens on this thread: the writer turns the copy into bytes.
    if (std::optional<std::u16string> text = copyContent(MainWindow, InputBox))
      writer().write(std::move(*text));
  }
  arm(now);
}

void endRecovery(bool backupWritten) {
  if (instance.path.empty()) return;
  writeProperty(MainWindow, RecoveryTimer, Interval, 0);
  if (backupWritten) {
    writer().stop(false);
    DeleteFileA(instance.path.c_str());
  } else {
    if (instance.schedule.dueIn(nowMs()))
      if (std::optional<std::u16string> text = copyContent(MainWindow, InputBox))
        writer().write(std::move(*text));
    writer().stop(true);
  }
  CloseHandle(instance.hold);
  instance = Instance();
}
