// Quenlo side by side with Wine's notepad, driven from outside as a user would.
//
//   notepad_bench --quenlo Quenlo.exe --notepad notepad.exe --files a.txt,b.txt[,c.txt]
//                 [--big big.txt] [--runs 5] [--big-runs 2] [--start-runs 21] [--out table.md]
//   notepad_bench --quenlo Quenlo.exe --notepad notepad.exe --start-only [--start-runs 21]
//                 [--baseline Other/Quenlo.exe]
//   notepad_bench --quenlo Quenlo.exe --notepad notepad.exe --baseline Other/Quenlo.exe
//                 --opens-only --files a.txt[,b.txt] [--runs 3] [--out table.md]
//   ... [--typing a.txt,b.txt] [--zoom c.txt] [--turns 7] [--zoom-turns 3] [--typing-only]
//   notepad_bench --fill-window     (the plain-fill window of the repaint floor; started by itself)
//   notepad_bench --start-floor     (the start-up floor's window; started by itself)
//
// Every figure is the median of --runs fresh processes (--big-runs for the big file), each
// measured from this driver:
// - start: CreateProcess until the main window is visible, active and ready for typing (its
//   thread has a focus window) and it and all its children have been painted: no window of the
//   tree has an update region left, and a WM_NULL sent afterwards has come back, so the
//   WM_PAINT that validated the last region has returned. Measured --start-runs times in
//   turns (Quenlo, notepad, floor, Quenlo, ...), so that other load on the machine falls on
//   all three alike; --baseline adds another build of Quenlo to the turns (before and after a
//   change, in one run). The floor is a window with a multi-line EDIT child in a process that
//   initialises OLE and the common controls first, as Quenlo does: what any such program pays.
// - open: the open dialog is brought up with its shortcut (Ctrl+D, Ctrl+O), the path goes into
//   its file name box and the dialog is confirmed; timed from the confirmation until the text
//   box holds the whole text (WM_GETTEXTLENGTH; the program cannot answer while it loads) and
//   has been painted (as for start).
// - save: Ctrl+S, timed until the file has been rewritten (newer than a mark set before, full
//   size, no longer open for writing) and a WM_NULL sent to the window has come back, i.e. the
//   command has returned. The saved bytes are compared with the original.
// - peak working set after the big file was opened and saved (GetProcessMemoryInfo).
// - repaint frames: the driver resizes the main window (SetWindowPos is carried out by the
//   window's own thread) and calls UpdateWindow, which sends WM_PAINT to every invalid window
//   of the tree and returns when they are done; a frame is that pair. Measured for Quenlo,
//   notepad and, as the floor, a window of another process whose WM_PAINT only fills its
//   client area with one brush.
// - keystroke: each --typing file is opened in Quenlo (which wraps), in notepad with its word
//   wrap turned off (from its "编辑" menu) and in the --baseline build. At a place near the top
//   (the 200th character), the middle and the end of the text the caret is put at the start of
//   the line (EM_SETSEL, EM_SCROLLCARET), the program brought forward with its text box focused
//   and everything painted; then one 'x' is typed with SendInput, timed until the text box holds
//   its caret past the new character (EM_GETSEL, answered between the program's messages) and
//   the window tree has been painted (as for start). Backspace takes it back, untimed. --turns
//   keystrokes at each place, the programs in turns.
// - zoom and font sizes, in the --zoom file: Quenlo's Ctrl+wheel (Ctrl pressed in its text box,
//   one notch away from the user over it, 18 to 19 points) and its "B18" item (the menu command
//   posted, back to 18 points), timed from the input until the text box answers WM_GETFONT with
//   a new font and the tree has been painted; notepad's font dialog ("编辑", "字体") with 19,
//   then 18 points typed into its size box, timed from the confirmation, with notepad's wrap on
//   (its default) and off. --zoom-turns of each, in turns.
// - opens in turns (--opens-only): each file opened and saved by Quenlo, the baseline build and
//   notepad in turns, each time in a fresh process, --runs times: open and save as above, the
//   peak working set after both, and the slowest answer to a WM_NULL sent every 50 ms from
//   the confirmation until the text is shown (a program that does not answer within 5 s counts
//   5 s).
// - floors: the same bytes read and written with CreateFile/ReadFile/WriteFile alone, and
//   loaded by SetWindowTextA into a bare multi-line EDIT control of this process (wrapping, as
//   Quenlo's text box does, and not wrapping, as notepad's does by default).
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_clock.h"

namespace {

struct Stats {
  double median = 0;
  double worst = 0;
  size_t count = 0;
};

Stats statsOf(std::vector<double> samples) {
  Stats s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  s.median = samples[samples.size() / 2];
  if (samples.size() % 2 == 0) s.median = (s.median + samples[samples.size() / 2 - 1]) / 2;
  s.worst = samples.back();
  s.count = samples.size();
  return s;
}

void log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
  std::fflush(stdout);
}

bool waitUntil(const std::function<bool()>& done, int ms, DWORD pause = 2) {
  const double end = nowMs() + ms;
  while (nowMs() < end) {
    if (done()) return true;
    Sleep(pause);
  }
  return done();
}

// --- Files ---------------------------------------------------------------------------------

std::string readAll(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    read = 0;
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

bool writeAll(const std::string& path, const std::string& bytes, bool flush) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  if (flush) ok = FlushFileBuffers(file) && ok;
  return CloseHandle(file) && ok;
}

FILETIME oldTime() {
  SYSTEMTIME s{2001, 1, 1, 1, 0, 0, 0, 0};
  FILETIME f;
  SystemTimeToFileTime(&s, &f);
  return f;
}

void markOld(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FILETIME t = oldTime();
  SetFileTime(file, nullptr, nullptr, &t);
  CloseHandle(file);
}

// Rewritten since markOld, complete, and closed by its writer.
bool rewritten(const std::string& path, uint64_t size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  FILETIME mark = oldTime();
  if (CompareFileTime(&data.ftLastWriteTime, &mark) <= 0) return false;
  if ((uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow) != size) return false;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

size_t wideLength(const std::string& gbk) {
  return static_cast<size_t>(
      MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0));
}

// --- Windows of another process -----------------------------------------------------------

std::string classOf(HWND h) {
  char name[64] = {};
  GetClassNameA(h, name, sizeof name);
  return name;
}

