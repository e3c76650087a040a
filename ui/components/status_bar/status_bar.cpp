// The status bar component: a "msctls_statusbar32" control, subclassed for UM_REDOCK and its
// teardown, rebuilt from its own copy of the part list whenever the list changes.
//
// Not implemented:
// - enumerateTexts (operation 9): the program never calls it.
// - More than 256 parts: the control's limit; such a list is treated as SB_SETPARTS refusing it.

#include "ui/components/status_bar/status_bar.h"

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>

#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "form/property_blob.h"
#include "runtime/convert.h"
#include "runtime/system_code_page.h"
#include "ui/components/status_bar/status_parts.h"
#include "ui/graphics/gdi.h"
#include "ui/graphics/icon.h"
#include "ui/model/component_model.h"
#include "ui/model/component_type.h"

namespace {

struct ImageListDeleter {
  void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
using OwnedImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};

constexpr size_t kMaxParts = 256;
constexpr UINT_PTR kSubclassId = 1;
constexpr char kImageListMagic[4] = {'M', 'I', 'T', 'L'};
constexpr size_t kImageListHeader = 8;  // the magic and a word nobody reads

// Image list data: "MITL", an unused word, then the ImageList_Write stream.
HIMAGELIST readImageList(const std::vector<uint8_t>& data) {
  if (data.size() <= kImageListHeader || std::memcmp(data.data(), kImageListMagic, 4) != 0)
    return nullptr;
  size_t size = data.size() - kImageListHeader;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  std::memcpy(GlobalLock(memory), data.data() + kImageListHeader, size);
  GlobalUnlock(memory);
  IStream* raw = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &raw))) {
    GlobalFree(memory);
    return nullptr;
  }
  std::unique_ptr<IStream, ComRelease> stream(raw);
  return ImageList_Read(stream.get());
}

DWORD dockingStyle(int32_t align) {
  switch (align) {
    case 1:
      return CCS_TOP;
    case 2:
      return CCS_NORESIZE | CCS_NOPARENTALIGN;
    default:
      return CCS_BOTTOM;
  }
}

class StatusBar : public Component {
 public:
  StatusBar(const CreateParams& p, const PropertyBlob& blob);

  bool createWindow(const CreateParams& p);
  void teardown();

  static const PropertyRow kProperties[];
  std::vector<uint8_t> saveProperties() const;
  void clearParts();
  int32_t addPart(const StatusPart& part);

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);

 private:
  DWORD style(DWORD handedOver) const;
  void applyFont();
  void applyBackColor();
  void applyParts();
  void setPartIcon(int part, int32_t image);
  LRESULT onRedock();
  LRESULT onNcDestroy(WPARAM wp, LPARAM lp);

  uint32_t backColor_;
  int32_t align_;
  int32_t sizeGrip_;
  std::vector<uint8_t> font_;  // a LOGFONTA, or empty for DEFAULT_GUI_FONT
  std::vector<uint8_t> imageListData_;
  std::vector<uint8_t> parts_;
  OwnedFont hfont_;  // null while the stock font is in use
  OwnedImageList images_;
  std::vector<OwnedIcon> icons_;  // by part index; the control shows them
};

StatusBar::StatusBar(const CreateParams& p, const PropertyBlob& blob)
    : Component(p.window, p.unit),
      backColor_(static_cast<uint32_t>(blob.number(StatusBarBlob::BackColor))),
      align_(blob.number(StatusBarBlob::Align)),
      sizeGrip_(blob.number(StatusBarBlob::SizeGrip)),
      font_(blob.bytes(StatusBarBlob::Font)),
      imageListData_(blob.bytes(StatusBarBlob::ImageList)),
      parts_(blob.bytes(StatusBarBlob::Parts)) {}

DWORD StatusBar::style(DWORD handedOver) const {
  return handedOver | WS_CHILD | dockingStyle(align_) | (sizeGrip_ ? SBARS_SIZEGRIP : 0) |
         SBARS_TOOLTIPS;
}

bool StatusBar::createWindow(const CreateParams& p) {
  hwnd_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", style(p.style), p.x, p.y, p.width, p.height,
                          p.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)),
                          GetModuleHandleA(nullptr), nullptr);
  if (!hwnd_) return false;
  if (!SetWindowSubclass(hwnd_, &StatusBar::windowProc, kSubclassId,
                         reinterpret_cast<DWORD_PTR>(this))) {
    DestroyWindow(std::exchange(hwnd_, nullptr));
    return false;
  }
  applyFont();
  images_.reset(readImageList(imageListData_));
  SendMessageA(hwnd_, SB_SIMPLE, FALSE, 0);
  applyBackColor();
  applyParts();
  return true;
}

