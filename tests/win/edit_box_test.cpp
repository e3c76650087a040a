#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "form/property_blob.h"
#include "runtime/system_code_page.h"
#include "tests/support/form_window_fixture.h"
#include "tests/win/test_support.h"
#include "ui/components/edit_box/edit_box.h"
#include "ui/components/edit_box/edit_box_input.h"
#include "ui/loop/window_loading.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"
#include "ui/model/events.h"

namespace {

constexpr UnitId kWin = 0x52500001;
constexpr UnitId kSingle = 0x16500001, kMulti = 0x16500002, kSpin = 0x16500003,
                 kManualSpin = 0x16500004, kNumeric = 0x16500005, kNoFont = 0x16500006,
                 kChained = 0x16500007;
constexpr uint32_t kSingleBack = 0x0000FFFF, kSingleText = 0x00FF0000;

using Events = std::vector<int32_t>;

int textReads = 0;
WNDPROC boxProc = nullptr;
LRESULT CALLBACK countingTextReads(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETTEXT || msg == WM_GETTEXTLENGTH) ++textReads;
  return CallWindowProcA(boxProc, hwnd, msg, wp, lp);
}

RECT rectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string className(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

int heightOf(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return r.bottom - r.top;
}

int textHeight(HFONT font, const char* text) {
  ScreenDC screen;
  SelectObjectScope select(screen.dc(), font);
  SIZE size{};
  GetTextExtentPoint32A(screen.dc(), text, static_cast<int>(std::string_view(text).size()), &size);
  return size.cy;
}

COLORREF brushColour(HBRUSH brush) {
  LOGBRUSH lb{};
  GetObjectA(brush, sizeof lb, &lb);
  return lb.lbColor;
}

class EditBoxTest : public FormWindowTest {
 protected:
  void SetUp() override {
    load("edit_box", kWin);
    SetForegroundWindow(window());
    pumpMessages();
    clearEventLog();
  }

  HWND window() { return findLoadedWindow(kWin)->hwnd(); }
  Component* object(UnitId unit) { return resolveUnit(kWin, unit); }
  HWND box(UnitId unit) { return object(unit)->hwnd(); }
  HWND spinOf(UnitId unit) { return GetDlgItem(window(), GetDlgCtrlID(box(unit)) + kSpinIdOffset); }
  std::string read(UnitId unit, int index = kEditContent) {
    return readProperty(kWin, unit, index).c_str();
  }
  int32_t number(UnitId unit, int index) { return readProperty(kWin, unit, index).asInt(); }
  void write(UnitId unit, int index, const PropertyValue& value) {
    writeProperty(kWin, unit, index, value);
  }
  void type(UnitId unit, std::string_view chars) {
    for (char c : chars) SendMessageA(box(unit), WM_CHAR, static_cast<uint8_t>(c), 1);
  }
  // A press and release on the up (top half) or down arrow of a spin button.
  void clickSpin(HWND spin, bool up) {
    RECT r;
    GetClientRect(spin, &r);
    LPARAM at = MAKELPARAM(r.right / 2, up ? 2 : r.bottom - 3);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(spin, WM_LBUTTONUP, 0, at);
    pumpMessages();
  }
  bool wantsKey(UnitId unit, uint32_t key) {
    return componentType(kEditBoxType)->operation<kOpWantsKey>()(object(unit), key);
  }
};

// --- Content and the content-changed event ------------------------------------------------

TEST_F(EditBoxTest, EveryContentWriteRaisesOneChangedEvent) {
  write(kSingle, kEditContent, "xyz");
  write(kSingle, kEditContent, "xyz");  // unchanged text
  write(kMulti, kEditContent, "one\r\ntwo");
  write(kMulti, kEditContent, "one\r\ntwo");
  EXPECT_EQ((Events{kEditChanged, kEditChanged}), eventsOf(kSingle));
  EXPECT_EQ((Events{kEditChanged, kEditChanged}), eventsOf(kMulti));
  EXPECT_EQ("xyz", read(kSingle));
  EXPECT_EQ("one\r\ntwo", read(kMulti));
}

// A write from inside the changed handler raises the event again, nested, each time with the
// text of its own write in place.
TEST_F(EditBoxTest, ChangedHandlerSeesTheNewTextAndMayWriteAgain) {
  std::vector<std::string> seen;
  setCustomHandler(0, [&](EventCall&) {
    seen.push_back(read(kChained));
    if (seen.size() == 1) write(kChained, kEditContent, "second");
  });
  write(kChained, kEditContent, "first");
  setCustomHandler(0, nullptr);
  EXPECT_EQ((std::vector<std::string>{"first", "second"}), seen);
  EXPECT_EQ("second", read(kChained));
}

TEST_F(EditBoxTest, LargeTextsTravelWholeAndCanStillBeTypedInto) {
  std::string big(1024 * 1024, 'x');
  for (size_t i = 98; i + 1 < big.size(); i += 100) big.replace(i, 2, "\r\n");
  write(kMulti, kEditContent, big.c_str());
  EXPECT_EQ(big.size(), read(kMulti).size());
  EXPECT_TRUE(read(kMulti) == big);
  // MaxLength 0 lifts the control's 32 KB default for typing.
  write(kSingle, kEditContent, std::string(40000, 'a').c_str());
  write(kSingle, kEditSelStart, -1);
  type(kSingle, "b");
  EXPECT_EQ(40001u, read(kSingle).size());
}

// The copy taken for the recovery file, turned into bytes on another thread, gives the bytes of
// Content, also for characters the code page lacks, which only a paste brings into the box.
TEST_F(EditBoxTest, TheCopiedTextGivesTheBytesOfContent) {
  std::string big;
  while (big.size() < 1024 * 1024) big += "第一行 line\r\n";
  const std::wstring pasted = L"\xD55C\xAD6D \xD83D\xDE00 \x4E2D";  // Korean, an emoji, 中
  for (const char* text :
       {"", "abc\r\n中文，标点。", big.c_str(), static_cast<const char*>(nullptr)}) {
    write(kMulti, kEditContent, text ? text : "");
    if (!text && OpenClipboard(window())) {
      EmptyClipboard();
      HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
      std::memcpy(GlobalLock(global), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
      GlobalUnlock(global);
      SetClipboardData(CF_UNICODETEXT, global);
      CloseClipboard();
      SendMessageA(box(kMulti), WM_PASTE, 0, 0);
    }
    const std::optional<std::u16string> copy = copyContent(kWin, kMulti);
    ASSERT_TRUE(copy.has_value());
    ByteBuffer bytes;
    std::thread([&] { bytes = systemBytes(*copy); }).join();
    EXPECT_TRUE(bytes.view() == read(kMulti)) << read(kMulti).size() << " bytes in Content";
  }
  EXPECT_EQ(read(kMulti), "?? ?? \xD6\xD0") << "the code page lacks them";
}

TEST_F(EditBoxTest, MaxLengthLimitsTyping) {
  write(kSingle, kEditMaxLength, 5);
  EXPECT_EQ(5, SendMessageA(box(kSingle), EM_GETLIMITTEXT, 0, 0));
  write(kSingle, kEditSelStart, -1);
  type(kSingle, "defg");
  EXPECT_EQ("abcde", read(kSingle));
  write(kSingle, kEditMaxLength, -3);
  EXPECT_EQ(0, number(kSingle, kEditMaxLength));
}

// --- Input modes ----------------------------------------------------------------------------

TEST_F(EditBoxTest, IntegerTextModeDropsLettersAndKeepsBackspace) {
  write(kNumeric, kEditSelStart, -1);
  clearEventLog();
  type(kNumeric, "a1-b2x");
  EXPECT_EQ("1-2", read(kNumeric));
  type(kNumeric, "\b");
  EXPECT_EQ("1-", read(kNumeric));
  // One change per character that got through, Backspace included.
  EXPECT_EQ((Events{kEditChanged, kEditChanged, kEditChanged, kEditChanged}), eventsOf(kNumeric));
}

TEST_F(EditBoxTest, ReadOnlyModeRefusesTypingButNotWrites) {
  write(kSingle, kEditInputMode, kInputReadOnly);
  EXPECT_TRUE(GetWindowLongA(box(kSingle), GWL_STYLE) & ES_READONLY);
  write(kSingle, kEditSelStart, -1);
  type(kSingle, "zz");
  EXPECT_EQ("abc", read(kSingle));
  write(kSingle, kEditContent, "written");
  EXPECT_EQ("written", read(kSingle));
  EXPECT_EQ((Events{kEditChanged}), eventsOf(kSingle));
  write(kSingle, kEditInputMode, kInputNormal);
  EXPECT_FALSE(GetWindowLongA(box(kSingle), GWL_STYLE) & ES_READONLY);
}

TEST_F(EditBoxTest, PasswordModeShowsThePasswordCharacter) {
  write(kSingle, kEditPasswordChar, "#");
  EXPECT_EQ(0, SendMessageA(box(kSingle), EM_GETPASSWORDCHAR, 0, 0));
  write(kSingle, kEditInputMode, kInputPassword);
  EXPECT_EQ('#', SendMessageA(box(kSingle), EM_GETPASSWORDCHAR, 0, 0));
  EXPECT_EQ("#", read(kSingle, kEditPasswordChar));
  write(kSingle, kEditInputMode, 99);  // clamped to the last mode
  EXPECT_EQ(kInputDateTime, number(kSingle, kEditInputMode));
  EXPECT_EQ(0, SendMessageA(box(kSingle), EM_GETPASSWORDCHAR, 0, 0));
}

TEST_F(EditBoxTest, FocusLossNormalisesNumberAndDateModes) {
  struct Row {
    int mode;
    const char* typed;
    const char* shown;
  };
  const Row rows[] = {
      {kInputByte, "300", "255"},
      {kInputInteger, "99999999999", "2147483647"},
      {kInputSingle, "3.14159265", "3.14159"},
      {kInputDateTime, "2024-03-05 14:30", "2024年3月5日14时30分"},
      {kInputByte, "0", ""},
  };
  for (const Row& row : rows) {
    write(kNumeric, kEditInputMode, row.mode);
    SetFocus(box(kNumeric));
    write(kNumeric, kEditContent, row.typed);
    write(kNumeric, kEditSelStart, 2);
    clearEventLog();
    SetFocus(box(kSingle));
    EXPECT_EQ(row.shown, read(kNumeric)) << row.typed;
    EXPECT_EQ((Events{kEditChanged, kEventLostFocus}), eventsOf(kNumeric)) << row.typed;
    DWORD start = 0;
    SendMessageA(box(kNumeric), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_EQ(std::min<size_t>(2, std::string_view(row.shown).size()), start) << row.typed;
  }
}

TEST_F(EditBoxTest, FocusEventsAndUntouchedTextOnFocusLoss) {
  write(kNumeric, kEditInputMode, kInputByte);
  write(kNumeric, kEditContent, "42");
  SetFocus(box(kSingle));
  clearEventLog();
  SetFocus(box(kNumeric));
  SetFocus(box(kSingle));
  EXPECT_EQ((Events{kEventGotFocus, kEventLostFocus}), eventsOf(kNumeric));
  EXPECT_EQ((Events{kEventLostFocus, kEventGotFocus}), eventsOf(kSingle));
  EXPECT_EQ("42", read(kNumeric));
  // A mode that leaves the text alone does not read it: in a document of megabytes the read
  // alone would take a good part of a second on every change of window.
  write(kNumeric, kEditInputMode, kInputNormal);
  SetFocus(box(kNumeric));
  boxProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      box(kNumeric), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countingTextReads)));
  SetFocus(box(kSingle));
  SetWindowLongPtrA(box(kNumeric), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(boxProc));
  EXPECT_EQ(textReads, 0);
  EXPECT_EQ(eventsOf(kNumeric).back(), kEventLostFocus);
}