std::string captionOf(HWND h) {
  char text[256] = {};
  GetWindowTextA(h, text, sizeof text);
  return text;
}

struct TopSearch {
  DWORD pid;
  std::function<bool(HWND)> wanted;
  HWND found = nullptr;
};

BOOL CALLBACK visitTop(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<TopSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != s->pid || !IsWindowVisible(h) || !s->wanted(h)) return TRUE;
  s->found = h;
  return FALSE;
}

HWND findTop(DWORD pid, std::function<bool(HWND)> wanted) {
  TopSearch s{pid, std::move(wanted)};
  EnumWindows(visitTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

BOOL CALLBACK collect(HWND h, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(h);
  return TRUE;
}

std::vector<HWND> treeOf(HWND top) {
  std::vector<HWND> tree{top};
  EnumChildWindows(top, collect, reinterpret_cast<LPARAM>(&tree));
  return tree;
}

bool anyUpdateRegion(HWND top) {
  for (HWND h : treeOf(top)) {
    if (IsWindowVisible(h) && GetUpdateRect(h, nullptr, FALSE)) return true;
  }
  return false;
}

bool sync(HWND h, UINT ms = 600000) {
  DWORD_PTR result;
  return SendMessageTimeoutA(h, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

// The tree has been painted and the paint has returned.
bool waitPainted(HWND top, int ms) {
  const double end = nowMs() + ms;
  while (nowMs() < end) {
    if (!IsWindowVisible(top) || anyUpdateRegion(top)) {
      SwitchToThread();
      continue;
    }
    if (!sync(top)) return false;
    if (!anyUpdateRegion(top)) return true;
  }
  return false;
}

INPUT keyInput(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  return in;
}

void ctrlKey(WORD vk) {
  INPUT keys[4] = {keyInput(VK_CONTROL, true), keyInput(vk, true), keyInput(vk, false),
                   keyInput(VK_CONTROL, false)};
  SendInput(4, keys, sizeof(INPUT));
}

bool bringForward(HWND top) {
  return waitUntil(
      [&] {
        if (GetForegroundWindow() == top) return true;
        SetForegroundWindow(top);
        return false;
      },
      5000, 20);
}

// --- The programs --------------------------------------------------------------------------

struct Program {
  std::string name;
  std::string exe;
  std::string folder;  // started here; Quenlo writes its backup file into its own folder
  WORD openKey;        // with Ctrl
  std::function<bool(HWND)> isMain;
};

class Running {
 public:
  Running(const Program& program, const std::string& extraArgs = "") {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + program.exe + "\"" + extraArgs;
    start_ = nowMs();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        program.folder.c_str(), &si, &pi_)) {
      log("cannot start %s (%lu)\n", program.exe.c_str(), GetLastError());
      return;
    }
    waitUntil([&] { return (main_ = findTop(pi_.dwProcessId, program.isMain)) != nullptr; }, 60000,
              1);
    if (main_ && waitUntil([&] { return readyForTyping(); }, 60000, 1) && waitPainted(main_, 60000))
      startMs_ = nowMs() - start_;
    findText();
  }
  ~Running() {
    if (!pi_.hProcess) return;
    TerminateProcess(pi_.hProcess, 0);
    WaitForSingleObject(pi_.hProcess, 20000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  bool ok() const { return main_ && text_ && startMs_ > 0; }
  bool started() const { return main_ && startMs_ > 0; }
  double startMs() const { return startMs_; }
  HWND main() const { return main_; }
  HWND text() const { return text_; }
  HANDLE process() const { return pi_.hProcess; }
  DWORD pid() const { return pi_.dwProcessId; }
  DWORD thread() const { return pi_.dwThreadId; }
  // The multi-line text box; again after the program has made a new one.
  void findText() {
    text_ = nullptr;
    for (HWND h : treeOf(main_)) {
      if (_stricmp(classOf(h).c_str(), "Edit") == 0 &&
          (GetWindowLongA(h, GWL_STYLE) & ES_MULTILINE))
        text_ = h;
    }
  }

 private:
  // The main window is the active one of its thread, which has a focus window: keys go there.
  bool readyForTyping() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(pi_.dwThreadId, &info) && info.hwndActive == main_ && info.hwndFocus;
  }

  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr;
  HWND text_ = nullptr;
  double start_ = 0;
  double startMs_ = -1;
};

size_t textLength(HWND edit, UINT ms) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, ms, &length)) return SIZE_MAX;
  return length;
}

// Whether the text box holds the whole text. A program that takes the text in pieces answers
// meanwhile: its length, which the control works out over the whole text, is asked only once
// the line count has stopped growing, so that the asking does not slow the open.
class WholeText {
 public:
  explicit WholeText(const std::string& bytes) : wide_(wideLength(bytes)), bytes_(bytes.size()) {}
  bool shown(HWND edit) {
    DWORD_PTR lines = 0;
    if (!SendMessageTimeoutA(edit, EM_GETLINECOUNT, 0, 0, SMTO_NORMAL, 100, &lines)) return false;
    const bool still = lines == lines_;
    lines_ = lines;
    if (!still) return false;
    // Either count may come back, depending on how the control answers a Unicode caller.
    const size_t n = textLength(edit, 600000);
    return n == wide_ || n == bytes_;
  }

 private:
  size_t wide_, bytes_;
  DWORD_PTR lines_ = static_cast<DWORD_PTR>(-1);
};

// The dialog `app` shows within 20 s, or null.
HWND dialogOf(const Running& app) {
  HWND dialog = nullptr;
  waitUntil(
      [&] {
        return (dialog = findTop(app.pid(), [](HWND h) { return classOf(h) == "#32770"; })) !=
               nullptr;
      },
      20000);
  return dialog;
}

// Ctrl+<openKey>, the path into the dialog, confirm; the time of the confirmation, or -1.
double confirmOpen(const Program& program, Running& app, const std::string& path) {
  if (!bringForward(app.main())) return -1;
  ctrlKey(program.openKey);
  HWND dialog = dialogOf(app);
  if (!dialog) return -1;
  HWND name = GetDlgItem(dialog, 0x47C);        // cmb13 on Windows
  if (!name) name = GetDlgItem(dialog, 0x480);  // edt1 in Wine's dialog
  if (!name) return -1;
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  const double start = nowMs();
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return start;
}

