#include "tests/e2e/quenlo_app.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct WindowSearch {
  DWORD pid;
  const char* className;
  const char* title;
  HWND found;
};

BOOL CALLBACK findTopLevel(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != s->pid || !IsWindowVisible(h)) return TRUE;
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (s->className && std::strcmp(cls, s->className) != 0) return TRUE;
  if (s->title && windowText(h) != s->title) return TRUE;
  s->found = h;
  return FALSE;
}

INPUT keyInput(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  return in;
}

void settle() { Sleep(60); }

}  // namespace

HWND topLevelOf(DWORD pid, const char* className, const char* title) {
  WindowSearch s{pid, className, title, nullptr};
  EnumWindows(&findTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void clickAt(int x, int y) {
  SetCursorPos(x, y);
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
}

std::string windowText(HWND h) {
  char text[65536];
  LRESULT n = SendMessageA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

SIZE inputBoxTextSize(int points, bool bold, bool italic, const char* sample) {
  HDC screen = GetDC(nullptr);
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = PROOF_QUALITY;
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(screen, &tm);
  SIZE extent{};
  GetTextExtentPoint32A(screen, sample, static_cast<int>(std::strlen(sample)), &extent);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return {extent.cx, tm.tmHeight};
}

RECT rectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

bool fileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool waitUntil(const std::function<bool()>& done, int ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(ms);) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

QuenloApp::QuenloApp(int startMs)
    : folder_(makeTempFolder("quenlo-app-")),
      cwd_(makeTempFolder("quenlo-cwd-")),
      startMs_(startMs) {
  start();
}

QuenloApp::QuenloApp(const std::string& folder, const std::string& workingDir)
    : folder_(folder), cwd_(workingDir), ownsFolders_(false) {
  start();
}

bool QuenloApp::restart() {
  if (process_.hProcess) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) return false;
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
  }
  main_ = input_ = path_ = status_ = nullptr;
  start();
  return started();
}

// The build's own program, unless QUENLO_E2E_PROGRAM names another: the 32-bit program is driven
// from this 64-bit driver where only it may go through the emulator.
static const char* programUnderTest() {
  const char* other = std::getenv("QUENLO_E2E_PROGRAM");
  return other && *other ? other : QUENLO_EXE;
}

void QuenloApp::start() {
  std::string exe = inFolder("Quenlo.exe");
  // Another instance may be running from the folder, holding the program file.
  if (!CopyFileA(programUnderTest(), exe.c_str(), FALSE) && !fileExists(exe)) return;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string command = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      cwd_.c_str(), &si, &process_))
    return;
  const DWORD pid = process_.dwProcessId;
  waitUntil([&] { return (main_ = topLevelOf(pid, nullptr, "Quenlo3.0")) != nullptr; }, startMs_);
  if (main_) findControls();
  // Ready once the start-up message is shown and the window is in front.
  waitUntil([&] { return status_ && !status().empty(); }, std::max(10000, startMs_));
  if (main_) SetForegroundWindow(main_);
  waitUntil([&] { return GetForegroundWindow() == main_; }, std::max(3000, startMs_));
  settle();
}

QuenloApp::~QuenloApp() {
  if (process_.hProcess) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  if (!ownsFolders_) return;
  removeFolder(folder_);
  removeFolder(cwd_);
}

void QuenloApp::findControls() {
  for (HWND c = GetWindow(main_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[64] = {};
    GetClassNameA(c, cls, sizeof cls);
    if (_stricmp(cls, "Edit") == 0) {
      (GetWindowLongA(c, GWL_STYLE) & ES_MULTILINE ? input_ : path_) = c;
    } else if (_stricmp(cls, STATUSCLASSNAMEA) == 0) {
      status_ = c;
    }
  }
}

std::string QuenloApp::status() const { return windowText(status_); }

void QuenloApp::chooseMenu(int position) {
  PostMessageA(main_, WM_COMMAND, MAKEWPARAM(20000 + position, 0), 0);
  settle();
}

HWND QuenloApp::focusedControl() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

bool QuenloApp::inMenu() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(process_.dwThreadId, &info) &&
         (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE));
}

