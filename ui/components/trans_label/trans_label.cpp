// The transparent label component: a WS_EX_TRANSPARENT window of a class without background
// brush. It paints nothing but its text, and after each property change or move it makes the
// windows beneath paint its area again ("refresh-behind").
//
// Not implemented:
// - enumerateTexts (operation 9): the program never calls it.

#include "ui/components/trans_label/trans_label.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "form/property_blob.h"
#include "runtime/system_code_page.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"
#include "ui/model/component_type.h"

namespace {

constexpr char kClassName[] = "QuenloTransLabel";
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class TransLabel : public Component {
 public:
  TransLabel(const CreateParams& p, const PropertyBlob& blob);

  bool createWindow(const CreateParams& p);
  void teardown();

  static const PropertyRow kProperties[];
  std::vector<uint8_t> saveProperties() const;
  // After each property change or move: what lies beneath paints the label's area again.
  void refreshBehind();

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  UINT formatFlags() const;
  void drawEffect(HDC dc, const std::string& text, RECT& textRect, UINT flags) const;
  void onNcCreate(HWND hwnd);
  LRESULT onPaint();
  LRESULT onMove(WPARAM wp, LPARAM lp);
  LRESULT onNcDestroy(WPARAM wp, LPARAM lp);

  std::string caption_;
  int32_t textEffect_;
  uint32_t textColor_;
  int32_t hAlign_;
  int32_t vAlign_;
  int32_t wordWrap_;
  std::vector<uint8_t> font_;  // a LOGFONTA, or empty for DEFAULT_GUI_FONT
  bool* tornDown_ = nullptr;   // set while CreateWindowEx runs: tells create we are gone
};

bool registerLabelClass() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{sizeof wc};
  if (GetClassInfoExA(instance, kClassName, &wc)) return true;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &TransLabel::windowProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

std::string windowText(HWND hwnd) {
  std::string text(GetWindowTextLengthA(hwnd) + 1, '\0');
  text.resize(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size())));
  return text;
}

// The window whose painting lies under the label: up the parent chain to a popup or a
// window without parent.
HWND paintingAncestor(HWND hwnd) {
  HWND current = hwnd;
  while (!(GetWindowLongA(current, GWL_STYLE) & WS_POPUP)) {
    HWND parent = GetParent(current);
    if (!parent) break;
    current = parent;
  }
  return current;
}

// Visible descendants, each window after its own descendants, topmost sibling first.
void listVisibleDescendants(HWND parent, std::vector<HWND>& out) {
  for (HWND child = GetTopWindow(parent); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    listVisibleDescendants(child, out);
    out.push_back(child);
  }
}

void mapRect(HWND from, HWND to, RECT& rect) {
  MapWindowPoints(from, to, reinterpret_cast<POINT*>(&rect), 2);
}

TransLabel::TransLabel(const CreateParams& p, const PropertyBlob& blob)
    : Component(p.window, p.unit),
      caption_(blob.text(TransLabelBlob::Caption)),
      textEffect_(blob.number(TransLabelBlob::TextEffect)),
      textColor_(static_cast<uint32_t>(blob.number(TransLabelBlob::TextColor))),
      hAlign_(blob.number(TransLabelBlob::HAlign)),
      vAlign_(blob.number(TransLabelBlob::VAlign)),
      wordWrap_(blob.number(TransLabelBlob::WordWrap)),
      font_(blob.bytes(TransLabelBlob::Font)) {}

bool TransLabel::createWindow(const CreateParams& p) {
  if (!registerLabelClass()) {
    teardown();
    return false;
  }
  bool tornDown = false;
  tornDown_ = &tornDown;
  HWND hwnd = CreateWindowExA(WS_EX_TRANSPARENT, kClassName, SystemText(caption_).c_str(),
                              p.style | WS_CHILD | WS_CLIPSIBLINGS, p.x, p.y, p.width, p.height,
                              p.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)),
                              GetModuleHandleA(nullptr), this);
  if (tornDown) return false;  // WM_NCDESTROY of the failed window has freed us
  tornDown_ = nullptr;
  if (!hwnd) {
    teardown();
    return false;
  }
  return true;
}