// Opens `path`; milliseconds from the confirmation to the text shown, or -1. With `slowest`,
// a WM_NULL goes to the main window every 50 ms meanwhile and the slowest answer is kept (5 s
// for none within 5 s).
double openFile(const Program& program, Running& app, const std::string& path,
                const std::string& bytes, double* slowest = nullptr) {
  const double start = confirmOpen(program, app, path);
  if (start < 0) return -1;
  WholeText whole(bytes);
  if (!waitUntil(
          [&] {
            if (slowest) {
              const double asked = nowMs();
              DWORD_PTR result;
              const bool answered =
                  SendMessageTimeoutA(app.main(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
              *slowest = std::max(*slowest, answered ? nowMs() - asked : 5000.0);
            }
            return whole.shown(app.text());
          },
          900000, slowest ? 50 : 20))
    return -1;
  if (!waitPainted(app.main(), 60000)) return -1;
  return nowMs() - start;
}

// Ctrl+S; milliseconds until the file is rewritten and the command has returned, or -1.
double saveFile(Running& app, const std::string& path, const std::string& bytes, bool& same) {
  markOld(path);
  if (!bringForward(app.main())) return -1;
  const double start = nowMs();
  ctrlKey('S');
  if (!waitUntil([&] { return rewritten(path, bytes.size()); }, 900000, 1)) return -1;
  if (!sync(app.main())) return -1;
  const double ms = nowMs() - start;
  same = readAll(path) == bytes;
  return ms;
}

double peakWorkingSetMb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  if (!GetProcessMemoryInfo(process, &pmc, sizeof pmc)) return -1;
  return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// --- Repaint frames ------------------------------------------------------------------------

struct Frames {
  Stats same;       // full repaints at 1280 x 800
  Stats sweep;      // resize sweep 1280 x 800 <-> 640 x 400
  Stats sweepMove;  // of which SetWindowPos, with the window's WM_SIZE handling
};

Frames measureFrames(HWND top) {
  Frames f;
  SetWindowPos(top, nullptr, 0, 0, 1280, 800, SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateWindow(top);
  waitPainted(top, 10000);
  std::vector<double> samples;
  for (int i = 0; i < 200; ++i) {
    const double start = nowMs();
    RedrawWindow(top, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    sync(top);
    samples.push_back(nowMs() - start);
  }
  f.same = statsOf(samples);
  samples.clear();
  std::vector<double> moves;
  for (int step = 1; step <= 160; ++step) {
    const int k = step <= 80 ? step : 160 - step;
    const double start = nowMs();
    SetWindowPos(top, nullptr, 0, 0, 1280 - 8 * k, 800 - 5 * k, SWP_NOZORDER | SWP_NOACTIVATE);
    moves.push_back(nowMs() - start);
    UpdateWindow(top);
    sync(top);
    samples.push_back(nowMs() - start);
  }
  f.sweep = statsOf(samples);
  f.sweepMove = statsOf(moves);
  if (anyUpdateRegion(top)) log("  (update regions left after the sweep: frames may be short)\n");
  log("  frames: same size median %.1f worst %.1f; sweep median %.1f worst %.1f, of which "
      "SetWindowPos median %.1f worst %.1f ms\n",
      f.same.median, f.same.worst, f.sweep.median, f.sweep.worst, f.sweepMove.median,
      f.sweepMove.worst);
  return f;
}

LRESULT CALLBACK fillProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, message, wp, lp);
}

int fillWindowMain() {
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = fillProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "BenchFill";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "BenchFill", WS_OVERLAPPEDWINDOW, 0, 0, 728, 430,
                              nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

// The start-up floor: OLE and the common controls initialised, then a window of the main
// window's size with a multi-line EDIT child that has the focus.
int startFloorMain() {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSA wc{};
  wc.lpfnWndProc = fillProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "BenchStartFloor";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "BenchStartFloor", WS_OVERLAPPEDWINDOW, 50, 50,
                              728, 430, nullptr, nullptr, wc.hInstance, nullptr);
  HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0,
                              32, 712, 326, hwnd, nullptr, wc.hInstance, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  SetFocus(edit);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  OleUninitialize();
  return 0;
}

// --- Floors in this process ----------------------------------------------------------------

struct RawFloor {
  double read = 0, write = 0, writeFlushed = 0;
};

RawFloor rawFloor(const std::string& path, const std::string& scratch, int runs) {
  std::vector<double> reads, writes, flushed;
  for (int i = 0; i < runs; ++i) {
    double start = nowMs();
    std::string bytes = readAll(path);
    reads.push_back(nowMs() - start);
    start = nowMs();
    writeAll(scratch, bytes, false);
    writes.push_back(nowMs() - start);
    start = nowMs();
    writeAll(scratch, bytes, true);
    flushed.push_back(nowMs() - start);
  }
  DeleteFileA(scratch.c_str());
  return {statsOf(reads).median, statsOf(writes).median, statsOf(flushed).median};
}

// SetWindowTextA into a bare EDIT of InputBox's size and font, then its paint.
double editFloor(const std::string& bytes, bool wrap) {
  HWND frame = CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 728,
                               430, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (!wrap) style |= WS_HSCROLL | ES_AUTOHSCROLL;
  HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", style, 0, 32, 712, 326, frame, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  HFONT font =
      CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, 0, "");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  UpdateWindow(frame);
  const double start = nowMs();
  SetWindowTextA(edit, bytes.c_str());
  UpdateWindow(frame);
  const double ms = nowMs() - start;
  DestroyWindow(frame);
  DeleteObject(font);
  return ms;
}

// --- The run -------------------------------------------------------------------------------

struct FileResult {
  std::vector<double> open, save;
  bool savedSame = true;
  int failures = 0;
};

struct AppResult {
  std::map<std::string, FileResult> files;
  double peakMb = -1;
  double baseMb = -1;
  Frames frames;
};

void openAndSave(const Program& program, Running& app, const std::string& path,
                 const std::string& bytes, FileResult& out) {
  const double open = openFile(program, app, path, bytes);
  bool same = false;
  const double save = open < 0 ? -1 : saveFile(app, path, bytes, same);
  log("  %s %s: open %.0f ms, save %.0f ms%s\n", program.name.c_str(), path.c_str(), open, save,
      save >= 0 && !same ? " (saved bytes DIFFER)" : "");
  if (open < 0 || save < 0) {
    ++out.failures;
    return;
  }
  out.open.push_back(open);
  out.save.push_back(save);
  out.savedSame = out.savedSame && same;
}

struct Options {
  std::string quenlo, notepad, big, out;
  std::string baseline;  // another Quenlo.exe, measured in the same turns
  std::vector<std::string> files;
  std::vector<std::string> typing;  // files typed into
  std::string zoom;                 // the file of the zoom and font-size figures
  int runs = 5, bigRuns = 2, startRuns = 21, turns = 7, zoomTurns = 3;
  bool startOnly = false, typingOnly = false;
  bool opensOnly = false;
};

AppResult runProgram(const Program& program, const Options& o,
                     const std::map<std::string, std::string>& contents) {
  AppResult r;
  for (int run = 0; run < o.runs; ++run) {
    Running app(program);
    if (!app.ok()) {
      log("  %s: no main window\n", program.name.c_str());
      continue;
    }
    log("  %s start %.0f ms\n", program.name.c_str(), app.startMs());
    if (run == 0) {
      PROCESS_MEMORY_COUNTERS pmc{};
      pmc.cb = sizeof pmc;
      if (GetProcessMemoryInfo(app.process(), &pmc, sizeof pmc))
        r.baseMb = static_cast<double>(pmc.WorkingSetSize) / (1024.0 * 1024.0);
      r.frames = measureFrames(app.main());
    }
    for (const auto& path : o.files)
      openAndSave(program, app, path, contents.at(path), r.files[path]);
  }
  if (o.big.empty()) return r;
  for (int run = 0; run < o.bigRuns; ++run) {
    Running app(program);
    if (!app.ok()) continue;
    openAndSave(program, app, o.big, contents.at(o.big), r.files[o.big]);
    r.peakMb = std::max(r.peakMb, peakWorkingSetMb(app.process()));
  }
  return r;
}

std::string cell(double ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, ms >= 100 ? "%.0f" : "%.1f", ms);
  return buf;
}