// --- Selection ------------------------------------------------------------------------------

TEST_F(EditBoxTest, SelectionWritesFollowTheMinusOneRules) {
  write(kSingle, kEditContent, "hello");
  write(kSingle, kEditSelStart, -1);
  EXPECT_EQ(5, number(kSingle, kEditSelStart));
  EXPECT_EQ(0, number(kSingle, kEditSelLength));
  write(kSingle, kEditSelLength, -1);
  EXPECT_EQ(0, number(kSingle, kEditSelStart));
  EXPECT_EQ(5, number(kSingle, kEditSelLength));
  EXPECT_EQ("hello", read(kSingle, kEditSelText));
  write(kSingle, kEditSelStart, 1);
  write(kSingle, kEditSelLength, 2);
  EXPECT_EQ("el", read(kSingle, kEditSelText));
  write(kSingle, kEditSelText, "XYZ");
  EXPECT_EQ("hXYZlo", read(kSingle));
  write(kSingle, kEditSelStart, -7);
  EXPECT_EQ(0, number(kSingle, kEditSelStart));
}

// The start a SelLength write uses is the last one written, not where the caret went since.
TEST_F(EditBoxTest, SelLengthStartsFromTheStoredStart) {
  write(kSingle, kEditContent, "abcdef");
  write(kSingle, kEditSelStart, 2);
  SendMessageA(box(kSingle), EM_SETSEL, 5, 5);
  write(kSingle, kEditSelLength, 3);
  EXPECT_EQ("cde", read(kSingle, kEditSelText));
}

