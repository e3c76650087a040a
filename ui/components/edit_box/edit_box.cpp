// The edit box component: a subclassed system EDIT control. The window reflects the control's
// notifications (EN_CHANGE, EN_SETFOCUS, EN_KILLFOCUS, UDN_DELTAPOS) and WM_CTLCOLOR* back to
// it, so the whole behaviour lives in this file's window procedure.
//
// Not implemented:
// - Data binding: DataSource and DataColumn are only stored; the program binds nothing.
// - enumerateTexts (operation 9): the program never calls it.

#include "ui/components/edit_box/edit_box.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "form/property_blob.h"
#include "runtime/heap.h"
#include "runtime/system_code_page.h"
#include "ui/model/component_model.h"
#include "ui/model/component_type.h"
#include "ui/components/edit_box/edit_box_input.h"
#include "ui/graphics/gdi.h"
#include "ui/model/long_work.h"
#include "ui/components/edit_box/piece_sizer.h"
#include "ui/components/edit_box/word_break.h"

namespace {

constexpr int kSpinWidth = 18;
// One GBK double-byte character: what a line of this box must have room for.
constexpr char kTallCharacter[] = "中";

// GetWindowDC/ReleaseDC, for painting the frame.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetWindowDC(hwnd)) {}
  ~WindowDC() { ReleaseDC(hwnd_, dc_); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

SIZE textExtent(HFONT font, const char* text) {
  ScreenDC screen;
  SelectObjectScope select(screen.dc(), font);
  SIZE size{};
  GetTextExtentPoint32A(screen.dc(), text, static_cast<int>(std::strlen(text)), &size);
  return size;
}

// The whole text of a window, read once into a runtime block; nothing when there is no memory
// for it.
std::optional<Text> wholeWindowText(HWND hwnd) {
  int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return Text();
  auto* chars = static_cast<char*>(runtimeAlloc(static_cast<size_t>(length) + 1));
  if (!chars) return std::nullopt;
  int copied = GetWindowTextA(hwnd, chars, length + 1);
  chars[std::clamp(copied, 0, length)] = '\0';
  return Text::adopt(chars);
}

Text windowText(HWND hwnd) { return wholeWindowText(hwnd).value_or(Text()); }

double nowMs() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The end of the piece of about `size` bytes that starts at `at`: a double-byte character and
// a CR LF pair are never split.
size_t pieceEnd(std::string_view text, size_t at, size_t size) {
  const CodePage& codePage = systemCodePage();
  const size_t goal = std::min(text.size(), at + size);
  size_t i = at;
  while (i < goal) i += codePage.isLeadByte(static_cast<uint8_t>(text[i])) ? 2 : 1;
  i = std::min(i, text.size());
  if (i < text.size() && text[i - 1] == '\r' && text[i] == '\n') ++i;
  return i;
}

// What the control does to its text on these messages must wait while a long text goes in.
bool changesText(UINT msg) {
  switch (msg) {
    case WM_SETTEXT:
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_KEYDOWN:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
    case EM_SETHANDLE:
      return true;
    default:
      return false;
  }
}

DWORD borderExStyle(int border) {
  switch (border) {
    case 1:
      return WS_EX_CLIENTEDGE;
    case 2:
      return WS_EX_DLGMODALFRAME;
    case 3:
      return WS_EX_STATICEDGE;
    case 4:
      return WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME;
    default:
      return 0;
  }
}

// --- Word breaking --------------------------------------------------------------------------
//
// A wrapping box breaks its lines through a procedure of its own: where the text is Chinese a
// line may begin between any two characters, and the system's default procedure, which Wine
// builds from a line-breaking analysis of the whole text after every change, made each
// keystroke in a document of a few megabytes cost a tenth of a second.
//
// What the procedure is handed depends on the control. Windows documents the text of the
// control, an index and a count in TCHARs, which for an ANSI procedure are bytes. Wine's
// user32 EDIT keeps its text as UTF-16 and converts the part it passes for a window made with
// CreateWindowExA: GBK bytes with the count in bytes, while the index and the answer count
// characters. Wine's comctl32 version 6 EDIT, which the program's manifest selects, passes
// UTF-16 text, index and count even to such a window. In Wine the text begins at the start of
// the line being wrapped or moved in; wrapping asks WB_LEFT with an index at or past the last
// character that fits and asks again one before the answer while the line is still too wide
// (0 breaks at the fit); Ctrl+Left asks WB_LEFT with the caret, Ctrl+Right WB_RIGHT with the
// caret + 1, a double click WB_LEFT and WB_RIGHT with the caret. A hidden control made like
// the boxes is asked once which text it hands over.

enum class ProcedureText { kGbkBytes, kGbkCharacterIndex, kUtf16 };

// What the control is doing while it calls the procedure.
WordBreakUse wordBreakUse = WordBreakUse::kWrap;

class WordBreakScope {
 public:
  explicit WordBreakScope(WordBreakUse use) : saved_(std::exchange(wordBreakUse, use)) {}
  ~WordBreakScope() { wordBreakUse = saved_; }
  WordBreakScope(const WordBreakScope&) = delete;
  WordBreakScope& operator=(const WordBreakScope&) = delete;

 private:
  WordBreakUse saved_;
};

// Set by the first call the hidden control makes.
bool probeCalled = false;
bool probeSawUtf16 = false;

int CALLBACK probeProcedure(LPSTR text, int, int count, int) {
  if (!probeCalled && text && count >= 2) {
    probeCalled = true;
    probeSawUtf16 = text[0] == '\x2D' && text[1] == '\x4E';  // U+4E2D "中", little-endian
  }
  return 0;
}

ProcedureText procedureText() {
  static const ProcedureText found = [] {
    // Narrower than the text, so that setting it wraps and calls the procedure.
    HWND probe = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE, 0, 0, 40, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!probe) return ProcedureText::kGbkBytes;
    SendMessageA(probe, EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(&probeProcedure));
    std::string wraps;
    for (int i = 0; i < 8; ++i) wraps += kTallCharacter;
    SetWindowTextA(probe, wraps.c_str());
    SetWindowTextA(probe, kTallCharacter);
    bool inCharacters = SendMessageA(probe, EM_LINELENGTH, 0, 0) == 1;
    DestroyWindow(probe);
    if (probeSawUtf16) return ProcedureText::kUtf16;
    return inCharacters ? ProcedureText::kGbkCharacterIndex : ProcedureText::kGbkBytes;
  }();
  return found;
}

int CALLBACK wordBreakProc(LPSTR text, int index, int count, int action) {
  if (!text || count <= 0) return 0;
  auto length = static_cast<size_t>(count);
  switch (procedureText()) {
    case ProcedureText::kUtf16:
      return answerWordBreak(std::u16string_view(reinterpret_cast<const char16_t*>(text), length),
                             index, action, wordBreakUse);
    case ProcedureText::kGbkCharacterIndex:
      return answerWordBreak(std::string_view(text, length), index, action, true, wordBreakUse);
    default:
      return answerWordBreak(std::string_view(text, length), index, action, false, wordBreakUse);
  }
}

bool spinHasStaticEdge(int border) { return border == 0 || border == 1 || border == 3; }

int32_t clampChoice(int32_t value, int32_t last) { return std::clamp(value, 0, last); }

class EditBox : public Component {
 public:
  EditBox(const CreateParams& p, const PropertyBlob& blob);
  ~EditBox() override;

