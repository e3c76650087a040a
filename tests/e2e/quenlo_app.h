#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

// Drives a real Quenlo.exe from outside, as a user would: the program is copied into a fresh
// folder of its own and started from another working directory; the driver finds its windows,
// sends real keyboard and mouse input, and reads what the windows show.
class QuenloApp {
 public:
  // Each waits up to `startMs` for the window, and as long again for it to be ready.
  explicit QuenloApp(int startMs = 30000);
  // Copies the program into `folder` and starts it from `workingDir`; both exist, and are left
  // in place afterwards. A program already in `folder` that cannot be replaced, because another
  // instance runs it, is started as it is.
  QuenloApp(const std::string& folder, const std::string& workingDir);
  ~QuenloApp();
  QuenloApp(const QuenloApp&) = delete;
  QuenloApp& operator=(const QuenloApp&) = delete;

  bool started() const { return main_ != nullptr; }
  // Starts the program again from its folder once it has ended; true when its window is up.
  bool restart();
  HWND main() const { return main_; }
  HWND inputBox() const { return input_; }
  HWND pathBox() const { return path_; }
  HWND statusBar() const { return status_; }
  const std::string& folder() const { return folder_; }  // the program's own folder
  const std::string& elsewhere() const { return cwd_; }  // the folder it was started from
  HANDLE process() const { return process_.hProcess; }
  std::string inFolder(const std::string& name) const { return folder_ + "\\" + name; }

  std::string status() const;
  // Menu items are chosen by their command ids: 20000 + the item's place in the menu bar.
  void chooseMenu(int position);
  // Brings the window forward and gives `control` the keyboard focus with a mouse click,
  // waiting up to `ms` for each of a few clicks to take.
  void focus(HWND control, int ms = 1000);
  HWND focusedControl() const;
  bool inMenu() const;                  // a menu of the window is open
  void type(const std::string& ascii);  // letters, digits, space, Enter ("\n")
  // A key goes down or up; the program is then given 60 ms, unless `settle` is false.
  void key(WORD vk, bool down, bool settle = true);
  void press(WORD vk) { key(vk, true), key(vk, false); }
  void ctrlPress(WORD vk);
  void wheel(HWND over, int delta);
  // Puts `text` on the clipboard and pastes it with Ctrl+V into the focused control.
  void paste(const std::string& text);
  // Runs a menu command to its end (SendMessage, where chooseMenu posts).
  void command(int position);
  // Returns once the program has ended the message it is handling; false when it does not
  // answer within `ms`. Messages posted to it may still be waiting: a sent message goes first.
  bool sync(int ms = 30000) const;

  // Finds a visible dialog of the program ("#32770"), waiting up to `ms`.
  HWND waitForDialog(const char* title = nullptr, int ms = 10000) const;
  // Types a path into a file dialog's name box and confirms it.
  static void confirmFileDialog(HWND dialog, const std::string& path);
  // Chooses "打开文件", confirms `path` in the dialog and waits, up to `ms` for each step, until
  // the command has ended.
  bool openThroughDialog(const std::string& path, int ms = 30000);

  // Chooses a menu item by keyboard alone: `opener` (F10, or Alt pressed and released) enters
  // the bar at its first title, Right arrows go to title `title`, Down opens its drop-down, Down
  // arrows go to item `item` (both counted from 0) and Enter chooses it. False when the menu did
  // not open, or did not close again.
  bool chooseByKeyboard(int title, int item, WORD opener = VK_F10);

  // Sends WM_CLOSE and waits for the process to end; returns its exit code (or -2).
  DWORD close();
  DWORD waitForExit(int ms = 20000);

 private:
  void start();
  void findControls();
  std::string folder_, cwd_;
  bool ownsFolders_ = true;
  int startMs_ = 30000;
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr, input_ = nullptr, path_ = nullptr, status_ = nullptr;
};

// Window and file helpers.
// A visible top-level window of process `pid`; a null class name or title matches any.
HWND topLevelOf(DWORD pid, const char* className, const char* title);
// A left click at the screen point, through real mouse input.
void clickAt(int x, int y);
std::string windowText(HWND h);
// The line height and the width of `sample` in InputBox's font at `points`, made by the edit
// box's font rule in this process.
SIZE inputBoxTextSize(int points, bool bold = false, bool italic = false, const char* sample = "");
RECT rectInParent(HWND child);
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// Polls `done` every 20 ms for up to `ms`; true once it holds.
bool waitUntil(const std::function<bool()>& done, int ms = 10000);
