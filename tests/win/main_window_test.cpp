#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "app/handlers.h"
#include "app/main_window.h"
#include "app/program_entry.h"
#include "form/form_codec.h"
#include "runtime/heap.h"
#include "tests/win/test_support.h"
#include "ui/components/trans_label/trans_label.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

// MainWindow as the program builds it from its embedded form, driven through its handlers and
// real window messages inside this process (menus cannot be read from another process).
namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string windowText(HWND h) {
  int n = GetWindowTextLengthA(h);
  std::string s(n + 1, '\0');
  GetWindowTextA(h, s.data(), n + 1);
  s.resize(n);
  return s;
}

// Small blocks of the runtime heap, filled with "J" and freed, for the next texts to land among.
void litterTheHeap() {
  void* blocks[64];
  for (void*& b : blocks) std::memset(b = runtimeAlloc(5), 'J', 5);
  for (void* b : blocks) runtimeFree(b);
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, previousDir_);
    SetCurrentDirectoryA(dir_.path().c_str());
    std::string block = readAll(std::string(QUENLO_ASSETS) + "/MainWindow.bin");
    ASSERT_FALSE(block.empty());
    form_ = std::make_unique<FormDescription>();
    ASSERT_TRUE(decodeForm(reinterpret_cast<const uint8_t*>(block.data()), block.size(),
                           applicationHandlers().size(), *form_));
    setHandlerTable(applicationHandlers());
    setForm(form_.get());
    ASSERT_TRUE(loadWindow(MainWindow, false, nullptr));
    pumpMessages();
  }
  void TearDown() override {
    if (LoadedWindow* w = findLoadedWindow(MainWindow)) DestroyWindow(w->hwnd());
    pumpMessages();
    SetCurrentDirectoryA(previousDir_);
  }

  HWND main() { return findLoadedWindow(MainWindow)->hwnd(); }
  HWND control(UnitId unit) { return resolveUnit(MainWindow, unit)->hwnd(); }
  RECT clientRectOf(UnitId unit) {
    RECT r;
    GetWindowRect(control(unit), &r);
    MapWindowPoints(nullptr, main(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  std::string status() {
    char text[512] = {};
    SendMessageA(control(StatusBar1), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
  }
  std::string content(UnitId box) { return readProperty(MainWindow, box, Content).c_str(); }
  int fontSize() { return readProperty(MainWindow, InputBox, Font, FontSize).asInt(); }

  TempFolder dir_;
  char previousDir_[MAX_PATH] = {};
  std::unique_ptr<FormDescription> form_;
};

TEST_F(MainWindowTest, StartsAsTheUserSeesIt) {
  EXPECT_EQ(windowText(main()), "Quenlo3.0");
  RECT r;
  GetWindowRect(main(), &r);
  EXPECT_EQ(r.right - r.left, 728);
  EXPECT_EQ(r.bottom - r.top, 430);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 728) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 430) / 2);

  RECT input = clientRectOf(InputBox);
  EXPECT_EQ(input.left, 0);
  EXPECT_EQ(input.top, 32);
  EXPECT_EQ(input.right - input.left, 728);
  EXPECT_EQ(input.bottom - input.top, 321);
  RECT path = clientRectOf(PathBox);
  EXPECT_EQ(path.left, 64);
  EXPECT_EQ(path.right - path.left, 728);
  EXPECT_EQ(windowText(control(PathBox)), "Quenlo备份.txt");
  EXPECT_TRUE(GetWindowLongA(control(PathBox), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(windowText(control(PathLabel)), "路径");
  EXPECT_EQ(status(), "程序已启动");
  EXPECT_EQ(SendMessageA(control(StatusBar1), SB_GETPARTS, 0, 0), 1);
  EXPECT_EQ(GetDlgCtrlID(control(StatusBar1)), 100);
  EXPECT_EQ(GetDlgCtrlID(control(InputBox)), 110);
  EXPECT_EQ(GetDlgCtrlID(control(FileDialog1)), 150);
}

TEST_F(MainWindowTest, MenuBarHasSixMenusWithStableIds) {
  HMENU bar = GetMenu(main());
  ASSERT_NE(bar, nullptr);
  const char* titles[] = {"文件", "简单全局字号调节", "背景色", "全局字体色", "高级", "帮助"};
  ASSERT_EQ(GetMenuItemCount(bar), 6);
  for (int i = 0; i < 6; ++i) {
    char text[128] = {};
    GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, titles[i]);
  }
  struct Item {
    int menu, position;
    UINT id;
    const char* text;
  };
  const Item items[] = {
      {0, 0, 20001, "打开文件\tCtrl+D"},
      {0, 1, 20002, "保存文件"},
      {0, 2, 20003, "保存当前数据到当前路径\tCtrl+S"},
      {1, 0, 20005, "常规"},
      {1, 3, 20008, "B5"},
      {1, 9, 20014, "B58"},
      {2, 0, 20016, "深青"},
      {2, 5, 20021, "粉"},
      {3, 4, 20027, "红色"},
      {4, 1, 20030, "取消保护路径显示框"},
      {5, 0, 20032, "功能介绍与更新"},
  };
  for (const Item& item : items) {
    HMENU popup = GetSubMenu(bar, item.menu);
    char text[128] = {};
    GetMenuStringA(popup, item.position, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, item.text);
    EXPECT_EQ(GetMenuItemID(popup, item.position), item.id) << item.text;
  }
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 1)), 10);
}