  bool createWindow(const CreateParams& p, const std::string& content);
  void teardown();

  int setProperty(int index, const PropertyValue& value);
  bool getProperty(int index, PropertyValue& out) const;
  std::vector<uint8_t> saveProperties() const;
  bool wantsKey(uint32_t key) const;
  std::optional<std::u16string> wideContent() const;

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  DWORD style(DWORD handedOver) const;
  bool singleLine() const { return !multiline_; }
  bool wraps() const { return multiline_ && scrollBars_ != 1 && scrollBars_ != 3; }
  LRESULT callSystem(UINT msg, WPARAM wp, LPARAM lp) const;
  void raise(int32_t event, int32_t argument, int argCount);

  void applyFont();
  void growToFit(HFONT font);
  void recomputeFrame();
  void applyBorder();
  void applyMaxLength();
  void applyInputMode();
  void applySelection();
  void setContent(const char* text);
  void loadInPieces(std::string_view text);
  bool givePiece(std::string_view piece, bool first, DWORD& end);
  void setBackColor(uint32_t colour);
  void setSelStart(int32_t value);
  void setSelLength(int32_t value);

  void createSpin(const CreateParams& p);
  void applySpinRange();
  void placeSpin();

  std::pair<DWORD, DWORD> selectionRange() const;
  Text selectedText() const;

  LRESULT onChar(WPARAM wp, LPARAM lp);
  LRESULT onKeyDown(WPARAM wp, LPARAM lp);
  LRESULT onCommand(WPARAM wp, LPARAM lp);
  LRESULT onNotify(WPARAM wp, LPARAM lp);
  LRESULT onCtlColor(HDC dc);
  LRESULT onNcCalcSize(WPARAM wp, LPARAM lp);
  LRESULT onNcHitTest(WPARAM wp, LPARAM lp);
  LRESULT onNcPaint(WPARAM wp, LPARAM lp);
  LRESULT onEraseBackground(HDC dc);
  LRESULT onWindowPosChanged(WPARAM wp, LPARAM lp);
  LRESULT onShowWindow(WPARAM wp, LPARAM lp);
  LRESULT onEnable(WPARAM wp, LPARAM lp);
  LRESULT onNcDestroy(WPARAM wp, LPARAM lp);
  void onChanged();
  void onFocusLost();
  LRESULT onSpin(int delta);

  int32_t border_;
  uint32_t textColor_;
  uint32_t backColor_;
  bool hideSelection_;
  int32_t maxLength_;
  bool multiline_;
  int32_t scrollBars_;
  int32_t alignment_;
  int32_t inputMode_;
  char passwordChar_;
  int32_t caseConversion_;
  int32_t spinMode_;
  int32_t spinMin_;
  int32_t spinMax_;
  int32_t selStart_;  // the last start written or created, not the live caret
  int32_t selLength_;
  std::vector<uint8_t> font_;  // a LOGFONTA, or anything else for DEFAULT_GUI_FONT
  std::string dataSource_;
  std::string dataColumn_;