// NOTE: Wine's EDIT counts selection positions in characters even for an ANSI window, where
// Windows counts GBK bytes; selecting everything and the end position hold on both.
TEST_F(EditBoxTest, SelectedTextOfDoubleByteCharacters) {
  write(kSingle, kEditContent, "中文abc");
  write(kSingle, kEditSelLength, -1);
  EXPECT_EQ("中文abc", read(kSingle, kEditSelText));
  write(kSingle, kEditSelStart, -1);
  write(kSingle, kEditSelText, "!");
  EXPECT_EQ("中文abc!", read(kSingle));
}

// --- Font and frame -------------------------------------------------------------------------

TEST_F(EditBoxTest, LargeFontMakesASingleLineBoxTaller) {
  writeProperty(kWin, kSingle, kEditFont, kFontSize, 58);
  auto font = reinterpret_cast<HFONT>(SendMessageA(box(kSingle), WM_GETFONT, 0, 0));
  int expected = textHeight(font, "中") + 2 * GetSystemMetrics(SM_CYEDGE);
  EXPECT_GT(expected, 32);
  EXPECT_EQ(expected, heightOf(box(kSingle)));
  EXPECT_EQ(58, readProperty(kWin, kSingle, kEditFont, kFontSize).asInt());

  writeProperty(kWin, kMulti, kEditFont, kFontSize, 58);
  EXPECT_EQ(150, heightOf(box(kMulti)));
}