// Clicks until the control reports the focus: a click that arrives while the window is still
// being brought forward may be lost.
void QuenloApp::focus(HWND control, int ms) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    SetForegroundWindow(main_);
    waitUntil([&] { return GetForegroundWindow() == main_; }, 3 * ms);
    RECT r;
    GetWindowRect(control, &r);
    clickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (!waitUntil([&] { return focusedControl() == control; }, ms)) continue;
    Sleep(150);  // a late activation may still hand the focus back to the last control
    if (focusedControl() == control) break;
  }
}

void QuenloApp::key(WORD vk, bool down, bool settle) {
  INPUT in = keyInput(vk, down);
  SendInput(1, &in, sizeof in);
  if (settle) ::settle();
}

void QuenloApp::ctrlPress(WORD vk) {
  key(VK_CONTROL, true);
  press(vk);
  key(VK_CONTROL, false);
}

void QuenloApp::type(const std::string& ascii) {
  for (char c : ascii) {
    if (c == '\n') {
      press(VK_RETURN);
    } else {
      SHORT vk = VkKeyScanA(c);
      bool shift = (vk >> 8) & 1;
      if (shift) key(VK_SHIFT, true);
      press(static_cast<WORD>(vk & 0xFF));
      if (shift) key(VK_SHIFT, false);
    }
  }
}

void QuenloApp::wheel(HWND over, int delta) {
  RECT r;
  GetWindowRect(over, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_WHEEL;
  in.mi.mouseData = static_cast<DWORD>(delta);
  SendInput(1, &in, sizeof in);
  settle();
}

HWND QuenloApp::waitForDialog(const char* title, int ms) const {
  HWND dialog = nullptr;
  waitUntil([&] { return (dialog = topLevelOf(process_.dwProcessId, "#32770", title)) != nullptr; },
            ms);
  return dialog;
}

void QuenloApp::confirmFileDialog(HWND dialog, const std::string& path) {
  // The file name box is a combo box on Windows and an edit in Wine's dialog.
  HWND name = GetDlgItem(dialog, 0x47C);        // cmb13
  if (!name) name = GetDlgItem(dialog, 0x480);  // edt1
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

DWORD QuenloApp::close() {
  PostMessageA(main_, WM_CLOSE, 0, 0);
  return waitForExit();
}

DWORD QuenloApp::waitForExit(int ms) {
  if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return static_cast<DWORD>(-2);
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

void QuenloApp::paste(const std::string& text) {
  // The clipboard needs an owner window for SetClipboardData to take the text.
  HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (OpenClipboard(owner)) {
    EmptyClipboard();
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
      std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
      GlobalUnlock(block);
      if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
  }
  DestroyWindow(owner);
  ctrlPress('V');
}

void QuenloApp::command(int position) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(main_, WM_COMMAND, MAKEWPARAM(20000 + position, 0), 0, SMTO_NORMAL, 60000,
                      &result);
}

bool QuenloApp::sync(int ms) const {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

bool QuenloApp::openThroughDialog(const std::string& path, int ms) {
  chooseMenu(1);
  HWND dialog = waitForDialog();
  if (!dialog) return false;
  confirmFileDialog(dialog, path);
  // The command goes on after the dialog is gone; a sent message waits until it has ended, or,
  // in a long open, is answered while the text goes in and the status says so.
  return waitUntil([&] { return !IsWindow(dialog); }, ms) && sync(ms) &&
         waitUntil([&] { return status() != "正在打开文件…"; }, ms) && sync(ms);
}

bool QuenloApp::chooseByKeyboard(int title, int item, WORD opener) {
  SetForegroundWindow(main_);
  waitUntil([&] { return GetForegroundWindow() == main_; }, 3000);
  press(opener);
  if (!waitUntil([&] { return inMenu(); }, 5000)) return false;
  for (int i = 0; i < title; ++i) press(VK_RIGHT);
  press(VK_DOWN);
  for (int i = 0; i < item; ++i) press(VK_DOWN);
  press(VK_RETURN);
  return waitUntil([&] { return !inMenu(); }, 5000);
}
