// The edit box component: a subclassed system EDIT control. The window reflects the control's
// notifications (EN_CHANGE, EN_SETFOCUS, EN_KILLFOCUS, UDN_DELTAPOS) and WM_CTLCOLOR* back to
// it, so the whole behaviour lives in the box's window procedure (edit_box_messages.cpp). Its
// text goes in and out in edit_box_content.cpp, its lines break in edit_box_word_break.cpp.
//
// Not implemented:
// - Data binding: DataSource and DataColumn are only stored; the program binds nothing.
// - enumerateTexts (operation 9): the program never calls it.

#include "ui/components/edit_box/edit_box.h"
#include "ui/components/edit_box/edit_box_control.h"

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

SIZE textExtent(HFONT font, const char* text) {
  ScreenDC screen;
  SelectObjectScope select(screen.dc(), font);
  SIZE size{};
  GetTextExtentPoint32A(screen.dc(), text, static_cast<int>(std::strlen(text)), &size);
  return size;
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

bool spinHasStaticEdge(int border) { return border == 0 || border == 1 || border == 3; }

int32_t clampChoice(int32_t value, int32_t last) { return std::clamp(value, 0, last); }

EditBox& box(Component& c) { return static_cast<EditBox&>(c); }
const EditBox& box(const Component& c) { return static_cast<const EditBox&>(c); }

// Stores a style the control takes only when it is made: 1, re-create it, when it changed.
template <class T>
int restyled(T& stored, T value) {
  return std::exchange(stored, value) != value;
}

PropertyValue textValue(const std::string& s) { return PropertyValue(Text::copyOf(s)); }

// The rows of a number the box keeps in a member: read back as it is; stored and then applied
// to the control; or a style, stored, that the control takes only when it is made.
template <auto Member>
PropertyValue readNumber(const Component& c, const PropertyRow&) {
  return PropertyValue(static_cast<int32_t>(box(c).*Member));
}

template <auto Member, void (EditBox::*Apply)()>
int writeApplied(Component& c, const PropertyRow&, const PropertyValue& v) {
  box(c).*Member = v.asInt();
  (box(c).*Apply)();
  return 0;
}

template <auto Member>
int writeStyle(Component& c, const PropertyRow&, const PropertyValue& v) {
  auto& stored = box(c).*Member;
  return restyled(stored, static_cast<std::remove_reference_t<decltype(stored)>>(v.asInt()));
}

}  // namespace

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
    SendMessageA(hwnd_, EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(wordBreakProcedure()));
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