  OwnedBrush brush_;
  OwnedFont hfont_;                  // null while the stock font is in use
  HWND spin_ = nullptr;              // owned: destroyed with the box
  int lineHeight_ = 0;               // height of "W": a single-line box's client area
  bool programmaticChange_ = false;  // EN_CHANGE of our own SetWindowText raises nothing
  // While a long text goes in: the whole of it, which reads of Content give; only the pieces
  // themselves (feeding_) may change the control's text.
  std::optional<std::string_view> loading_;
  bool feeding_ = false;
  static WNDPROC systemProc_;
  static WNDPROC systemProcW_;  // the same procedure as the system's wide callers reach it
};

WNDPROC EditBox::systemProc_ = nullptr;
WNDPROC EditBox::systemProcW_ = nullptr;

EditBox::EditBox(const CreateParams& p, const PropertyBlob& blob)
    : Component(p.window, p.unit),
      border_(clampChoice(blob.number(EditBoxBlob::Border), 5)),
      textColor_(static_cast<uint32_t>(blob.number(EditBoxBlob::TextColor))),
      backColor_(static_cast<uint32_t>(blob.number(EditBoxBlob::BackColor))),
      hideSelection_(blob.number(EditBoxBlob::HideSelection) != 0),
      maxLength_(std::max(blob.number(EditBoxBlob::MaxLength), 0)),
      multiline_(blob.number(EditBoxBlob::Multiline) != 0),
      scrollBars_(clampChoice(blob.number(EditBoxBlob::ScrollBars), 3)),
      alignment_(clampChoice(blob.number(EditBoxBlob::Alignment), 2)),
      inputMode_(clampChoice(blob.number(EditBoxBlob::InputMode), kLastInputMode)),
      passwordChar_(static_cast<char>(blob.number(EditBoxBlob::PasswordChar))),
      caseConversion_(clampChoice(blob.number(EditBoxBlob::CaseConversion), 2)),
      spinMode_(clampChoice(blob.number(EditBoxBlob::SpinMode), 2)),
      spinMin_(blob.number(EditBoxBlob::SpinMin)),
      spinMax_(blob.number(EditBoxBlob::SpinMax)),
      selStart_(std::max(blob.number(EditBoxBlob::SelStart), 0)),
      selLength_(std::max(blob.number(EditBoxBlob::SelLength), 0)),
      font_(blob.bytes(EditBoxBlob::Font)),
      dataSource_(blob.text(EditBoxBlob::DataSource)),
      dataColumn_(blob.text(EditBoxBlob::DataColumn)) {}

EditBox::~EditBox() {
  if (spin_ && IsWindow(spin_)) DestroyWindow(spin_);
}

DWORD EditBox::style(DWORD handedOver) const {
  DWORD s = WS_CHILD | WS_CLIPSIBLINGS | (handedOver & (WS_DISABLED | WS_TABSTOP));
  if (!hideSelection_) s |= ES_NOHIDESEL;
  if (multiline_) {
    s |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (scrollBars_ == 1 || scrollBars_ == 3) s |= ES_AUTOHSCROLL | WS_HSCROLL;
    if (scrollBars_ == 2 || scrollBars_ == 3) s |= WS_VSCROLL;
  } else {
    s |= ES_AUTOHSCROLL;
  }
  if (alignment_ == 1) s |= ES_CENTER;
  if (alignment_ == 2) s |= ES_RIGHT;
  if (inputMode_ == kInputReadOnly) s |= ES_READONLY;
  if (inputMode_ == kInputPassword) s |= ES_PASSWORD;
  if (caseConversion_ == 1) s |= ES_LOWERCASE;
  if (caseConversion_ == 2) s |= ES_UPPERCASE;
  return s;
}

bool EditBox::createWindow(const CreateParams& p, const std::string& content) {
  brush_.reset(CreateSolidBrush(resolveColour(backColor_)));
  hwnd_ = CreateWindowExA(0, "EDIT", SystemText(content).c_str(), style(p.style), p.x, p.y, p.width,
                          p.height, p.parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)),
                          GetModuleHandleA(nullptr), nullptr);
  if (!hwnd_) return false;
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (!systemProcW_)
    systemProcW_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd_, GWLP_WNDPROC));
  auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditBox::windowProc)));
  if (!systemProc_) systemProc_ = previous;

  if (wraps()) {
    procedureText();  // asked before the procedure is first called
    SendMessageA(hwnd_, EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(&wordBreakProc));
  }
  applyFont();
  if (singleLine()) recomputeFrame();
  applyMaxLength();
  if (inputMode_ == kInputPassword)
    SendMessageA(hwnd_, EM_SETPASSWORDCHAR, static_cast<uint8_t>(passwordChar_), 0);
  if (singleLine() && spinMode_ != 0) createSpin(p);
  applySelection();
  applyBorder();
  return true;
}

void EditBox::teardown() {
  reportUnitDestroyed(windowId_, unitId_, this);
  delete this;
}

LRESULT EditBox::callSystem(UINT msg, WPARAM wp, LPARAM lp) const {
  return CallWindowProcA(systemProc_, hwnd_, msg, wp, lp);
}

void EditBox::raise(int32_t event, int32_t argument, int argCount) {
  EventRecord record;
  record.window = windowId_;
  record.unit = unitId_;
  record.event = event;
  record.argCount = argCount;
  record.args[0] = argument;
  raiseEvent(record);
}

// --- Applying properties --------------------------------------------------------------------

