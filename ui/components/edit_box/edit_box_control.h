#pragma once
// What the edit box's sources share: the component itself and the helpers of its text.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "form/property_blob.h"
#include "runtime/text.h"
#include "ui/components/edit_box/word_break.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_type.h"

// From this length (UTF-16 units) a new font is given by reloading the text.
inline constexpr LRESULT kRefontByReloadingChars = 256 * 1024;

// One GBK double-byte character: what a line of this box must have room for.
inline constexpr char kTallCharacter[] = "中";

// The whole text of a window, read once into a runtime block; nothing when there is no memory
// for it.
std::optional<Text> wholeWindowText(HWND hwnd);
Text windowText(HWND hwnd);

// The procedure through which a wrapping box breaks its lines.
EDITWORDBREAKPROCA wordBreakProcedure();
// Tells the procedure what the control is doing while the scope lasts (wrapping, moving the
// caret by words, selecting a word).
class WordBreakScope {
 public:
  explicit WordBreakScope(WordBreakUse use);
  ~WordBreakScope();
  static WordBreakUse current();
  WordBreakScope(const WordBreakScope&) = delete;
  WordBreakScope& operator=(const WordBreakScope&) = delete;

 private:
  WordBreakUse saved_;
};

class EditBox : public Component {
 public:
  EditBox(const CreateParams& p, const PropertyBlob& blob);
  ~EditBox() override;

  bool createWindow(const CreateParams& p, const std::string& content);
  void teardown();

  static const PropertyRow kProperties[];
  std::vector<uint8_t> saveProperties() const;
  bool wantsKey(uint32_t key) const;
  std::optional<std::u16string> wideContent() const;

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  DWORD style(DWORD handedOver) const;
  bool singleLine() const { return !multiline_; }
  bool wraps() const { return multiline_ && scrollBars_ != 1 && scrollBars_ != 3; }
  LRESULT callSystem(UINT msg, WPARAM wp, LPARAM lp) const;
  // The control's wide procedure, past this box's narrow one: the control keeps its text in
  // UTF-16, so text given or taken this way is not converted on the way.
  LRESULT callSystemW(UINT msg, WPARAM wp, LPARAM lp) const;
  void raise(int32_t event, int32_t argument, int argCount);

  void applyFont();
  bool refontByReloading(HFONT font);
  void growToFit(HFONT font);
  void recomputeFrame();
  void applyBorder();
  void applyMaxLength();
  void applyInputMode();
  void applySelection();
  void setContent(const char* text);
  void loadInPieces(std::string_view text);
  bool givePiece(std::string_view piece, bool first, DWORD& end, std::u16string& wide);
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
  // While a long text goes in: the whole of it, which reads of Content give. Nothing else may
  // change the control's text meanwhile; the pieces go past this box's procedure.
  std::optional<std::string_view> loading_;
  static WNDPROC systemProc_;
  static WNDPROC systemProcW_;  // the same procedure as the system's wide callers reach it
};
