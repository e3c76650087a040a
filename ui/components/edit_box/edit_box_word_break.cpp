#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

#include "ui/components/edit_box/edit_box_control.h"
#include "ui/components/edit_box/word_break.h"

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

namespace {

enum class ProcedureText { kGbkBytes, kGbkCharacterIndex, kUtf16 };

// What the control is doing while it calls the procedure.
WordBreakUse wordBreakUse = WordBreakUse::kWrap;

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

}  // namespace

WordBreakScope::WordBreakScope(WordBreakUse use) : saved_(std::exchange(wordBreakUse, use)) {}
WordBreakScope::~WordBreakScope() { wordBreakUse = saved_; }
WordBreakUse WordBreakScope::current() { return wordBreakUse; }

EDITWORDBREAKPROCA wordBreakProcedure() {
  procedureText();  // asked before the procedure is first called
  return &wordBreakProc;
}