void EditBox::applyFont() {
  OwnedFont made(createRuleFont(font_));
  auto font = made ? made.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (singleLine()) growToFit(font);
  lineHeight_ = textExtent(font, "W").cy;
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  // The old font goes only now that the control has let go of it.
  hfont_ = std::move(made);
  if (singleLine()) recomputeFrame();
}

void EditBox::growToFit(HFONT font) {
  int needed = textExtent(font, kTallCharacter).cy + 2 * GetSystemMetrics(SM_CYEDGE);
  RECT r;
  GetWindowRect(hwnd_, &r);
  if (r.bottom - r.top >= needed) return;
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, needed,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void EditBox::recomputeFrame() {
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                   SWP_NOOWNERZORDER);
}

void EditBox::applyBorder() {
  constexpr DWORD kEdges = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
  DWORD ex = static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE));
  DWORD st = static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_STYLE));
  SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, (ex & ~kEdges) | borderExStyle(border_));
  SetWindowLongPtrA(hwnd_, GWL_STYLE, (st & ~WS_BORDER) | (border_ == 5 ? WS_BORDER : 0));
  constexpr UINT kFrame =
      SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, kFrame);
  if (!spin_) return;
  DWORD spinEx = static_cast<DWORD>(GetWindowLongPtrA(spin_, GWL_EXSTYLE)) & ~WS_EX_STATICEDGE;
  if (spinHasStaticEdge(border_)) spinEx |= WS_EX_STATICEDGE;
  SetWindowLongPtrA(spin_, GWL_EXSTYLE, spinEx);
  SetWindowPos(spin_, nullptr, 0, 0, 0, 0, kFrame);
}

// MaxLength 0 asks for the control's largest limit: the default of 32 KB would stop the
// user typing into a larger document.
void EditBox::applyMaxLength() { SendMessageA(hwnd_, EM_SETLIMITTEXT, maxLength_, 0); }

void EditBox::applyInputMode() {
  char shown = inputMode_ == kInputPassword ? passwordChar_ : '\0';
  SendMessageA(hwnd_, EM_SETPASSWORDCHAR, static_cast<uint8_t>(shown), 0);
  SendMessageA(hwnd_, EM_SETREADONLY, inputMode_ == kInputReadOnly, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void EditBox::applySelection() {
  int64_t end = std::min<int64_t>(int64_t{selStart_} + selLength_, INT_MAX);
  SendMessageA(hwnd_, EM_SETSEL, selStart_, static_cast<LPARAM>(end));
  SendMessageA(hwnd_, EM_SCROLLCARET, 0, 0);
}

void EditBox::setContent(const char* text) {
  const HWND self = hwnd_;
  programmaticChange_ = true;
  const std::string_view whole(text, lengthWithoutLoneLeadByte(text, systemCodePage()));
  if (multiline_ && whole.size() >= kPiecewiseTextBytes && !loading_) {
    loadInPieces(whole);
    if (!IsWindow(self)) return;
  } else {
    SetWindowTextA(hwnd_, SystemText(text).c_str());
  }
  programmaticChange_ = false;
  // A multi-line control reports no change of its own, a single-line one reported it while
  // the flag was up: either way the one event comes from here, with the text in place.
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd_)), EN_CHANGE),
               reinterpret_cast<LPARAM>(hwnd_));
}

// A long text goes to the control a piece at a time, with the program answering other programs
// between pieces (LongWork). The control takes hundreds of milliseconds or more per megabyte,
// so one WM_SETTEXT would leave the program deaf for minutes; on a long line it is quadratic in
// the line's length, the pieces are not. The box is painted again, at the top, once the text is
// in. Stops early when the control takes no more text (no memory): the writer compares the
// length.
void EditBox::loadInPieces(std::string_view text) {
  LongWork work;
  const HWND self = hwnd_;
  loading_ = text;
  SendMessageA(hwnd_, EM_SETLIMITTEXT, 0, 0);
  PieceSizer sizer;
  DWORD end = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t next = pieceEnd(text, at, sizer.size());
    const double started = nowMs();
    if (!givePiece(text.substr(at, next - at), at == 0, end)) break;
    sizer.took(next - at, nowMs() - started);
    // The box is not painted meanwhile (its old look stays): a paint at the end of a long text
    // costs the control a walk through all its lines for every line it shows.
    ValidateRect(hwnd_, nullptr);
    keepAnswering();
    if (!IsWindow(self)) return;
    at = next;
  }
  loading_.reset();
  SendMessageA(hwnd_, EM_SETSEL, 0, 0);
  SendMessageA(hwnd_, EM_SCROLLCARET, 0, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
  SendMessageA(hwnd_, EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageA(hwnd_, EM_SETMODIFY, FALSE, 0);
  applyMaxLength();
}

// Appends a piece at the caret, which stays at the end of the text between pieces (the first
// piece replaces the text). `end` is where the text ended, in the control's units, and becomes
// where it ends now; false when the control took nothing.
bool EditBox::givePiece(std::string_view piece, bool first, DWORD& end) {
  std::string chars;
  try {
    chars.assign(piece);
  } catch (const std::bad_alloc&) {
    return false;
  }
  feeding_ = true;
  if (first) {
    SetWindowTextA(hwnd_, chars.c_str());
    SendMessageA(hwnd_, EM_SETSEL, INT_MAX, INT_MAX);
  } else {
    // Placing the caret costs the control a walk through its lines: only when it moved.
    if (selectionRange() != std::pair<DWORD, DWORD>(end, end))
      SendMessageA(hwnd_, EM_SETSEL, INT_MAX, INT_MAX);
    SendMessageA(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(chars.c_str()));
  }
  feeding_ = false;
  const DWORD before = end;
  end = selectionRange().second;
  return end > before;
}

void EditBox::setBackColor(uint32_t colour) {
  backColor_ = colour;
  brush_.reset(CreateSolidBrush(resolveColour(backColor_)));
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
}

void EditBox::setSelStart(int32_t value) {
  if (value == -1) {
    selStart_ = GetWindowTextLengthA(hwnd_);
    selLength_ = 0;
  } else {
    selStart_ = std::max(value, 0);
  }
  applySelection();
}

void EditBox::setSelLength(int32_t value) {
  if (value == -1) {
    selStart_ = 0;
    selLength_ = GetWindowTextLengthA(hwnd_);
  } else {
    selLength_ = std::max(value, 0);
  }
  applySelection();
}

// --- Spin button ----------------------------------------------------------------------------

void EditBox::createSpin(const CreateParams& p) {
  DWORD ex = spinHasStaticEdge(border_) ? WS_EX_STATICEDGE : 0;
  DWORD st = WS_CHILD | WS_CLIPSIBLINGS | (p.style & WS_DISABLED);
  spin_ =
      CreateWindowExA(ex, UPDOWN_CLASSA, "", st, 0, 0, kSpinWidth, p.height, p.parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId + kSpinIdOffset)),
                      GetModuleHandleA(nullptr), nullptr);
  if (!spin_) {
    spinMode_ = 0;
    return;
  }
  applySpinRange();
  placeSpin();
  if (IsWindowVisible(hwnd_)) ShowWindow(spin_, SW_SHOWNA);
}