// A long text takes a new font by being given again: what the user sees and can do with it stays,
// and a box with something to undo keeps it.
TEST_F(EditBoxTest, ANewFontKeepsALongTextItsSelectionAndUndo) {
  std::string big;
  while (big.size() < 640 * 1024) big += "第一行 line，标点。\r\n";
  for (bool undoable : {false, true}) {
    SCOPED_TRACE(undoable);
    write(kMulti, kEditContent, big.c_str());
    SendMessageW(box(kMulti), EM_SETSEL, 0, 0);
    SendMessageW(box(kMulti), EM_REPLACESEL, undoable, reinterpret_cast<LPARAM>(L"\xD55C"));
    SendMessageA(box(kMulti), EM_SETSEL, 300000, 300010);
    SendMessageA(box(kMulti), EM_LINESCROLL, 0, 3000);
    const auto topChar = [&] {
      return SendMessageA(box(kMulti), EM_LINEINDEX,
                          SendMessageA(box(kMulti), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    };
    const LRESULT top = topChar();
    ASSERT_GT(top, 0);
    const std::optional<std::u16string> before = copyContent(kWin, kMulti);
    const auto oldFont = SendMessageA(box(kMulti), WM_GETFONT, 0, 0);
    writeProperty(kWin, kMulti, kEditFont, kFontSize, 20 + undoable);
    EXPECT_NE(oldFont, SendMessageA(box(kMulti), WM_GETFONT, 0, 0));
    EXPECT_TRUE(copyContent(kWin, kMulti) == before) << "a character the code page lacks too";
    DWORD start = 0, end = 0;
    SendMessageA(box(kMulti), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(300000u, start);
    EXPECT_EQ(300010u, end);
    EXPECT_TRUE(SendMessageA(box(kMulti), EM_GETMODIFY, 0, 0));
    EXPECT_LE(topChar(), top);
    EXPECT_GT(topChar(), top - 200) << "the view starts on the line that held its first character";
    EXPECT_EQ(undoable, SendMessageA(box(kMulti), EM_CANUNDO, 0, 0) != 0);
  }
}

TEST_F(EditBoxTest, SingleLineClientIsOneCentredLine) {
  HWND h = box(kSingle);
  auto font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
  int line = textHeight(font, "W");
  RECT window, client;
  GetWindowRect(h, &window);
  GetClientRect(h, &client);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  int edge = GetSystemMetrics(SM_CYEDGE);
  int inner = (window.bottom - window.top) - 2 * edge;
  EXPECT_EQ(line, client.bottom);
  EXPECT_EQ(window.top + edge + (inner - line) / 2, origin.y);

  struct Probe {
    POINT at;
    LRESULT hit;
  };
  const Probe probes[] = {
      {{(window.left + window.right) / 2, window.top + edge + 1}, HTBORDER},
      {{(window.left + window.right) / 2, origin.y + line / 2}, HTCLIENT},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(p.hit, SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(p.at.x, p.at.y)))
        << p.at.x << "," << p.at.y;
  EXPECT_EQ(150, heightOf(box(kMulti)));
}

TEST_F(EditBoxTest, ANonFontBlobMeansTheDefaultGuiFont) {
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT),
            reinterpret_cast<HGDIOBJ>(SendMessageA(box(kNoFont), WM_GETFONT, 0, 0)));
}

// --- Colours --------------------------------------------------------------------------------

TEST_F(EditBoxTest, ControlColourAnswersInEveryMode) {
  HDC dc = CreateCompatibleDC(nullptr);
  for (int mode : {kInputNormal, kInputReadOnly, kInputPassword, kInputDateTime}) {
    write(kSingle, kEditInputMode, mode);
    for (UINT msg : {WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC}) {
      auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
          box(kSingle), msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box(kSingle))));
      EXPECT_EQ(kSingleBack, brushColour(brush)) << mode;
      EXPECT_EQ(kSingleText, GetTextColor(dc)) << mode;
      EXPECT_EQ(kSingleBack, GetBkColor(dc)) << mode;
    }
  }
  write(kSingle, kEditBackColor, kSystemDefaultColour);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(box(kSingle), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), brushColour(brush));
  EXPECT_EQ(kSystemDefaultColour, static_cast<uint32_t>(number(kSingle, kEditBackColor)));
  DeleteDC(dc);
}

