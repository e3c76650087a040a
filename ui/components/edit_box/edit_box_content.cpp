// The edit box's text going in and out: a long text in pieces with the program answering
// meanwhile, the text read back whole or in UTF-16.

#include <windows.h>

#include <algorithm>
#include <climits>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/heap.h"
#include "runtime/system_code_page.h"
#include "ui/components/edit_box/edit_box.h"
#include "ui/components/edit_box/edit_box_control.h"
#include "ui/components/edit_box/edit_box_input.h"
#include "ui/components/edit_box/piece_sizer.h"
#include "ui/model/long_work.h"

namespace {

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

}  // namespace

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
  std::u16string wide;
  DWORD end = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t next = pieceEnd(text, at, sizer.size());
    const double started = nowMs();
    if (!givePiece(text.substr(at, next - at), at == 0, end, wide)) break;
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
// where it ends now; false when the control took nothing. The piece goes to the control's wide
// procedure in `wide`, a buffer kept for the whole load: the narrow one would convert each piece
// into a copy of its own, and those copies, made and freed between the control's records of its
// lines, scatter the records through the heap and slow every later walk through them.
bool EditBox::givePiece(std::string_view piece, bool first, DWORD& end, std::u16string& wide) {
  const int bytes = static_cast<int>(piece.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, piece.data(), bytes, nullptr, 0);
  try {
    if (wide.size() <= static_cast<size_t>(units)) wide.resize(static_cast<size_t>(units) + 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  MultiByteToWideChar(CP_ACP, 0, piece.data(), bytes, reinterpret_cast<wchar_t*>(wide.data()),
                      units);
  wide[static_cast<size_t>(units)] = u'\0';
  const auto chars = reinterpret_cast<LPARAM>(wide.data());
  if (first) {
    callSystemW(WM_SETTEXT, 0, chars);
    SendMessageA(hwnd_, EM_SETSEL, INT_MAX, INT_MAX);
  } else {
    // Placing the caret costs the control a walk through its lines: only when it moved.
    if (selectionRange() != std::pair<DWORD, DWORD>(end, end))
      SendMessageA(hwnd_, EM_SETSEL, INT_MAX, INT_MAX);
    callSystemW(EM_REPLACESEL, FALSE, chars);
  }
  const DWORD before = end;
  end = selectionRange().second;
  return end > before;
}

std::pair<DWORD, DWORD> EditBox::selectionRange() const {
  DWORD start = 0, end = 0;
  SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, std::max(start, end)};
}

// The control answers a wide WM_GETTEXT with a plain copy of its text; through this box's narrow
// procedure the text would be converted twice.
std::optional<std::u16string> EditBox::wideContent() const {
  const LRESULT length = callSystemW(WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::u16string();
  if (length >= INT_MAX) return std::nullopt;
  std::u16string text;
  try {
    text.resize(static_cast<size_t>(length) + 1);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  const LRESULT copied = callSystemW(WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
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

// Given a new font, the control measures all its lines again, several times slower than it lays
// out the same text given anew (5 MB: 11 to 16 s against 3.3 to 4.7 s under Wine). A long text
// is therefore taken out, the font set on the empty box and the text put back, with the selection,
// the text at the top of the view and the modified flag as they were. Putting the text back empties
// the undo buffer, so a box with something to undo takes the slow way. False when it took that way.
bool EditBox::refontByReloading(HFONT font) {
  if (!multiline_ || loading_ || SendMessageA(hwnd_, EM_CANUNDO, 0, 0)) return false;
  const auto firstVisibleLine = [&] { return SendMessageA(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0); };
  const auto length = [&] { return callSystemW(WM_GETTEXTLENGTH, 0, 0); };
  const std::optional<std::u16string> text = wideContent();
  if (!text || static_cast<LRESULT>(text->size()) < kRefontByReloadingChars) return false;
  const auto [start, end] = selectionRange();
  const LRESULT modified = SendMessageA(hwnd_, EM_GETMODIFY, 0, 0);
  const LRESULT topChar = SendMessageA(hwnd_, EM_LINEINDEX, firstVisibleLine(), 0);
  const auto setWide = [&](const char16_t* chars) {
    return callSystemW(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chars));
  };
  programmaticChange_ = true;
  setWide(u"");
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  setWide(text->c_str());
  // The text fitted a moment ago; should the control take less now, it is given once more.
  if (length() != static_cast<LRESULT>(text->size())) setWide(text->c_str());
  programmaticChange_ = false;
  SendMessageA(hwnd_, EM_SETSEL, start, static_cast<LPARAM>(end));
  // The view starts at the same text, now on the line the new font put it on.
  const LRESULT topLine = SendMessageA(hwnd_, EM_LINEFROMCHAR, topChar, 0);
  SendMessageA(hwnd_, EM_LINESCROLL, 0, topLine - firstVisibleLine());
  SendMessageA(hwnd_, EM_SETMODIFY, modified, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}