void EditBox::applySpinRange() {
  if (!spin_) return;
  // The 16-bit message would cut ends beyond 32767, and a cut maximum below the minimum turns
  // the arrows round.
  SendMessageA(spin_, UDM_SETRANGE32, static_cast<WPARAM>(std::min(spinMin_, spinMax_)),
               static_cast<LPARAM>(std::max(spinMin_, spinMax_)));
}

void EditBox::placeSpin() {
  RECT r;
  GetWindowRect(hwnd_, &r);
  MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(spin_, hwnd_, r.right, r.top, kSpinWidth, r.bottom - r.top,
               SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

LRESULT EditBox::onSpin(int delta) {
  if (!IsWindowEnabled(hwnd_) || !IsWindowVisible(hwnd_)) return 1;
  if (spinMode_ == 2) {
    raise(kEditSpinPressed, delta >= 0 ? 1 : -1, 1);
    return 1;
  }
  int32_t next = spinStep(parseLeadingInteger(windowText(hwnd_).view()), delta, spinMin_, spinMax_);
  HWND self = hwnd_;
  setContent(std::to_string(next).c_str());
  if (!IsWindow(self)) return 1;  // a handler of the change closed the window
  SendMessageA(hwnd_, EM_SETSEL, 0, -1);
  SendMessageA(hwnd_, EM_SCROLLCARET, 0, 0);
  SetFocus(hwnd_);
  // Answered: the up-down control keeps no position of its own.
  return 1;
}

// --- Property access ------------------------------------------------------------------------

std::pair<DWORD, DWORD> EditBox::selectionRange() const {
  DWORD start = 0, end = 0;
  SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, std::max(start, end)};
}

// The control keeps its text in UTF-16 and answers a wide WM_GETTEXT with a plain copy; its
// wide procedure is called directly, past this box's narrow one, through which the text would
// be converted twice.
std::optional<std::u16string> EditBox::wideContent() const {
  const LRESULT length = CallWindowProcW(systemProcW_, hwnd_, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::u16string();
  if (length >= INT_MAX) return std::nullopt;
  std::u16string text;
  try {
    text.resize(static_cast<size_t>(length) + 1);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  const LRESULT copied = CallWindowProcW(systemProcW_, hwnd_, WM_GETTEXT, length + 1,
                                         reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

Text EditBox::selectedText() const {
  auto [start, end] = selectionRange();
  if (start == end) return Text();
  Text text = windowText(hwnd_);
  std::string_view all = text.view();
  // Controls that count in characters (Wine's) report a length short of the byte count.
  LRESULT lastLine = SendMessageA(hwnd_, EM_GETLINECOUNT, 0, 0) - 1;
  LRESULT lastIndex = SendMessageA(hwnd_, EM_LINEINDEX, lastLine, 0);
  auto units = static_cast<size_t>(lastIndex + SendMessageA(hwnd_, EM_LINELENGTH, lastIndex, 0));
  size_t from = start, to = end;
  if (units != all.size()) {
    from = gbkByteOffset(all, start);
    to = gbkByteOffset(all, end);
  }
  from = std::min(from, all.size());
  to = std::min(to, all.size());
  return Text::copyOf(all.substr(from, to - from));
}

int EditBox::setProperty(int index, const PropertyValue& value) {
  int32_t n = value.asInt();
  switch (index + 8) {
    case kEditContent:
      setContent(value.c_str());
      return 0;
    case kEditBorder:
      border_ = clampChoice(n, 5);
      applyBorder();
      return 0;
    case kEditTextColor:
      textColor_ = value.low();
      InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case kEditBackColor:
      setBackColor(value.low());
      return 0;
    case kEditFont: {
      const ByteBuffer& bytes = value.asBytes();
      font_.assign(bytes.data(), bytes.data() + bytes.size());
      applyFont();
      return 0;
    }
    case kEditHideSelection:
      return std::exchange(hideSelection_, n != 0) != (n != 0);
    case kEditMaxLength:
      maxLength_ = std::max(n, 0);
      applyMaxLength();
      return 0;
    case kEditMultiline:
      return std::exchange(multiline_, n != 0) != (n != 0);
    case kEditScrollBars:
      return std::exchange(scrollBars_, clampChoice(n, 3)) != clampChoice(n, 3);
    case kEditAlignment:
      return std::exchange(alignment_, clampChoice(n, 2)) != clampChoice(n, 2);
    case kEditInputMode:
      inputMode_ = clampChoice(n, kLastInputMode);
      applyInputMode();
      return 0;
    case kEditPasswordChar:
      passwordChar_ = value.c_str()[0];
      if (inputMode_ == kInputPassword) applyInputMode();
      return 0;
    case kEditCaseConversion:
      return std::exchange(caseConversion_, clampChoice(n, 2)) != clampChoice(n, 2);
    case kEditSpinMode:
      return std::exchange(spinMode_, clampChoice(n, 2)) != clampChoice(n, 2);
    case kEditSpinMin:
      spinMin_ = n;
      applySpinRange();
      return 0;
    case kEditSpinMax:
      spinMax_ = n;
      applySpinRange();
      return 0;
    case kEditSelStart:
      setSelStart(n);
      return 0;
    case kEditSelLength:
      setSelLength(n);
      return 0;
    case kEditSelText:
      SendMessageA(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(value.c_str()));
      return 0;
    case kEditDataSource:
      dataSource_ = value.c_str();
      return 0;
    case kEditDataColumn:
      dataColumn_ = value.c_str();
      return 0;
    default:
      return 0;
  }
}

bool EditBox::getProperty(int index, PropertyValue& out) const {
  auto [start, end] = selectionRange();
  switch (index + 8) {
    case kEditContent: {
      std::optional<Text> text = loading_ ? Text::copyOf(*loading_) : wholeWindowText(hwnd_);
      if (loading_ && !loading_->empty() && text->isNull()) text.reset();
      out = text ? PropertyValue(std::move(*text)) : PropertyValue::unreadableValue();
      return true;
    }
    case kEditBorder:
      out = PropertyValue(border_);
      return true;
    case kEditTextColor:
      out = PropertyValue(textColor_);
      return true;
    case kEditBackColor:
      out = PropertyValue(backColor_);
      return true;
    case kEditFont:
      if (font_.size() == sizeof(LOGFONTA))
        out = PropertyValue(ByteBuffer::copyOf(font_.data(), font_.size()));
      return true;
    case kEditHideSelection:
      out = PropertyValue(int32_t{hideSelection_});
      return true;
    case kEditMaxLength:
      out = PropertyValue(maxLength_);
      return true;
    case kEditMultiline:
      out = PropertyValue(int32_t{multiline_});
      return true;
    case kEditScrollBars:
      out = PropertyValue(scrollBars_);
      return true;
    case kEditAlignment:
      out = PropertyValue(alignment_);
      return true;
    case kEditInputMode:
      out = PropertyValue(inputMode_);
      return true;
    case kEditPasswordChar:
      out = PropertyValue(Text::copyOf(std::string_view(&passwordChar_, passwordChar_ ? 1 : 0)));
      return true;
    case kEditCaseConversion:
      out = PropertyValue(caseConversion_);
      return true;
    case kEditSpinMode:
      out = PropertyValue(spinMode_);
      return true;
    case kEditSpinMin:
      out = PropertyValue(spinMin_);
      return true;
    case kEditSpinMax:
      out = PropertyValue(spinMax_);
      return true;
    case kEditSelStart:
      out = PropertyValue(static_cast<int32_t>(start));
      return true;
    case kEditSelLength:
      out = PropertyValue(static_cast<int32_t>(end - start));
      return true;
    case kEditSelText:
      out = PropertyValue(selectedText());
      return true;
    case kEditDataSource:
      out = PropertyValue(Text::copyOf(dataSource_));
      return true;
    case kEditDataColumn:
      out = PropertyValue(Text::copyOf(dataColumn_));
      return true;
    default:
      return false;
  }
}

std::vector<uint8_t> EditBox::saveProperties() const {
  PropertyBlob blob(*blobLayoutFor(kEditBoxType));
  auto [start, end] = selectionRange();
  blob.setNumber(EditBoxBlob::Border, border_);
  blob.setNumber(EditBoxBlob::TextColor, static_cast<int32_t>(textColor_));
  blob.setNumber(EditBoxBlob::BackColor, static_cast<int32_t>(backColor_));
  blob.setNumber(EditBoxBlob::HideSelection, hideSelection_);
  blob.setNumber(EditBoxBlob::MaxLength, maxLength_);
  blob.setNumber(EditBoxBlob::Multiline, multiline_);
  blob.setNumber(EditBoxBlob::ScrollBars, scrollBars_);
  blob.setNumber(EditBoxBlob::Alignment, alignment_);
  blob.setNumber(EditBoxBlob::InputMode, inputMode_);
  blob.setNumber(EditBoxBlob::PasswordChar, static_cast<uint8_t>(passwordChar_));
  blob.setNumber(EditBoxBlob::CaseConversion, caseConversion_);
  blob.setNumber(EditBoxBlob::SpinMode, spinMode_);
  blob.setNumber(EditBoxBlob::SpinMin, spinMin_);
  blob.setNumber(EditBoxBlob::SpinMax, spinMax_);
  blob.setNumber(EditBoxBlob::SelStart, static_cast<int32_t>(start));
  blob.setNumber(EditBoxBlob::SelLength, static_cast<int32_t>(end - start));
  blob.setBytes(EditBoxBlob::Font, font_);
  blob.setText(EditBoxBlob::Content, windowText(hwnd_).view());
  blob.setText(EditBoxBlob::DataSource, dataSource_);
  blob.setText(EditBoxBlob::DataColumn, dataColumn_);
  return blob.write();
}

// Enter goes to an editable multi-line box instead of the window's navigation.
bool EditBox::wantsKey(uint32_t key) const {
  return key == VK_RETURN && multiline_ && inputMode_ != kInputReadOnly;
}

// --- Messages -------------------------------------------------------------------------------

LRESULT EditBox::onChar(WPARAM wp, LPARAM lp) {
  if (!acceptsChar(inputMode_, static_cast<uint32_t>(wp))) return 0;
  return callSystem(WM_CHAR, wp, lp);
}

LRESULT EditBox::onKeyDown(WPARAM wp, LPARAM lp) {
  bool wordMove = (wp == VK_LEFT || wp == VK_RIGHT) && GetKeyState(VK_CONTROL) < 0;
  WordBreakScope scope(wordMove ? WordBreakUse::kCaretMove : wordBreakUse);
  return callSystem(WM_KEYDOWN, wp, lp);
}

LRESULT EditBox::onCommand(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(lp) != hwnd_) return callSystem(WM_COMMAND, wp, lp);
  switch (HIWORD(wp)) {
    case EN_CHANGE:
      onChanged();
      break;
    case EN_SETFOCUS:
      raise(kEventGotFocus, 0, 0);
      break;
    case EN_KILLFOCUS:
      onFocusLost();
      break;
  }
  return 0;
}

void EditBox::onChanged() {
  if (!programmaticChange_) raise(kEditChanged, 0, 0);
}

void EditBox::onFocusLost() {
  Text text = windowText(hwnd_);
  auto normalized = normalizeOnFocusLoss(inputMode_, text.view());
  if (normalized && *normalized != text.view()) {
    DWORD start = selectionRange().first;
    HWND self = hwnd_;
    setContent(normalized->c_str());
    if (!IsWindow(self)) return;
    SendMessageA(hwnd_, EM_SETSEL, start, start);
  }
  raise(kEventLostFocus, 0, 0);
}

LRESULT EditBox::onNotify(WPARAM wp, LPARAM lp) {
  auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (spin_ && header->hwndFrom == spin_ && header->code == UDN_DELTAPOS)
    return onSpin(reinterpret_cast<const NMUPDOWN*>(lp)->iDelta);
  return callSystem(WM_NOTIFY, wp, lp);
}

LRESULT EditBox::onCtlColor(HDC dc) {
  SetTextColor(dc, textColor_);
  SetBkColor(dc, resolveColour(backColor_));
  return reinterpret_cast<LRESULT>(brush_.get());
}

LRESULT EditBox::onNcCalcSize(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_NCCALCSIZE, wp, lp);
  RECT& client =
      wp ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : *reinterpret_cast<RECT*>(lp);
  int height = client.bottom - client.top;
  if (lineHeight_ > 0 && height > lineHeight_) {
    client.top += (height - lineHeight_) / 2;
    client.bottom = client.top + lineHeight_;
  }
  return result;
}

LRESULT EditBox::onNcHitTest(WPARAM wp, LPARAM lp) {
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  RECT client;
  GetClientRect(hwnd_, &client);
  MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
  if (!PtInRect(&client, pt)) return HTBORDER;
  return callSystem(WM_NCHITTEST, wp, lp);
}

LRESULT EditBox::onNcPaint(WPARAM wp, LPARAM lp) {
  {
    RECT window, client;
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    OffsetRect(&window, -window.left, -window.top);
    WindowDC dc(hwnd_);
    ExcludeClipRect(dc.dc(), client.left, client.top, client.right, client.bottom);
    FillRect(dc.dc(), &window, brush_.get());
  }
  return callSystem(WM_NCPAINT, wp, lp);
}

LRESULT EditBox::onEraseBackground(HDC dc) {
  RECT box;
  GetClipBox(dc, &box);
  FillRect(dc, &box, brush_.get());
  return 1;
}

// WM_MOVE and WM_SIZE come out of this message's default processing; the spin button
// follows here once, z-order included.
LRESULT EditBox::onWindowPosChanged(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_WINDOWPOSCHANGED, wp, lp);
  if (spin_) placeSpin();
  return result;
}

LRESULT EditBox::onShowWindow(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_SHOWWINDOW, wp, lp);
  if (spin_) ShowWindow(spin_, wp ? SW_SHOWNA : SW_HIDE);
  return result;
}

LRESULT EditBox::onEnable(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_ENABLE, wp, lp);
  if (spin_) EnableWindow(spin_, static_cast<BOOL>(wp));
  return result;
}