TEST_F(MainWindowTest, ResizingLaysOutTheBoxes) {
  SetWindowPos(main(), nullptr, 0, 0, 1000, 600, SWP_NOMOVE | SWP_NOZORDER);
  pumpMessages();
  RECT input = clientRectOf(InputBox);
  EXPECT_EQ(input.right - input.left, 1000);
  EXPECT_EQ(input.bottom - input.top, 491);
  RECT path = clientRectOf(PathBox);
  EXPECT_EQ(path.right - path.left, 1000);
  RECT client, bar;
  GetClientRect(main(), &client);
  bar = clientRectOf(StatusBar1);
  EXPECT_EQ(bar.bottom, client.bottom);  // docked at the bottom
}

TEST_F(MainWindowTest, SaveToCurrentPathWritesTheBackup) {
  writeProperty(MainWindow, InputBox, Content, "a\r\nb\r\nc");
  onSaveToCurrentPathClicked();
  EXPECT_EQ(readAll(dir_.file("Quenlo备份.txt")), "a\r\nb\r\nc");
  EXPECT_EQ(status(), "用户手动保存文件到Quenlo备份.txt");
}

TEST_F(MainWindowTest, ClosingWritesTheBackup) {
  writeProperty(MainWindow, InputBox, Content, "一\r\n二");
  SendMessageA(main(), WM_CLOSE, 0, 0);
  pumpMessages();
  EXPECT_EQ(findLoadedWindow(MainWindow), nullptr);
  EXPECT_EQ(readAll(dir_.file("Quenlo备份.txt")), "一\r\n二");
}

TEST_F(MainWindowTest, DroppedFileOpensByteForByte) {
  std::string gbk = "中文\r\n第二行 abc";
  writeAll(dir_.file("doc.txt"), gbk);
  onFilesDropped(dir_.file("doc.txt").c_str());
  EXPECT_EQ(content(InputBox), gbk);
  EXPECT_EQ(content(PathBox), dir_.file("doc.txt"));
  EXPECT_EQ(status(), "已打开用户拖放的文件");
  onSaveToCurrentPathClicked();
  EXPECT_EQ(readAll(dir_.file("doc.txt")), gbk);
}

TEST_F(MainWindowTest, SeveralDroppedFilesOpenTheFirst) {
  writeAll(dir_.file("a.txt"), "first");
  writeAll(dir_.file("b.txt"), "second");
  std::string list = dir_.file("a.txt") + "\r\n" + dir_.file("b.txt") + "\r\n";
  onFilesDropped(list.c_str());
  EXPECT_EQ(content(InputBox), "first");
  EXPECT_EQ(content(PathBox), dir_.file("a.txt"));
}

TEST_F(MainWindowTest, UnreadableFileLeavesTheDocumentAlone) {
  writeProperty(MainWindow, InputBox, Content, "keep me");
  std::string missing = dir_.file("missing.txt");
  onFilesDropped(missing.c_str());
  EXPECT_EQ(content(InputBox), "keep me");
  EXPECT_EQ(content(PathBox), "Quenlo备份.txt");
  EXPECT_EQ(status(), "无法打开文件" + missing);

  writeAll(dir_.file("empty.txt"), "");
  onFilesDropped(dir_.file("empty.txt").c_str());  // an empty file still opens
  EXPECT_EQ(content(InputBox), "");
}

// `bytes` of numbered CR LF lines.
std::string linesOf(size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += "line " + std::to_string(i) + " 一行\r\n";
  text.resize(bytes, 'x');
  return text;
}

WNDPROC gInputBoxProc = nullptr;
// A text box that takes no text after the first piece, as one out of memory does: the pieces go
// to the control's own procedure, so its limit, kept at a character, is what stops them.
LRESULT CALLBACK takesOnlyAPiece(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == EM_SETLIMITTEXT) wp = 1;
  return CallWindowProcA(gInputBoxProc, hwnd, msg, wp, lp);
}