void StatusBar::teardown() {
  reportUnitDestroyed(windowId_, unitId_, this);
  delete this;
}

void StatusBar::applyFont() {
  OwnedFont made(createRuleFont(font_));
  HGDIOBJ font = made ? made.get() : GetStockObject(DEFAULT_GUI_FONT);
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  // The old font goes only now that the control has let go of it.
  hfont_ = std::move(made);
}

void StatusBar::applyBackColor() {
  SendMessageA(hwnd_, SB_SETBKCOLOR, 0, static_cast<LPARAM>(resolveColour(backColor_)));
}

void StatusBar::applyParts() {
  auto parts = parseParts(parts_);
  if (parts.empty()) {
    SendMessageA(hwnd_, SB_SIMPLE, TRUE, 0);
    icons_.clear();
    return;
  }
  auto edges = rightEdges(parts);
  BOOL wasSimple = static_cast<BOOL>(SendMessageA(hwnd_, SB_ISSIMPLE, 0, 0));
  SendMessageA(hwnd_, SB_SIMPLE, FALSE, 0);
  if (parts.size() > kMaxParts ||
      !SendMessageA(hwnd_, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(edges.data()))) {
    SendMessageA(hwnd_, SB_SIMPLE, wasSimple, 0);
    return;
  }
  icons_.resize(parts.size());
  for (size_t i = 0; i < parts.size(); ++i) {
    const StatusPart& part = parts[i];
    // The low byte of wParam is the part index; a stored border must not move the text.
    WPARAM where = i | (part.border & ~0xFFu);
    SystemText text(part.text), tip(part.tip);
    SendMessageA(hwnd_, SB_SETTEXTA, where, reinterpret_cast<LPARAM>(text.c_str()));
    setPartIcon(static_cast<int>(i), part.icon);
    SendMessageA(hwnd_, SB_SETTIPTEXTA, i, reinterpret_cast<LPARAM>(tip.c_str()));
  }
}

void StatusBar::setPartIcon(int part, int32_t image) {
  OwnedIcon icon(image >= 0 && images_ ? ImageList_GetIcon(images_.get(), image, 0) : nullptr);
  if (SendMessageA(hwnd_, SB_SETICON, part, reinterpret_cast<LPARAM>(icon.get())))
    icons_[part] = std::move(icon);
}

void StatusBar::clearParts() {
  parts_.clear();
  applyParts();
}

int32_t StatusBar::addPart(const StatusPart& part) {
  int32_t index = appendPart(parts_, part);
  applyParts();
  return index;
}

StatusBar& bar(Component& c) { return static_cast<StatusBar&>(c); }
const StatusBar& bar(const Component& c) { return static_cast<const StatusBar&>(c); }

PropertyValue bytesValue(const std::vector<uint8_t>& bytes) {
  return PropertyValue(ByteBuffer::copyOf(bytes.data(), bytes.size()));
}

void assign(std::vector<uint8_t>& to, const PropertyValue& v) {
  to.assign(v.asBytes().data(), v.asBytes().data() + v.asBytes().size());
}