LRESULT EditBox::onNcDestroy(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_NCDESTROY, wp, lp);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  teardown();
  return result;
}

LRESULT CALLBACK EditBox::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* box = reinterpret_cast<EditBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!box) return CallWindowProcA(systemProc_, hwnd, msg, wp, lp);
  if (box->loading_ && !box->feeding_ && changesText(msg)) return 0;
  switch (msg) {
    case WM_CHAR:
      return box->onChar(wp, lp);
    case WM_KEYDOWN:
      return box->onKeyDown(wp, lp);
    case WM_LBUTTONDBLCLK: {
      WordBreakScope scope(WordBreakUse::kSelectWord);
      return box->callSystem(msg, wp, lp);
    }
    case WM_COMMAND:
      return box->onCommand(wp, lp);
    case WM_NOTIFY:
      return box->onNotify(wp, lp);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return box->onCtlColor(reinterpret_cast<HDC>(wp));
    case WM_NCCALCSIZE:
      return box->singleLine() ? box->onNcCalcSize(wp, lp) : box->callSystem(msg, wp, lp);
    case WM_NCHITTEST:
      return box->singleLine() ? box->onNcHitTest(wp, lp) : box->callSystem(msg, wp, lp);
    case WM_NCPAINT:
      return box->singleLine() ? box->onNcPaint(wp, lp) : box->callSystem(msg, wp, lp);
    case WM_ERASEBKGND:
      return box->singleLine() ? box->onEraseBackground(reinterpret_cast<HDC>(wp))
                               : box->callSystem(msg, wp, lp);
    case WM_WINDOWPOSCHANGED:
      return box->onWindowPosChanged(wp, lp);
    case WM_SHOWWINDOW:
      return box->onShowWindow(wp, lp);
    case WM_ENABLE:
      return box->onEnable(wp, lp);
    case WM_NCDESTROY:
      return box->onNcDestroy(wp, lp);
    default:
      return box->callSystem(msg, wp, lp);
  }
}