// Whatever runs out of memory during an open, the open is refused with the reason and the
// document and PathBox stay as they were.
TEST_F(MainWindowTest, AnOpenWithoutMemoryForTheWholeFileIsRefused) {
  const std::string big = dir_.file("big.txt");
  writeAll(big, linesOf(200 * 1024));
  writeProperty(MainWindow, InputBox, Content, "keep me");
  const struct {
    const char* what;
    std::function<void()> fail, undo;
  } cases[] = {
      {"no memory for the file's bytes",
       [] { setRuntimeAllocHookForTests([](size_t bytes) { return bytes > 64 * 1024; }); },
       [] { setRuntimeAllocHookForTests(nullptr); }},
      {"a text box that takes only the first piece",
       [&] {
         gInputBoxProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
             control(InputBox), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&takesOnlyAPiece)));
       },
       [&] {
         SetWindowLongPtrA(control(InputBox), GWLP_WNDPROC,
                           reinterpret_cast<LONG_PTR>(gInputBoxProc));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.fail();
    onFilesDropped(big.c_str());
    c.undo();
    EXPECT_EQ(status(), "无法打开文件" + big + "：文件太大，无法完整打开");
    const std::string kept = content(InputBox);
    EXPECT_TRUE(kept == "keep me") << kept.size() << " bytes";
    EXPECT_EQ(content(PathBox), "Quenlo备份.txt");
  }
  onFilesDropped(big.c_str());
  EXPECT_EQ(status(), "已打开用户拖放的文件") << "with the memory it opens";
  EXPECT_EQ(content(InputBox).size(), 200u * 1024);
}

// A line that would take the text box hours is refused before anything changes.
TEST_F(MainWindowTest, AFileWithALineOfMoreThanAMegabyteIsRefused) {
  const std::string file = dir_.file("one line.txt");
  writeAll(file, "short\r\n" + std::string((1 << 20) + 1, 'w') + "\r\nshort");
  writeProperty(MainWindow, InputBox, Content, "keep me");
  onFilesDropped(file.c_str());
  EXPECT_EQ(status(),
            "无法打开文件" + file + "：文件中有超过1MB的长行，文本框无法在合理的时间内显示");
  EXPECT_EQ(content(InputBox), "keep me");
  EXPECT_EQ(content(PathBox), "Quenlo备份.txt");
}