void TransLabel::teardown() {
  if (tornDown_) *tornDown_ = true;
  reportUnitDestroyed(windowId_, unitId_, this);
  delete this;
}

UINT TransLabel::formatFlags() const {
  UINT flags = DT_NOCLIP;
  if (hAlign_ == 1) flags |= DT_CENTER;
  if (hAlign_ == 2) flags |= DT_RIGHT;
  if (wordWrap_) return flags | DT_WORDBREAK | DT_VCENTER;
  flags |= DT_SINGLELINE;
  if (vAlign_ == 1) flags |= DT_VCENTER;
  if (vAlign_ == 2) flags |= DT_BOTTOM;
  return flags;
}

void TransLabel::drawEffect(HDC dc, const std::string& text, RECT& textRect, UINT flags) const {
  RECT copy = textRect;
  switch (textEffect_) {
    case kEffectRaised:
      SetTextColor(dc, kWhite);
      OffsetRect(&copy, 1, 1);
      break;
    case kEffectSunken:
      SetTextColor(dc, kWhite);
      OffsetRect(&textRect, 1, 1);
      break;
    case kEffectShadow:
      SetTextColor(dc, kBlack);
      OffsetRect(&copy, 2, 2);
      break;
    default:
      return;
  }
  DrawTextA(dc, text.data(), static_cast<int>(text.size()), &copy, flags);
}

LRESULT TransLabel::onPaint() {
  PaintDC paint(hwnd_);
  std::string text = windowText(hwnd_);
  if (text.empty()) return 0;
  RECT rect;
  GetClientRect(hwnd_, &rect);
  OwnedFont made(createRuleFont(font_));
  SelectObjectScope font(paint.dc(), made ? made.get() : GetStockObject(DEFAULT_GUI_FONT));
  UINT flags = formatFlags();
  SetBkMode(paint.dc(), TRANSPARENT);
  drawEffect(paint.dc(), text, rect, flags);
  SetTextColor(paint.dc(), textColor_);
  DrawTextA(paint.dc(), text.data(), static_cast<int>(text.size()), &rect, flags);
  return 0;
}

void TransLabel::refreshBehind() {
  HWND ancestor = paintingAncestor(hwnd_);
  RECT screen;
  GetClientRect(hwnd_, &screen);
  mapRect(hwnd_, nullptr, screen);
  RECT area = screen;
  mapRect(nullptr, ancestor, area);
  InvalidateRect(ancestor, &area, TRUE);
  UpdateWindow(ancestor);

  std::vector<HWND> windows;
  listVisibleDescendants(ancestor, windows);
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    RECT bounds, overlap;
    GetWindowRect(*it, &bounds);
    if (!IntersectRect(&overlap, &bounds, &screen)) continue;
    mapRect(nullptr, *it, overlap);
    RedrawWindow(*it, &overlap, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
  }
  InvalidateRect(hwnd_, nullptr, FALSE);
}

TransLabel& label(Component& c) { return static_cast<TransLabel&>(c); }
const TransLabel& label(const Component& c) { return static_cast<const TransLabel&>(c); }

// Every property change ends with the refresh-behind; none re-creates the label.
int refreshed(Component& c) {
  label(c).refreshBehind();
  return 0;
}