// --- Operations -----------------------------------------------------------------------------

Component* create(const CreateParams& p) {
  auto blob = PropertyBlob::read(*blobLayoutFor(kEditBoxType), p.properties, p.propertiesSize);
  if (!blob) return nullptr;
  auto* box = new EditBox(p, *blob);
  if (!box->createWindow(p, blob->text(EditBoxBlob::Content))) {
    box->teardown();
    return nullptr;
  }
  return box;
}

bool wantsKey(Component* c, uint32_t key) { return static_cast<EditBox*>(c)->wantsKey(key); }

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&create);
  if (operation == kOpWantsKey) return operationFor<kOpWantsKey>(&wantsKey);
  return PropertyOperations<EditBox>::lookup(operation);
}

// clang-format off
const PropertyDescriptor kEditBoxProperties[] = {
    QUENLO_COMMON_PROPERTIES,
    {kKindText, kPropertyNormal},                          // 8 Content
    {kKindChoice, kPropertyNormal},                        // 9 Border
    {kKindColour, kPropertyNormal},                        // 10 TextColor
    {kKindColourSystem, kPropertyNormal},                  // 11 BackColor
    {kKindFont, kPropertyNormal},                          // 12 Font
    {kKindLogical, kPropertyNormal},                       // 13 HideSelection
    {kKindInteger, kPropertyNormal},                       // 14 MaxLength
    {kKindLogical, kPropertyNormal},                       // 15 Multiline
    {kKindChoice, kPropertyNormal},                        // 16 ScrollBars
    {kKindChoice, kPropertyNormal},                        // 17 Alignment
    {kKindChoice, kPropertyNormal},                        // 18 InputMode
    {kKindText, kPropertyNormal},                          // 19 PasswordChar
    {kKindChoice, kPropertyNormal},                        // 20 CaseConversion
    {kKindChoice, kPropertyNormal},                        // 21 SpinMode
    {kKindInteger, kPropertyNormal},                       // 22 SpinMin
    {kKindInteger, kPropertyNormal},                       // 23 SpinMax
    {kKindInteger, kPropertyNormal},                       // 24 SelStart
    {kKindInteger, kPropertyNormal},                       // 25 SelLength
    {kKindText, kPropertyNormal | kPropertyRunTimeOnly},   // 26 SelText
    {kKindBinding, kPropertyNormal},                       // 27 DataSource
    {kKindBinding2, kPropertyNormal},                      // 28 DataColumn
};
// clang-format on

const ComponentType kEditBox{
    .name = "编辑框",
    .englishName = "EditBox",
    .state = kStateEvents,
    .properties = kEditBoxProperties,
    .lookup = &lookup,
};

const bool registered = registerComponentType(kEditBoxType, kEditBox);

}  // namespace

std::optional<std::u16string> copyContent(UnitId window, UnitId unit) {
  auto* box = dynamic_cast<EditBox*>(resolveUnit(window, unit));
  if (!box) fatalError(FatalText::kUnitNotLoaded, 0, window, unit);
  return box->wideContent();
}