// A text that cannot be read out whole is never saved: not by Ctrl+S, not as the backup.
TEST_F(MainWindowTest, WithoutMemoryForACopyOfTheTextNothingIsSaved) {
  const std::string doc = dir_.file("doc.txt");
  writeAll(doc, "old");
  onFilesDropped(doc.c_str());
  writeProperty(MainWindow, InputBox, Content, linesOf(200 * 1024).c_str());
  setRuntimeAllocHookForTests([](size_t bytes) { return bytes > 64 * 1024; });
  onSaveToCurrentPathClicked();
  EXPECT_EQ(status(), "无法保存文件到" + doc + "：内存不足，无法取出全部文字");
  SendMessageA(main(), WM_CLOSE, 0, 0);
  pumpMessages();
  setRuntimeAllocHookForTests(nullptr);
  EXPECT_EQ(findLoadedWindow(MainWindow), nullptr);
  EXPECT_EQ(readAll(doc), "old");
  EXPECT_EQ(GetFileAttributesA(dir_.file("Quenlo备份.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, FailedSaveIsReported) {
  std::string bad = dir_.file("no-such-folder\\x.txt");
  writeProperty(MainWindow, PathBox, Content, bad.c_str());
  onSaveToCurrentPathClicked();
  EXPECT_EQ(status(), "无法保存文件到" + bad);
  // The backup is still written.
  EXPECT_NE(GetFileAttributesA(dir_.file("Quenlo备份.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, WheelZoomNeedsAKeyHeldInInputBox) {
  onFontSizeClicked(5);
  EXPECT_EQ(fontSize(), 5);
  HWND box = control(InputBox);
  SetFocus(box);
  PostMessageA(box, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  pumpMessages();
  EXPECT_EQ(fontSize(), 5);  // no key held
  PostMessageA(box, WM_KEYDOWN, VK_CONTROL, 0);
  PostMessageA(box, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  pumpMessages();
  EXPECT_EQ(fontSize(), 6);
  onFontSizeClicked(58);
  PostMessageA(box, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), 0);
  pumpMessages();
  EXPECT_EQ(fontSize(), 55);
  PostMessageA(box, WM_KEYUP, 'A', 0);
  PostMessageA(box, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  pumpMessages();
  EXPECT_EQ(fontSize(), 55);
}

// The release of a key held in InputBox may go to another window (a dialog the key opened, the
// next control): losing the focus forgets the key.
TEST_F(MainWindowTest, WheelZoomEndsWhenInputBoxLosesTheFocus) {
  onFontSizeClicked(10);
  HWND box = control(InputBox);
  SetFocus(box);
  PostMessageA(box, WM_KEYDOWN, VK_CONTROL, 0);
  pumpMessages();
  SetFocus(control(PathBox));
  PostMessageA(control(PathBox), WM_KEYUP, VK_CONTROL, 0);
  pumpMessages();
  SetFocus(box);
  PostMessageA(box, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  pumpMessages();
  EXPECT_EQ(fontSize(), 10);
  EXPECT_EQ(ctrlHeld, 0);
}

TEST_F(MainWindowTest, FontStylesAndColoursChangeOnlyInputBox) {
  onFontBoldClicked();
  onFontItalicClicked();
  EXPECT_EQ(readProperty(MainWindow, InputBox, Font, FontBold).asInt(), 1);
  EXPECT_EQ(readProperty(MainWindow, InputBox, Font, FontItalic).asInt(), 1);
  onFontRegularClicked();
  EXPECT_EQ(readProperty(MainWindow, InputBox, Font, FontBold).asInt(), 0);
  EXPECT_EQ(readProperty(MainWindow, InputBox, Font, FontItalic).asInt(), 0);
  onBackgroundColourClicked(0x0000FF);
  onTextColourClicked(0x00FFFF);
  EXPECT_EQ(readProperty(MainWindow, InputBox, BackColor).low(), 0x0000FFu);
  EXPECT_EQ(readProperty(MainWindow, InputBox, TextColor).low(), 0x00FFFFu);
  EXPECT_EQ(readProperty(MainWindow, PathBox, BackColor).low(), 0xFFFFFFu);
}

TEST_F(MainWindowTest, PathProtection) {
  onUnprotectPathClicked();
  EXPECT_FALSE(GetWindowLongA(control(PathBox), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(status(), "路径框取消保护，现在用户可以编辑");
  PostMessageA(control(PathBox), WM_CHAR, 'x', 0);
  pumpMessages();
  EXPECT_EQ(status(), "要保存的位置已改变");
  onProtectPathClicked();
  EXPECT_TRUE(GetWindowLongA(control(PathBox), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(status(), "路径框已被保护，现在用户不可编辑");
}

TEST_F(MainWindowTest, EscClosesFromInputBox) {
  SetFocus(control(InputBox));
  PostMessageA(control(InputBox), WM_KEYDOWN, VK_ESCAPE, 0);
  pumpMessages();
  EXPECT_EQ(findLoadedWindow(MainWindow), nullptr);
  EXPECT_NE(GetFileAttributesA(dir_.file("Quenlo备份.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, TypingShowsTheEditingStatus) {
  SetFocus(control(InputBox));
  PostMessageA(control(InputBox), WM_CHAR, 'q', 0);
  pumpMessages();
  EXPECT_EQ(content(InputBox), "q");
  EXPECT_EQ(status(), "正在输入内容-当前内容未被保存");
}

}  // namespace

// Under Wine the system's conversion takes the terminating zero for the trail byte of a last
// lead byte and reads on, here into freed blocks full of "J".
TEST_F(MainWindowTest, TextsEndingInALoneLeadByteStopAtTheirEnd) {
  constexpr char kCut[] = "abc\xD6";
  constexpr UnitId kFileMenu = 0x26010004, kSaveFileItem = 0x26010082;
  auto menuText = [](HMENU menu, UINT position) {
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return std::string(text);
  };
  const struct {
    const char* what;
    std::function<void()> write;
    std::function<std::string()> read;
  } cases[] = {
      {"InputBox", [&] { writeProperty(MainWindow, InputBox, Content, kCut); },
       [&] { return windowText(control(InputBox)); }},
      {"status bar", [&] { showStatus(kCut); }, [&] { return status(); }},
      {"caption", [&] { writeProperty(MainWindow, MainWindowUnit, 8, kCut); },
       [&] { return windowText(main()); }},
      {"label", [&] { writeProperty(MainWindow, PathLabel, kLabelCaption, kCut); },
       [&] { return windowText(control(PathLabel)); }},
      {"menu title", [&] { writeProperty(MainWindow, kFileMenu, 0, kCut); },
       [&] { return menuText(GetMenu(main()), 0); }},
      {"menu item", [&] { writeProperty(MainWindow, kSaveFileItem, 0, kCut); },
       [&] { return menuText(GetSubMenu(GetMenu(main()), 0), 1); }},
  };
  for (const auto& c : cases) {
    litterTheHeap();
    c.write();
    EXPECT_EQ(c.read(), "abc") << c.what;
  }
}