// clang-format off
const PropertyRow TransLabel::kProperties[] = {
    {kLabelCaption, kKindText, {},
     [](const Component& c, const PropertyRow&) {
       return PropertyValue(Text::copyOf(label(c).caption_));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       label(c).caption_ = v.asText().str();
       SetWindowTextA(c.hwnd(), SystemText(label(c).caption_).c_str());
       return refreshed(c);
     }},
    {kLabelTextEffect, kKindChoice, {0, 3},
     [](const Component& c, const PropertyRow&) { return PropertyValue(label(c).textEffect_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       label(c).textEffect_ = v.asInt();
       return refreshed(c);
     }},
    {kLabelFont, kKindFont, {},
     [](const Component& c, const PropertyRow&) {
       return PropertyValue(ByteBuffer::copyOf(label(c).font_.data(), label(c).font_.size()));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       label(c).font_.assign(v.asBytes().data(), v.asBytes().data() + v.asBytes().size());
       return refreshed(c);
     }},
    {kLabelTextColor, kKindColour, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(label(c).textColor_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       label(c).textColor_ = v.low();
       return refreshed(c);
     }},
    {kLabelHAlign, kKindChoice, {0, 2},
     [](const Component& c, const PropertyRow&) { return PropertyValue(label(c).hAlign_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       label(c).hAlign_ = v.asInt();
       return refreshed(c);
     }},
    {kLabelWordWrap, kKindLogical, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(label(c).wordWrap_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       label(c).wordWrap_ = v.asBool();
       return refreshed(c);
     }},
    {kLabelVAlign, kKindChoice, {0, 2},
     [](const Component& c, const PropertyRow&) { return PropertyValue(label(c).vAlign_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       label(c).vAlign_ = v.asInt();
       return refreshed(c);
     }},
};
// clang-format on

std::vector<uint8_t> TransLabel::saveProperties() const {
  PropertyBlob blob(*blobLayoutFor(kTransLabelType));
  blob.setNumber(TransLabelBlob::TextEffect, textEffect_);
  blob.setNumber(TransLabelBlob::TextColor, static_cast<int32_t>(textColor_));
  blob.setNumber(TransLabelBlob::HAlign, hAlign_);
  blob.setNumber(TransLabelBlob::VAlign, vAlign_);
  blob.setNumber(TransLabelBlob::WordWrap, wordWrap_);
  blob.setBytes(TransLabelBlob::Font, font_);
  blob.setText(TransLabelBlob::Caption, caption_);
  return blob.write();
}

void TransLabel::onNcCreate(HWND hwnd) {
  hwnd_ = hwnd;
  SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(this));
}

LRESULT TransLabel::onMove(WPARAM wp, LPARAM lp) {
  LRESULT result = DefWindowProcA(hwnd_, WM_MOVE, wp, lp);
  refreshBehind();
  return result;
}

LRESULT TransLabel::onNcDestroy(WPARAM wp, LPARAM lp) {
  SetWindowLongPtrA(hwnd_, 0, 0);
  LRESULT result = DefWindowProcA(hwnd_, WM_NCDESTROY, wp, lp);
  teardown();
  return result;
}

LRESULT CALLBACK TransLabel::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<TransLabel*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    created->onNcCreate(hwnd);
  }
  auto* label = reinterpret_cast<TransLabel*>(GetWindowLongPtrA(hwnd, 0));
  if (!label) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT:
      return label->onPaint();
    case WM_MOVE:
      return label->onMove(wp, lp);
    case WM_NCDESTROY:
      return label->onNcDestroy(wp, lp);
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

// --- Operations -------------------------------------------------------------------------------

Component* create(const CreateParams& p) {
  auto blob = PropertyBlob::read(*blobLayoutFor(kTransLabelType), p.properties, p.propertiesSize);
  if (!blob) return nullptr;
  auto* label = new TransLabel(p, *blob);
  return label->createWindow(p) ? label : nullptr;
}

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&create);
  return PropertyOperations<TransLabel>::lookup(operation);
}

const ComponentType kTransLabel{
    .name = "透明标签",
    .englishName = "TransLabel",
    .state = kStateEvents,
    .properties = TransLabel::kProperties,
    .lookup = &lookup,
};

const bool registered = registerComponentType(kTransLabelType, kTransLabel);

}  // namespace