std::string ratio(double a, double b) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", b > 0 ? a / b : 0.0);
  return buf;
}

// Start-up of each program, in turns; a run without a ready window is left out.
std::vector<Stats> startSideBySide(const std::vector<const Program*>& programs, int runs) {
  std::vector<std::vector<double>> samples(programs.size());
  for (int run = 0; run < runs; ++run) {
    for (size_t i = 0; i < programs.size(); ++i) {
      const std::string args = programs[i]->name == "floor" ? " --start-floor" : "";
      Running app(*programs[i], args);
      if (app.started()) samples[i].push_back(app.startMs());
    }
    log("  start run %d:", run + 1);
    for (size_t i = 0; i < programs.size(); ++i)
      log(" %s %.0f", programs[i]->name.c_str(), samples[i].empty() ? -1.0 : samples[i].back());
    log(" ms\n");
  }
  std::vector<Stats> stats;
  for (auto& s : samples) stats.push_back(statsOf(s));
  return stats;
}

// Rows for Quenlo (s[0]) and, when measured, the baseline (s[3]), against notepad (s[1]) and
// the floor (s[2]).
void startTable(FILE* out, const std::vector<Stats>& s) {
  for (size_t q : {size_t{0}, size_t{3}}) {
    if (q >= s.size()) continue;
    std::fprintf(out,
                 "| start until ready for typing%s (median of runs in turns) | %zu/%zu | %s | %s | "
                 "%s | OLE + common controls + EDIT %s |\n",
                 q ? ", baseline build" : "", s[q].count, s[1].count, cell(s[q].median).c_str(),
                 cell(s[1].median).c_str(), ratio(s[q].median, s[1].median).c_str(),
                 cell(s[2].median).c_str());
  }
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// --- Opens in turns ------------------------------------------------------------------------

struct Opened {
  std::vector<double> open, save, peak, slowest;
  bool savedSame = true;
};

// Each file opened and saved by each program in turns, in a fresh process each time; one table
// row per measure and file. Programs are Quenlo, the baseline (may be null) and notepad.
void opensInTurns(FILE* out, const std::vector<const Program*>& programs, const Options& o,
                  const std::map<std::string, std::string>& contents) {
  std::fprintf(out,
               "| measure (median) | runs | Quenlo | baseline | Notepad | Quenlo/Notepad | "
               "baseline/Notepad |\n|---|---|---|---|---|---|---|\n");
  for (const auto& path : o.files) {
    const std::string& bytes = contents.at(path);
    std::vector<Opened> results(programs.size());
    for (int run = 0; run < o.runs; ++run) {
      for (size_t i = 0; i < programs.size(); ++i) {
        if (!programs[i]) continue;  // no baseline given
        Running app(*programs[i]);
        if (!app.ok()) continue;
        double slowest = 0;
        const double open = openFile(*programs[i], app, path, bytes, &slowest);
        bool same = false;
        const double save = open < 0 ? -1 : saveFile(app, path, bytes, same);
        const double peak = peakWorkingSetMb(app.process());
        log("  %s %s: open %.0f ms (slowest answer %.0f ms), save %.0f ms, peak %.0f MB%s\n",
            programs[i]->name.c_str(), baseName(path).c_str(), open, slowest, save, peak,
            save >= 0 && !same ? " (saved bytes DIFFER)" : "");
        if (open < 0 || save < 0) continue;
        Opened& r = results[i];
        r.open.push_back(open);
        r.save.push_back(save);
        r.peak.push_back(peak);
        r.slowest.push_back(slowest);
        r.savedSame = r.savedSame && same;
      }
    }
    const struct {
      const char* what;
      std::vector<double> Opened::*samples;
    } rows[] = {
        {"open %s until shown (ms)", &Opened::open},
        {"save %s, Ctrl+S (ms)", &Opened::save},
        {"peak working set, %s opened and saved (MB)", &Opened::peak},
        {"slowest answer to WM_NULL while %s opens (ms; 5000: none in 5 s)", &Opened::slowest}};
    for (const auto& row : rows) {
      char what[160];
      std::snprintf(what, sizeof what, row.what, baseName(path).c_str());
      const Stats q = statsOf(results[0].*row.samples), b = statsOf(results[1].*row.samples),
                  n = statsOf(results[2].*row.samples);
      std::fprintf(out, "| %s%s | %zu/%zu/%zu | %s | %s | %s | %s | %s |\n", what,
                   results[0].savedSame && results[1].savedSame && results[2].savedSame
                       ? ""
                       : " **bytes differ**",
                   q.count, b.count, n.count, cell(q.median).c_str(), cell(b.median).c_str(),
                   cell(n.median).c_str(), ratio(q.median, n.median).c_str(),
                   ratio(b.median, n.median).c_str());
    }
  }
}

void tableHead(FILE* out) {
  std::fprintf(out,
               "| measure (median, ms) | runs | Quenlo | Notepad | Quenlo/Notepad | floor |\n");
  std::fprintf(out, "|---|---|---|---|---|---|\n");
}

void table(FILE* out, const Options& o, const AppResult& q, const AppResult& n, const Frames& fill,
           const std::map<std::string, std::string>& contents) {
  std::vector<std::string> all = o.files;
  if (!o.big.empty()) all.push_back(o.big);
  if (!all.empty()) editFloor(contents.at(all.front()), true);  // fonts and caches warm
  for (const auto& path : all) {
    const std::string& bytes = contents.at(path);
    const int runs = path == o.big ? 1 : 3;
    const RawFloor raw = rawFloor(path, path + ".floor", runs);
    const double wrapFloor = editFloor(bytes, true);
    const double plainFloor = editFloor(bytes, false);
    const FileResult& qf = q.files.count(path) ? q.files.at(path) : FileResult{};
    const FileResult& nf = n.files.count(path) ? n.files.at(path) : FileResult{};
    const Stats qo = statsOf(qf.open), no = statsOf(nf.open);
    const Stats qv = statsOf(qf.save), nv = statsOf(nf.save);
    const std::string name = baseName(path);
    std::fprintf(out,
                 "| open %s until shown | %zu/%zu | %s | %s | %s | ReadFile %s; EDIT load %s "
                 "wrapping, %s not |\n",
                 name.c_str(), qo.count, no.count, cell(qo.median).c_str(), cell(no.median).c_str(),
                 ratio(qo.median, no.median).c_str(), cell(raw.read).c_str(),
                 cell(wrapFloor).c_str(), cell(plainFloor).c_str());
    std::fprintf(out, "| save %s (Ctrl+S)%s | %zu/%zu | %s | %s | %s | WriteFile %s; +flush %s |\n",
                 name.c_str(), qf.savedSame && nf.savedSame ? "" : " **bytes differ**", qv.count,
                 nv.count, cell(qv.median).c_str(), cell(nv.median).c_str(),
                 ratio(qv.median, nv.median).c_str(), cell(raw.write).c_str(),
                 cell(raw.writeFlushed).c_str());
    log("floors %s: read %.1f, write %.1f, write+flush %.1f, EDIT wrap %.0f, no wrap %.0f ms\n",
        name.c_str(), raw.read, raw.write, raw.writeFlushed, wrapFloor, plainFloor);
  }
  if (!o.big.empty()) {
    std::fprintf(out,
                 "| peak working set with %s open and saved (MB) | %d/%d | %.0f | %.0f | %s | "
                 "file %.0f MB |\n",
                 baseName(o.big).c_str(), o.bigRuns, o.bigRuns, q.peakMb, n.peakMb,
                 ratio(q.peakMb, n.peakMb).c_str(), contents.at(o.big).size() / 1048576.0);
  }
  std::fprintf(out, "| working set after start (MB) | 1/1 | %.0f | %.0f | %s | |\n", q.baseMb,
               n.baseMb, ratio(q.baseMb, n.baseMb).c_str());
  std::fprintf(out, "| repaint 1280x800, 200 frames: median | 1/1 | %s | %s | %s | fill %s |\n",
               cell(q.frames.same.median).c_str(), cell(n.frames.same.median).c_str(),
               ratio(q.frames.same.median, n.frames.same.median).c_str(),
               cell(fill.same.median).c_str());
  std::fprintf(out, "| repaint 1280x800, 200 frames: worst | 1/1 | %s | %s | %s | fill %s |\n",
               cell(q.frames.same.worst).c_str(), cell(n.frames.same.worst).c_str(),
               ratio(q.frames.same.worst, n.frames.same.worst).c_str(),
               cell(fill.same.worst).c_str());
  std::fprintf(out, "| resize sweep, 160 frames: median | 1/1 | %s | %s | %s | fill %s |\n",
               cell(q.frames.sweep.median).c_str(), cell(n.frames.sweep.median).c_str(),
               ratio(q.frames.sweep.median, n.frames.sweep.median).c_str(),
               cell(fill.sweep.median).c_str());
  std::fprintf(out, "| resize sweep, 160 frames: worst | 1/1 | %s | %s | %s | fill %s |\n",
               cell(q.frames.sweep.worst).c_str(), cell(n.frames.sweep.worst).c_str(),
               ratio(q.frames.sweep.worst, n.frames.sweep.worst).c_str(),
               cell(fill.sweep.worst).c_str());
}

// --- Typing and zoom -----------------------------------------------------------------------

void focusText(Running& app) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(app.thread(), &info) && info.hwndFocus == app.text()) return;
  RECT r;
  GetWindowRect(app.text(), &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
  sync(app.main());
}