// The padding above the centred line is frame, painted in BackColor like the client area.
TEST_F(EditBoxTest, BackgroundIsPaintedAroundAndBehindTheLine) {
  for (int mode : {kInputNormal, kInputReadOnly}) {
    write(kSingle, kEditInputMode, mode);
    write(kSingle, kEditContent, "a");
    RedrawWindow(box(kSingle), nullptr, nullptr,
                 RDW_FRAME | RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
    pumpMessages();
    HWND h = box(kSingle);
    RECT window;
    GetWindowRect(h, &window);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    HDC dc = GetWindowDC(h);
    int edge = GetSystemMetrics(SM_CYEDGE);
    int x = (window.right - window.left) - 3 * edge - 10;
    EXPECT_EQ(kSingleBack, GetPixel(dc, x, edge + 1)) << "padding, mode " << mode;
    EXPECT_EQ(kSingleBack, GetPixel(dc, x, origin.y - window.top + 1)) << "line, mode " << mode;
    ReleaseDC(h, dc);
  }
}

// --- Spin button ----------------------------------------------------------------------------

TEST_F(EditBoxTest, SpinButtonSitsRightOfTheBoxAndFollowsIt) {
  HWND spin = spinOf(kSpin);
  ASSERT_NE(nullptr, spin);
  EXPECT_EQ(UPDOWN_CLASSA, className(spin));
  RECT b = rectInParent(box(kSpin)), s = rectInParent(spin);
  EXPECT_EQ(b.right, s.left);
  EXPECT_EQ(18, s.right - s.left);
  EXPECT_EQ(b.top, s.top);
  EXPECT_EQ(b.bottom, s.bottom);

  writeProperty(kWin, kSpin, 0, 100);  // left
  writeProperty(kWin, kSpin, 3, 40);   // height
  b = rectInParent(box(kSpin));
  s = rectInParent(spin);
  EXPECT_EQ(b.right, s.left);
  EXPECT_EQ(b.top, s.top);
  EXPECT_EQ(40, s.bottom - s.top);

  EXPECT_TRUE(IsWindowVisible(spin));
  writeProperty(kWin, kSpin, 5, 0);  // visible
  EXPECT_FALSE(IsWindowVisible(spin));
  writeProperty(kWin, kSpin, 5, 1);
  EXPECT_TRUE(IsWindowVisible(spin));
  writeProperty(kWin, kSpin, 6, 1);  // disabled
  EXPECT_FALSE(IsWindowEnabled(spin));
  writeProperty(kWin, kSpin, 6, 0);
  EXPECT_TRUE(IsWindowEnabled(spin));
  EXPECT_EQ(spin, GetWindow(box(kSpin), GW_HWNDNEXT));
}

TEST_F(EditBoxTest, AutomaticSpinWrapsWithinEitherOrderOfEnds) {
  HWND spin = spinOf(kSpin);
  struct Step {
    bool up;
    const char* expected;
  };
  const Step steps[] = {{true, "1"}, {false, "10"}, {false, "9"}, {true, "10"}};
  for (const Step& s : steps) {
    clickSpin(spin, s.up);
    EXPECT_EQ(s.expected, read(kSpin)) << (s.up ? "up" : "down");
  }
  EXPECT_EQ((Events{kEditChanged, kEditChanged, kEditChanged, kEditChanged}), eventsOf(kSpin));
  EXPECT_EQ(box(kSpin), GetFocus());
  EXPECT_EQ(0, number(kSpin, kEditSelStart));
  EXPECT_EQ(2, number(kSpin, kEditSelLength));
}

// Ends beyond 16 bits reach the button whole: its arrows keep their direction.
TEST_F(EditBoxTest, WideSpinRangesKeepTheArrowsTheRightWayRound) {
  struct Case {
    int32_t min, max;
    const char* text;
    bool up;
    const char* expected;
  };
  // clang-format off
  const Case cases[] = {
      {0,      40000, "39999",  true,  "40000"},
      {0,      40000, "40000",  true,  "0"},  // wraps to the other end
      {0,      40000, "0",      false, "40000"},
      {-70000, 70000, "-70000", true,  "-69999"},
      {100000, -5,    "7",      false, "6"},  // either order of the ends
  };
  // clang-format on
  for (const Case& c : cases) {
    write(kSpin, kEditSpinMin, c.min);
    write(kSpin, kEditSpinMax, c.max);
    write(kSpin, kEditContent, c.text);
    clickSpin(spinOf(kSpin), c.up);
    EXPECT_EQ(c.expected, read(kSpin))
        << c.min << ".." << c.max << (c.up ? " up " : " down ") << c.text;
  }
}

TEST_F(EditBoxTest, ManualSpinRaisesItsEventAndLeavesTheText) {
  HWND spin = spinOf(kManualSpin);
  clickSpin(spin, true);
  clickSpin(spin, false);
  ASSERT_EQ(2u, eventLog().size());
  EXPECT_EQ(kEditSpinPressed, eventLog()[0].event);
  EXPECT_EQ(std::vector<int32_t>{1}, eventLog()[0].args);
  EXPECT_EQ(std::vector<int32_t>{-1}, eventLog()[1].args);
  EXPECT_EQ("7", read(kManualSpin));
}

TEST_F(EditBoxTest, DisabledSpinBoxDoesNotStep) {
  writeProperty(kWin, kSpin, 6, 1);
  EnableWindow(spinOf(kSpin), TRUE);  // the button alone: the box itself must refuse
  clickSpin(spinOf(kSpin), true);
  EXPECT_EQ("10", read(kSpin));
}

// --- Keys, re-creation, teardown ------------------------------------------------------------

TEST_F(EditBoxTest, OnlyAnEditableMultiLineBoxWantsEnter) {
  struct Row {
    UnitId unit;
    uint32_t key;
    bool wanted;
  };
  const Row rows[] = {
      {kMulti, VK_RETURN, true},
      {kMulti, VK_RETURN | kWantCtrl, false},
      {kMulti, VK_RETURN | kWantShift, false},
      {kMulti, VK_TAB, false},
      {kSingle, VK_RETURN, false},
  };
  for (const Row& r : rows) EXPECT_EQ(r.wanted, wantsKey(r.unit, r.key)) << r.unit << " " << r.key;
  write(kMulti, kEditInputMode, kInputReadOnly);
  EXPECT_FALSE(wantsKey(kMulti, VK_RETURN));
}

TEST_F(EditBoxTest, StyleChangesRecreateKeepingTextAndSelection) {
  write(kSingle, kEditContent, "keep me");
  write(kSingle, kEditSelStart, 2);
  write(kSingle, kEditSelLength, 3);
  HWND old = box(kSingle);
  clearEventLog();
  write(kSingle, kEditMultiline, 1);
  HWND fresh = box(kSingle);
  EXPECT_NE(old, fresh);
  EXPECT_FALSE(IsWindow(old));
  EXPECT_TRUE(GetWindowLongA(fresh, GWL_STYLE) & ES_MULTILINE);
  EXPECT_EQ("keep me", read(kSingle));
  EXPECT_EQ(2, number(kSingle, kEditSelStart));
  EXPECT_EQ(3, number(kSingle, kEditSelLength));
  EXPECT_EQ(kSingleBack, static_cast<uint32_t>(number(kSingle, kEditBackColor)));
  EXPECT_EQ(Events{}, eventsOf(kSingle));

  struct Row {
    int index;
    int32_t value;
    bool recreates;
  };
  const Row rows[] = {
      {kEditMultiline, 1, false},        {kEditHideSelection, 1, false},
      {kEditHideSelection, 0, true},     {kEditScrollBars, 7, true},
      {kEditScrollBars, 3, false},       {kEditAlignment, 2, true},
      {kEditCaseConversion, 2, true},    {kEditSpinMode, 0, false},
      {kEditBackColor, 0x123456, false}, {kEditBorder, 3, false},
  };
  for (const Row& r : rows) {
    HWND before = box(kSingle);
    write(kSingle, r.index, r.value);
    EXPECT_EQ(r.recreates, before != box(kSingle)) << r.index << " := " << r.value;
  }
  EXPECT_EQ(3, number(kSingle, kEditScrollBars));
  EXPECT_TRUE(GetWindowLongA(box(kSingle), GWL_STYLE) & ES_UPPERCASE);
  EXPECT_TRUE(GetWindowLongA(box(kSingle), GWL_STYLE) & ES_NOHIDESEL);
}

TEST_F(EditBoxTest, BorderStylesReplaceEachOther) {
  struct Row {
    int border;
    DWORD ex;
    DWORD style;
  };
  const Row rows[] = {
      {0, 0, 0},
      {2, WS_EX_DLGMODALFRAME, 0},
      {4, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, 0},
      {5, 0, WS_BORDER},
      {3, WS_EX_STATICEDGE, 0},
      {1, WS_EX_CLIENTEDGE, 0},
  };
  constexpr DWORD kEdges = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
  for (const Row& r : rows) {
    write(kSpin, kEditBorder, r.border);
    auto ex = static_cast<DWORD>(GetWindowLongA(box(kSpin), GWL_EXSTYLE));
    auto style = static_cast<DWORD>(GetWindowLongA(box(kSpin), GWL_STYLE));
    EXPECT_EQ(r.ex, ex & kEdges) << r.border;
    EXPECT_EQ(r.style, style & WS_BORDER) << r.border;
    bool staticEdge = r.border == 0 || r.border == 1 || r.border == 3;
    EXPECT_EQ(staticEdge, (GetWindowLongA(spinOf(kSpin), GWL_EXSTYLE) & WS_EX_STATICEDGE) != 0)
        << r.border;
  }
}

TEST_F(EditBoxTest, DestroyingTheBoxTakesItsSpinButtonAlong) {
  HWND spin = spinOf(kSpin);
  DestroyWindow(box(kSpin));
  EXPECT_FALSE(IsWindow(spin));
  EXPECT_EQ(nullptr, findLoadedWindow(kWin)->find(kSpin)->object);
}

}  // namespace