LRESULT EditBox::callSystemW(UINT msg, WPARAM wp, LPARAM lp) const {
  return CallWindowProcW(systemProcW_, hwnd_, msg, wp, lp);
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
  if (!refontByReloading(font))
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

// clang-format off
const PropertyRow EditBox::kProperties[] = {
    {kEditContent, kKindText, {},
     [](const Component& c, const PropertyRow&) {
       const EditBox& b = box(c);
       std::optional<Text> text =
           b.loading_ ? Text::copyOf(*b.loading_) : wholeWindowText(c.hwnd());
       if (b.loading_ && !b.loading_->empty() && text->isNull()) text.reset();
       return text ? PropertyValue(std::move(*text)) : PropertyValue::unreadableValue();
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).setContent(v.c_str());
       return 0;
     }},
    {kEditBorder, kKindChoice, {0, 5}, readNumber<&EditBox::border_>,
     writeApplied<&EditBox::border_, &EditBox::applyBorder>},
    {kEditTextColor, kKindColour, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(box(c).textColor_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).textColor_ = v.low();
       InvalidateRect(c.hwnd(), nullptr, TRUE);
       return 0;
     }},
    {kEditBackColor, kKindColourSystem, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(box(c).backColor_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).setBackColor(v.low());
       return 0;
     }},
    {kEditFont, kKindFont, {},
     [](const Component& c, const PropertyRow&) {
       const std::vector<uint8_t>& font = box(c).font_;
       if (font.size() != sizeof(LOGFONTA)) return PropertyValue();
       return PropertyValue(ByteBuffer::copyOf(font.data(), font.size()));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).font_.assign(v.asBytes().data(), v.asBytes().data() + v.asBytes().size());
       box(c).applyFont();
       return 0;
     }},
    {kEditHideSelection, kKindLogical, {}, readNumber<&EditBox::hideSelection_>,
     writeStyle<&EditBox::hideSelection_>},
    {kEditMaxLength, kKindInteger, {.min = 0}, readNumber<&EditBox::maxLength_>,
     writeApplied<&EditBox::maxLength_, &EditBox::applyMaxLength>},
    {kEditMultiline, kKindLogical, {}, readNumber<&EditBox::multiline_>,
     writeStyle<&EditBox::multiline_>},
    {kEditScrollBars, kKindChoice, {0, 3}, readNumber<&EditBox::scrollBars_>,
     writeStyle<&EditBox::scrollBars_>},
    {kEditAlignment, kKindChoice, {0, 2}, readNumber<&EditBox::alignment_>,
     writeStyle<&EditBox::alignment_>},
    {kEditInputMode, kKindChoice, {0, kLastInputMode}, readNumber<&EditBox::inputMode_>,
     writeApplied<&EditBox::inputMode_, &EditBox::applyInputMode>},
    {kEditPasswordChar, kKindText, {},
     [](const Component& c, const PropertyRow&) {
       const char& shown = box(c).passwordChar_;
       return PropertyValue(Text::copyOf(std::string_view(&shown, shown ? 1 : 0)));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).passwordChar_ = v.c_str()[0];
       if (box(c).inputMode_ == kInputPassword) box(c).applyInputMode();
       return 0;
     }},
    {kEditCaseConversion, kKindChoice, {0, 2}, readNumber<&EditBox::caseConversion_>,
     writeStyle<&EditBox::caseConversion_>},
    {kEditSpinMode, kKindChoice, {0, 2}, readNumber<&EditBox::spinMode_>,
     writeStyle<&EditBox::spinMode_>},
    {kEditSpinMin, kKindInteger, {}, readNumber<&EditBox::spinMin_>,
     writeApplied<&EditBox::spinMin_, &EditBox::applySpinRange>},
    {kEditSpinMax, kKindInteger, {}, readNumber<&EditBox::spinMax_>,
     writeApplied<&EditBox::spinMax_, &EditBox::applySpinRange>},
    {kEditSelStart, kKindInteger, {},
     [](const Component& c, const PropertyRow&) {
       return PropertyValue(static_cast<int32_t>(box(c).selectionRange().first));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).setSelStart(v.asInt());
       return 0;
     }},
    {kEditSelLength, kKindInteger, {},
     [](const Component& c, const PropertyRow&) {
       const auto [start, end] = box(c).selectionRange();
       return PropertyValue(static_cast<int32_t>(end - start));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).setSelLength(v.asInt());
       return 0;
     }},
    {kEditSelText, kKindText, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(box(c).selectedText()); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       SendMessageA(c.hwnd(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(v.c_str()));
       return 0;
     },
     -1,
     kPropertyNormal | kPropertyRunTimeOnly},
    {kEditDataSource, kKindBinding, {},
     [](const Component& c, const PropertyRow&) { return textValue(box(c).dataSource_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).dataSource_ = v.c_str();
       return 0;
     }},
    {kEditDataColumn, kKindBinding2, {},
     [](const Component& c, const PropertyRow&) { return textValue(box(c).dataColumn_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       box(c).dataColumn_ = v.c_str();
       return 0;
     }},
};
// clang-format on

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

// --- Operations -----------------------------------------------------------------------------

namespace {

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

const ComponentType kEditBox{
    .name = "编辑框",
    .englishName = "EditBox",
    .state = kStateEvents,
    .properties = EditBox::kProperties,
    .lookup = &lookup,
};

const bool registered = registerComponentType(kEditBoxType, kEditBox);

}  // namespace

std::optional<std::u16string> copyContent(UnitId window, UnitId unit) {
  auto* box = dynamic_cast<EditBox*>(resolveUnit(window, unit));
  if (!box) fatalError(FatalText::kUnitNotLoaded, 0, window, unit);
  return box->wideContent();
}