bool inFront(Running& app) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetForegroundWindow() == app.main() && GetGUIThreadInfo(app.thread(), &info) &&
         info.hwndFocus == app.text();
}

// The program in front with its text box focused, and still so a moment later: Wine carries
// out a change of the foreground window late, and an earlier one may still land.
bool readyToType(Running& app) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (!bringForward(app.main())) continue;
    focusText(app);
    Sleep(100);
    if (inFront(app)) return true;
  }
  return false;
}

// Notepad's "编辑" menu holds "自动换行(W)" and "字体(F)..."; SC_KEYMENU opens it by its letter.
bool notepadMenuItem(Running& app, WORD item) {
  if (!readyToType(app)) return false;
  PostMessageA(app.main(), WM_SYSCOMMAND, SC_KEYMENU, 'e');
  if (!waitUntil(
          [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(app.thread(), &info) && (info.flags & GUI_INMENUMODE);
          },
          20000))
    return false;
  INPUT keys[2] = {keyInput(item, true), keyInput(item, false)};
  SendInput(2, keys, sizeof(INPUT));
  return true;
}

bool notepadWraps(HWND text) { return !(GetWindowLongA(text, GWL_STYLE) & ES_AUTOHSCROLL); }

// Turning the wrap on or off gives notepad a new text box.
bool setNotepadWrap(Running& app, bool wrap) {
  if (notepadWraps(app.text()) == wrap) return true;
  const LRESULT limit = SendMessageA(app.text(), EM_GETLIMITTEXT, 0, 0);
  if (!notepadMenuItem(app, 'W')) return false;
  if (!waitUntil(
          [&] {
            app.findText();
            return app.text() && notepadWraps(app.text()) == wrap;
          },
          600000, 20))
    return false;
  // Wine's notepad leaves the new box at the default limit of 30,000 characters, past which
  // it refuses typing; the first box had its limit raised.
  SendMessageA(app.text(), EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
  return sync(app.main()) && waitPainted(app.main(), 600000);
}

DWORD_PTR ask(HWND text, UINT message, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(text, message, wp, lp, SMTO_NORMAL, 900000, &result);
  return result;
}

// The height of the lines the text box shows and the width of the first four characters of
// the first: what a new font size changes. (WM_GETFONT does not answer another process in
// Wine.)
int64_t lineMetrics(HWND text) {
  const DWORD_PTR first = ask(text, EM_GETFIRSTVISIBLELINE, 0, 0);
  const DWORD_PTR start = ask(text, EM_LINEINDEX, first, 0);
  const DWORD_PTR next = ask(text, EM_POSFROMCHAR, ask(text, EM_LINEINDEX, first + 1, 0), 0);
  const DWORD_PTR at = ask(text, EM_POSFROMCHAR, start, 0);
  const DWORD_PTR fourth = ask(text, EM_POSFROMCHAR, start + 4, 0);
  return int64_t{HIWORD(next) - HIWORD(at)} << 32 | (LOWORD(fourth) - LOWORD(at));
}

// Milliseconds from `start` until the text box shows other line metrics than `before`, painted.
double untilRefonted(Running& app, int64_t before, double start, int ms = 900000) {
  if (!waitUntil([&] { return lineMetrics(app.text()) != before; }, ms, 1)) return -1;
  if (!waitPainted(app.main(), 600000)) return -1;
  return nowMs() - start;
}

// The face that Quenlo's text box font (size 18, no face named) comes out as.
std::wstring quenloFace() {
  HFONT font =
      CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, 0, "");
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return face;
}