// clang-format off
// Align and SizeGrip are styles the control takes only when it is made: they re-create it.
const PropertyRow StatusBar::kProperties[] = {
    {kBarBackColor, kKindColourSystem, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(bar(c).backColor_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       bar(c).backColor_ = v.low();
       bar(c).applyBackColor();
       return 0;
     }},
    {kBarAlign, kKindChoice, {0, 2},
     [](const Component& c, const PropertyRow&) { return PropertyValue(bar(c).align_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       bar(c).align_ = v.asInt();
       return 1;
     }},
    {kBarSizeGrip, kKindLogical, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(bar(c).sizeGrip_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       bar(c).sizeGrip_ = v.asBool();
       return 1;
     }},
    {kBarFont, kKindFont, {},
     [](const Component& c, const PropertyRow&) { return bytesValue(bar(c).font_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       assign(bar(c).font_, v);
       bar(c).applyFont();
       return 0;
     }},
    {kBarImageList, kKindImageList, {},
     [](const Component& c, const PropertyRow&) { return bytesValue(bar(c).imageListData_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       StatusBar& b = bar(c);
       assign(b.imageListData_, v);
       b.images_.reset(readImageList(b.imageListData_));
       b.applyParts();
       return 0;
     }},
    {kBarParts, kKindCustomData, {},
     [](const Component& c, const PropertyRow&) { return bytesValue(bar(c).parts_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       assign(bar(c).parts_, v);
       bar(c).applyParts();
       return 0;
     }},
};
// clang-format on

std::vector<uint8_t> StatusBar::saveProperties() const {
  PropertyBlob blob(*blobLayoutFor(kStatusBarType));
  blob.setNumber(StatusBarBlob::BackColor, static_cast<int32_t>(backColor_));
  blob.setNumber(StatusBarBlob::Align, align_);
  blob.setNumber(StatusBarBlob::SizeGrip, sizeGrip_);
  blob.setBytes(StatusBarBlob::Font, font_);
  blob.setBytes(StatusBarBlob::ImageList, imageListData_);
  blob.setBytes(StatusBarBlob::Parts, parts_);
  return blob.write();
}

// A part reaching the right end must be redrawn at the new width, which not every status
// control does by itself when it resizes from WM_SIZE.
LRESULT StatusBar::onRedock() {
  RECT before;
  GetWindowRect(hwnd_, &before);
  LRESULT result = SendMessageA(hwnd_, WM_SIZE, 0, 0);
  RECT after;
  GetWindowRect(hwnd_, &after);
  if (after.right - after.left != before.right - before.left) InvalidateRect(hwnd_, nullptr, TRUE);
  return result;
}

LRESULT StatusBar::onNcDestroy(WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  RemoveWindowSubclass(hwnd, &StatusBar::windowProc, kSubclassId);
  LRESULT result = DefSubclassProc(hwnd, WM_NCDESTROY, wp, lp);
  teardown();
  return result;
}

LRESULT CALLBACK StatusBar::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR self) {
  auto* bar = reinterpret_cast<StatusBar*>(self);
  switch (msg) {
    case UM_REDOCK:
      return bar->onRedock();
    case WM_NCDESTROY:
      return bar->onNcDestroy(wp, lp);
    default:
      return DefSubclassProc(hwnd, msg, wp, lp);
  }
}

// --- Operations and commands ------------------------------------------------------------------

StatusBar* asBar(Component* c) { return static_cast<StatusBar*>(c); }

Component* create(const CreateParams& p) {
  auto blob = PropertyBlob::read(*blobLayoutFor(kStatusBarType), p.properties, p.propertiesSize);
  if (!blob) return nullptr;
  auto* bar = new StatusBar(p, *blob);
  if (!bar->createWindow(p)) {
    bar->teardown();
    return nullptr;
  }
  return bar;
}

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&create);
  return PropertyOperations<StatusBar>::lookup(operation);
}

std::optional<int32_t> intArgument(std::span<const TypedValue> args, size_t i) {
  if (i >= args.size() || args[i].omitted()) return std::nullopt;
  const TypedValue& v = args[i];
  switch (v.tag) {
    case kTagByte:
      return static_cast<uint8_t>(v.value);
    case kTagShort:
      return static_cast<int16_t>(v.value);
    default:
      return static_cast<int32_t>(v.value);
  }
}

std::optional<std::string> textArgument(std::span<const TypedValue> args, size_t i) {
  if (i >= args.size() || args[i].omitted()) return std::nullopt;
  return toText(args[i]).str();
}

int64_t clearPartsCommand(Component* c, std::span<const TypedValue>) {
  asBar(c)->clearParts();
  return 0;
}

int64_t addPartCommand(Component* c, std::span<const TypedValue> args) {
  PartArguments a{textArgument(args, 0), intArgument(args, 1), textArgument(args, 2),
                  intArgument(args, 3), intArgument(args, 4)};
  return asBar(c)->addPart(makePart(a));
}

CommandFn commands(int command) {
  switch (command) {
    case kCmdClearParts:
      return &clearPartsCommand;
    case kCmdAddPart:
      return &addPartCommand;
    default:
      return nullptr;
  }
}

const ComponentType kStatusBar{
    .name = "状态条",
    .englishName = "StatusBar",
    .state = kStateEvents | kStateDockingBar,
    .properties = StatusBar::kProperties,
    .lookup = &lookup,
    .commands = &commands,
};

const bool registered = registerComponentType(kStatusBarType, kStatusBar);

}  // namespace

void clearParts(UnitId window, UnitId unit) {
  TypedValue args[] = {unitArg(window, unit, kStatusBarType)};
  callCommand(kCmdClearParts, args);
}

int32_t addPart(UnitId window, UnitId unit, const TypedValue& text, const TypedValue& width,
                const TypedValue& tip, const TypedValue& icon, const TypedValue& border) {
  TypedValue args[] = {unitArg(window, unit, kStatusBarType), text, width, tip, icon, border};
  return static_cast<int32_t>(callCommand(kCmdAddPart, args));
}