// Chooses `face` in the font dialog's list of faces, as a click would.
void chooseFace(HWND dialog, const std::wstring& face) {
  HWND faces = GetDlgItem(dialog, 0x470);  // cmb1
  const auto count = static_cast<int>(SendMessageW(faces, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t name[LF_FACESIZE * 2] = {};
    if (SendMessageW(faces, CB_GETLBTEXTLEN, i, 0) >= LF_FACESIZE * 2) continue;
    SendMessageW(faces, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    if (face != name) continue;
    SendMessageW(faces, CB_SETCURSEL, i, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(faces));
    return;
  }
}

// Chooses `points` in the font dialog's list of sizes, as a click would. Typed into its box
// alone, a size counts only while nothing in the list is chosen: the second change, with the
// first size chosen in the list, kept that size and never showed.
void chooseSize(HWND dialog, int points) {
  HWND sizes = GetDlgItem(dialog, 0x472);  // cmb3
  const std::string size = std::to_string(points);
  const LRESULT at = SendMessageA(sizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(size.c_str()));
  SendMessageA(sizes, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  if (at == CB_ERR) SendMessageA(sizes, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(size.c_str()));
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x472, at == CB_ERR ? CBN_EDITCHANGE : CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(sizes));
}

// Notepad's font dialog: Quenlo's face and `points` chosen in it, confirmed.
double notepadFontChange(Running& app, int points) {
  if (!notepadMenuItem(app, 'F')) return -1;
  HWND dialog = dialogOf(app);
  if (!dialog) return -1;
  static const std::wstring face = quenloFace();
  chooseFace(dialog, face);
  chooseSize(dialog, points);
  const int64_t before = lineMetrics(app.text());
  const double start = nowMs();
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  // Wine's dialog at times closes without a new font: a failed turn, not a wait of minutes.
  return untilRefonted(app, before, start, 60000);
}

// One notch away from the user over Quenlo's text box, with Ctrl held down in it.
double quenloWheel(Running& app) {
  if (!readyToType(app)) return -1;
  RECT r;
  GetWindowRect(app.text(), &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT ctrl = keyInput(VK_CONTROL, true);
  SendInput(1, &ctrl, sizeof ctrl);
  sync(app.main());
  const int64_t before = lineMetrics(app.text());
  INPUT wheel{};
  wheel.type = INPUT_MOUSE;
  wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
  wheel.mi.mouseData = WHEEL_DELTA;
  const double start = nowMs();
  SendInput(1, &wheel, sizeof wheel);
  const double ms = untilRefonted(app, before, start);
  ctrl = keyInput(VK_CONTROL, false);
  SendInput(1, &ctrl, sizeof ctrl);
  sync(app.main());
  return ms;
}

// A font-size item of Quenlo's menu bar, by its place in it.
double quenloMenuSize(Running& app, int position) {
  const int64_t before = lineMetrics(app.text());
  const double start = nowMs();
  PostMessageA(app.main(), WM_COMMAND, MAKEWPARAM(20000 + position, 0), 0);
  return untilRefonted(app, before, start);
}

// The caret at the start of the line holding character `at` (as the control counts), shown.
bool placeCaret(Running& app, size_t at) {
  if (!readyToType(app)) return false;
  const DWORD_PTR line = ask(app.text(), EM_LINEFROMCHAR, at, 0);
  const DWORD_PTR start = ask(app.text(), EM_LINEINDEX, line, 0);
  ask(app.text(), EM_SETSEL, start, start);
  ask(app.text(), EM_SCROLLCARET, 0, 0);
  return waitPainted(app.main(), 600000);
}

// The caret's position, in 16 bits: EM_GETSEL answers another process in its return value.
// Asked instead of the text's length, which for a box with an ANSI window procedure Wine
// answers to a Unicode caller by fetching and converting the whole text: a poll that costs
// tens of milliseconds in a big document would be timed as the keystroke's.
WORD caret(HWND text) { return LOWORD(ask(text, EM_GETSEL, 0, 0)); }

// One 'x' typed: milliseconds until the caret has moved past it and the window tree has been
// painted. Backspace then takes it back, untimed.
double keystroke(Running& app) {
  const WORD before = caret(app.text());
  if (!inFront(app)) return -1;
  INPUT keys[2] = {keyInput('X', true), keyInput('X', false)};
  const double start = nowMs();
  SendInput(2, keys, sizeof(INPUT));
  if (!waitUntil([&] { return caret(app.text()) == static_cast<WORD>(before + 1); }, 60000, 0)) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(app.thread(), &info);
    log("  (the text box did not take the key: caret %u, was %u; focus %p, text box %p, "
        "foreground %p %s %s)\n",
        caret(app.text()), before, static_cast<void*>(info.hwndFocus),
        static_cast<void*>(app.text()), static_cast<void*>(GetForegroundWindow()),
        classOf(GetForegroundWindow()).c_str(), captionOf(GetForegroundWindow()).c_str());
    return -1;
  }
  if (!waitPainted(app.main(), 600000)) return -1;
  const double ms = nowMs() - start;
  keys[0] = keyInput(VK_BACK, true);
  keys[1] = keyInput(VK_BACK, false);
  SendInput(2, keys, sizeof(INPUT));
  waitUntil([&] { return caret(app.text()) == before; }, 600000, 1);
  waitPainted(app.main(), 600000);
  return ms;
}

struct Typist {
  const Program* program;
  std::string label;
  bool wrap;  // notepad's setting; Quenlo always wraps
  std::unique_ptr<Running> app;
};

// Each program started with `path` open, in the wrap setting asked for.
bool openForTyping(std::vector<Typist>& typists, const std::string& path,
                   const std::string& bytes) {
  for (Typist& t : typists) {
    t.app = std::make_unique<Running>(*t.program);
    if (!t.app->ok() || openFile(*t.program, *t.app, path, bytes) < 0) {
      log("  %s: %s did not open\n", t.label.c_str(), path.c_str());
      return false;
    }
    if (t.program->openKey == 'O' && !setNotepadWrap(*t.app, t.wrap)) {
      log("  %s: the wrap could not be set\n", t.label.c_str());
      return false;
    }
    log("  %s: opened\n", t.label.c_str());
  }
  return true;
}

struct TypingRow {
  std::string measure;
  std::vector<std::vector<double>> samples;  // per typist
};

// Keystrokes near the top, the middle and the end of each file, in turns.
std::vector<TypingRow> measureTyping(std::vector<Typist>& typists,
                                     const std::vector<std::string>& files,
                                     const std::map<std::string, std::string>& contents,
                                     int turns) {
  std::vector<TypingRow> rows;
  for (const auto& path : files) {
    log("Typing into %s\n", path.c_str());
    if (!openForTyping(typists, path, contents.at(path))) continue;
    const size_t length = wideLength(contents.at(path));
    const std::pair<const char*, size_t> places[] = {
        {"top", 200}, {"middle", length / 2}, {"end", length > 0 ? length - 1 : 0}};
    for (const auto& [where, at] : places) {
      TypingRow row{"keystroke until painted, " + baseName(path) + ", " + where,
                    std::vector<std::vector<double>>(typists.size())};
      for (int turn = 0; turn < turns; ++turn) {
        for (size_t i = 0; i < typists.size(); ++i) {
          Running& app = *typists[i].app;
          double ms = -1;
          for (int attempt = 0; attempt < 3 && ms < 0; ++attempt)
            ms = placeCaret(app, at) ? keystroke(app) : -1;
          if (ms >= 0) row.samples[i].push_back(ms);
          log("  %s %s: %.1f ms\n", typists[i].label.c_str(), where, ms);
        }
      }
      rows.push_back(std::move(row));
    }
    for (Typist& t : typists) t.app.reset();
  }
  return rows;
}

// Quenlo: one Ctrl+wheel notch (18 to 19 points) and "B18" (back to 18); notepad: its font
// dialog, 19 and 18 points, with and without wrap.
std::vector<TypingRow> measureZoom(std::vector<Typist>& typists, const std::string& path,
                                   const std::string& bytes, int turns) {
  constexpr int kSizeB18 = 10;
  log("Zoom and font sizes in %s\n", path.c_str());
  if (!openForTyping(typists, path, bytes)) return {};
  TypingRow wheel{"Ctrl+wheel one notch / notepad font 19 pt, " + baseName(path),
                  std::vector<std::vector<double>>(typists.size())};
  TypingRow menu{"\"B18\" / notepad font 18 pt, " + baseName(path),
                 std::vector<std::vector<double>>(typists.size())};
  for (int turn = 0; turn < turns; ++turn) {
    for (size_t i = 0; i < typists.size(); ++i) {
      Running& app = *typists[i].app;
      const bool isNotepad = typists[i].program->openKey == 'O';
      // The line heights show which sizes the changes reached.
      const double up = isNotepad ? notepadFontChange(app, 19) : quenloWheel(app);
      const auto upHeight = lineMetrics(app.text()) >> 32;
      const double back = isNotepad ? notepadFontChange(app, 18) : quenloMenuSize(app, kSizeB18);
      const auto backHeight = lineMetrics(app.text()) >> 32;
      if (up >= 0) wheel.samples[i].push_back(up);
      if (back >= 0) menu.samples[i].push_back(back);
      log("  %s: %.0f ms, %.0f ms (lines of %d and %d pixels)\n", typists[i].label.c_str(), up,
          back, static_cast<int>(upHeight), static_cast<int>(backHeight));
    }
  }
  for (Typist& t : typists) t.app.reset();
  return {wheel, menu};
}

// Quenlo (typists[0]) against notepad (typists[1]); the others go into the last column.
void typingTable(FILE* out, const std::vector<Typist>& typists,
                 const std::vector<TypingRow>& rows) {
  for (const TypingRow& row : rows) {
    std::vector<Stats> s;
    for (const auto& samples : row.samples) s.push_back(statsOf(samples));
    std::string others;
    for (size_t i = 2; i < s.size(); ++i)
      others += (others.empty() ? "" : "; ") + typists[i].label + " " + cell(s[i].median);
    std::fprintf(out, "| %s (median of turns) | %zu/%zu | %s | %s | %s | %s |\n",
                 row.measure.c_str(), s[0].count, s[1].count, cell(s[0].median).c_str(),
                 cell(s[1].median).c_str(), ratio(s[0].median, s[1].median).c_str(),
                 others.c_str());
  }
}

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> parts;
  size_t from = 0;
  while (from <= list.size()) {
    size_t comma = list.find(',', from);
    if (comma == std::string::npos) comma = list.size();
    if (comma > from) parts.push_back(list.substr(from, comma - from));
    from = comma + 1;
  }
  return parts;
}

std::string folderOf(const std::string& exe) {
  const size_t slash = exe.find_last_of("\\/");
  return slash == std::string::npos ? "." : exe.substr(0, slash);
}

std::string fullPath(const std::string& path) {
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n && n < MAX_PATH ? std::string(full) : path;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--fill-window") return fillWindowMain();
    if (arg == "--start-floor") return startFloorMain();
    if (arg == "--start-only" || arg == "--typing-only") {
      (arg == "--start-only" ? o.startOnly : o.typingOnly) = true;
      continue;
    }
    if (arg == "--opens-only") {
      o.opensOnly = true;
      continue;
    }
    if (i + 1 >= argc) break;
    if (arg == "--quenlo") o.quenlo = fullPath(argv[++i]);
    if (arg == "--notepad") o.notepad = argv[++i];
    if (arg == "--baseline") o.baseline = fullPath(argv[++i]);
    if (arg == "--files") o.files = split(argv[++i]);
    if (arg == "--big") o.big = fullPath(argv[++i]);
    if (arg == "--runs") o.runs = std::max(1, std::atoi(argv[++i]));
    if (arg == "--big-runs") o.bigRuns = std::max(1, std::atoi(argv[++i]));
    if (arg == "--start-runs") o.startRuns = std::max(1, std::atoi(argv[++i]));
    if (arg == "--out") o.out = argv[++i];
    if (arg == "--typing") o.typing = split(argv[++i]);
    if (arg == "--zoom") o.zoom = fullPath(argv[++i]);
    if (arg == "--turns") o.turns = std::max(1, std::atoi(argv[++i]));
    if (arg == "--zoom-turns") o.zoomTurns = std::max(1, std::atoi(argv[++i]));
  }
  if (o.quenlo.empty() || o.notepad.empty()) {
    std::fprintf(stderr,
                 "usage: notepad_bench --quenlo Quenlo.exe --notepad notepad.exe --files a,b "
                 "[--big c] [--runs 5] [--big-runs 2] [--start-runs 21] [--start-only] "
                 "[--typing a,b] [--zoom c] [--turns 7] [--zoom-turns 3] [--typing-only] "
                 "[--out table.md]\n");
    return 2;
  }
  for (auto& f : o.files) f = fullPath(f);
  for (auto& f : o.typing) f = fullPath(f);
  std::map<std::string, std::string> contents;
  for (const auto& f : o.files) contents[f] = readAll(f);
  for (const auto& f : o.typing) contents[f] = readAll(f);
  if (!o.big.empty()) contents[o.big] = readAll(o.big);
  if (!o.zoom.empty()) contents[o.zoom] = readAll(o.zoom);

  const Program quenlo{"Quenlo", o.quenlo, folderOf(o.quenlo), 'D',
                       [](HWND h) { return captionOf(h) == "Quenlo3.0"; }};
  const Program notepad{"Notepad", o.notepad, folderOf(o.quenlo), 'O',
                        [](HWND h) { return classOf(h) == "Notepad"; }};
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const Program fill{"fill", self, folderOf(o.quenlo), 0,
                     [](HWND h) { return classOf(h) == "BenchFill"; }};

  const Program floor{"floor", self, folderOf(o.quenlo), 0,
                      [](HWND h) { return classOf(h) == "BenchStartFloor"; }};

  const Program baseline{"baseline", o.baseline, folderOf(o.baseline), 'D', quenlo.isMain};
  if (o.opensOnly) {
    FILE* out = o.out.empty() ? stdout : std::fopen(o.out.c_str(), "w");
    if (!out) return 1;
    opensInTurns(out, {&quenlo, o.baseline.empty() ? nullptr : &baseline, &notepad}, o, contents);
    if (out != stdout) std::fclose(out);
    return 0;
  }
  std::vector<Stats> starts;
  if (!o.typingOnly) {
    log("Start-up, in turns\n");
    std::vector<const Program*> starters = {&quenlo, &notepad, &floor};
    if (!o.baseline.empty()) starters.push_back(&baseline);
    starts = startSideBySide(starters, o.startRuns);
  }
  FILE* out = o.out.empty() ? stdout : std::fopen(o.out.c_str(), "w");
  if (!out) return 1;
  tableHead(out);
  if (!o.typingOnly) startTable(out, starts);
  if (!o.startOnly && !o.typingOnly) {
    log("Quenlo\n");
    const AppResult q = runProgram(quenlo, o, contents);
    log("Notepad\n");
    const AppResult n = runProgram(notepad, o, contents);
    Frames fillFrames;
    {
      Running fillWindow(fill, " --fill-window");
      if (fillWindow.main()) fillFrames = measureFrames(fillWindow.main());
    }
    table(out, o, q, n, fillFrames, contents);
  }
  if (!o.startOnly) {
    std::vector<Typist> typists;
    typists.push_back({&quenlo, "Quenlo", true, nullptr});
    typists.push_back({&notepad, "notepad without wrap", false, nullptr});
    if (!o.baseline.empty()) typists.push_back({&baseline, "baseline", true, nullptr});
    typingTable(out, typists, measureTyping(typists, o.typing, contents, o.turns));
    if (!o.zoom.empty()) {
      typists.insert(typists.begin() + 1, Typist{&notepad, "notepad", true, nullptr});
      typingTable(out, typists, measureZoom(typists, o.zoom, contents.at(o.zoom), o.zoomTurns));
    }
  }
  if (out != stdout) std::fclose(out);
  return 0;
}
