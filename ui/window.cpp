// The window component ("窗口" / "window"): the top-level window of a window description, its
// background, docked bars and events, the loading of a description and the message loop.
// The menu bar and the pre-translation of queued messages are in menu_bar.cpp.
//
// Not implemented: background music (BackMusic and PlayCount are only stored), the tray
// icon, the polygon outlines of Shape 4 and up (those windows stay rectangular), per-window
// idle callbacks and enumerateTexts. A ClassName that names a class this program did not
// register (a system class, say) refuses creation.

#include "ui/window.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "runtime/system_code_page.h"
#include "ui/gdi.h"
#include "ui/long_work.h"
#include "ui/menu_bar.h"
#include "ui/picture.h"

namespace {

constexpr char kDefaultClassName[] = "OrvoWindow";
constexpr char kHiddenOwnerClassName[] = "QuenloHiddenOwner";
constexpr int kFirstControlId = 100;
constexpr int kControlIdStep = 10;
constexpr DWORD kCaptionBits =
    WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_DLGFRAME;
// A child that sends a reflected notification straight back must not recurse forever.
constexpr int kMaxReflectionDepth = 16;

using Field = WindowBlob::Field;

HWND gHiddenOwner = nullptr;
bool gLoopRunning = false;
int gReflectionDepth = 0;

// Stored field of each type-specific property (property index - 8).
constexpr Field kFieldOf[] = {
    WindowBlob::Caption,       WindowBlob::Border,          WindowBlob::BackColor,
    WindowBlob::BackPicture,   WindowBlob::PictureMode,     WindowBlob::BackMusic,
    WindowBlob::PlayCount,     WindowBlob::ControlBox,      WindowBlob::MaxButton,
    WindowBlob::MinButton,     WindowBlob::Position,        WindowBlob::Movable,
    WindowBlob::Icon,          WindowBlob::EnterMovesFocus, WindowBlob::EscCloses,
    WindowBlob::F1OpensHelp,   WindowBlob::HelpFile,        WindowBlob::HelpContext,
    WindowBlob::ShowInTaskbar, WindowBlob::DragToMove,      WindowBlob::Shape,
    WindowBlob::AlwaysOnTop,   WindowBlob::KeepTitleActive, WindowBlob::ClassName,
};

const PropertyDescriptor kWindowProperties[] = {
    QUENLO_COMMON_PROPERTIES,
    {kKindText, kPropertyNormal},          // Caption
    {kKindChoice, kPropertyNormal},        // Border
    {kKindColourSystem, kPropertyNormal},  // BackColor
    {kKindPicture, kPropertyNormal},       // BackPicture
    {kKindChoice, kPropertyNormal},        // PictureMode
    {kKindSound, kPropertyNormal},         // BackMusic
    {kKindChoice, kPropertyNormal},        // PlayCount
    {kKindLogical, kPropertyNormal},       // ControlBox
    {kKindLogical, kPropertyNormal},       // MaxButton
    {kKindLogical, kPropertyNormal},       // MinButton
    {kKindChoice, kPropertyNormal},        // Position
    {kKindLogical, kPropertyNormal},       // Movable
    {kKindIcon, kPropertyNormal},          // Icon
    {kKindLogical, kPropertyNormal},       // EnterMovesFocus
    {kKindLogical, kPropertyNormal},       // EscCloses
    {kKindLogical, kPropertyNormal},       // F1OpensHelp
    {kKindFileName, kPropertyNormal},      // HelpFile
    {kKindInteger, kPropertyNormal},       // HelpContext
    {kKindLogical, kPropertyNormal},       // ShowInTaskbar
    {kKindLogical, kPropertyNormal},       // DragToMove
    {kKindChoice, kPropertyNormal},        // Shape
    {kKindLogical, kPropertyNormal},       // AlwaysOnTop
    {kKindLogical, kPropertyNormal},       // KeepTitleActive
    {kKindText, kPropertyNormal},          // ClassName
};
static_assert(std::size(kWindowProperties) == 8 + std::size(kFieldOf));

int32_t choiceLimit(Field f) {
  switch (f) {
    case WindowBlob::Border:
      return 6;
    case WindowBlob::PictureMode:
      return 3;
    case WindowBlob::PlayCount:
      return 2;
    case WindowBlob::Position:
      return 3;
    case WindowBlob::Shape:
      return 29;
    default:
      return INT32_MAX;
  }
}

int32_t clampChoice(Field f, int32_t v) {
  const int32_t limit = choiceLimit(f);
  return limit == INT32_MAX ? v : std::clamp(v, 0, limit);
}

bool isTextField(const PropertyBlob& s, Field f) {
  return s.layout().fields[f].kind == FieldKind::Text;
}
bool isBytesField(const PropertyBlob& s, Field f) {
  return s.layout().fields[f].kind == FieldKind::Bytes;
}

bool isPng(const std::vector<uint8_t>& data) {
  static const uint8_t kSignature[] = {0x89, 0x50, 0x4E, 0x47};
  return data.size() >= 8 && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

EventRecord windowEvent(UnitId window, int32_t event) {
  EventRecord r;
  r.window = window;
  r.event = event;
  return r;
}

// Raises an argument-less event of the window's own unit; true when the handler refused.
bool raiseWindowEvent(UnitId window, int32_t event) {
  EventRecord r = windowEvent(window, event);
  raiseEvent(r);
  return refused(r);
}

HWND hwndOf(const LoadedUnit& u) { return u.object ? u.object->hwnd() : nullptr; }

// --- styles ---------------------------------------------------------------------------------

bool resizableBorder(int32_t border) { return border == 1 || border == 3 || border == 5; }

DWORD frameExStyle(int32_t border) {
  if (border == 3 || border == 4) return WS_EX_TOOLWINDOW;
  if (border == 5 || border == 6) return WS_EX_CLIENTEDGE;
  return 0;
}

DWORD captionStyle(const PropertyBlob& s) {
  DWORD style = 0;
  const bool controlBox = s.number(WindowBlob::ControlBox) != 0;
  if (s.number(WindowBlob::Border) != 0) {
    style |= WS_DLGFRAME;
    if (!s.text(WindowBlob::Caption).empty() || controlBox) {
      style |= WS_CAPTION;
      if (controlBox) style |= WS_SYSMENU;
    }
  }
  if (s.number(WindowBlob::MaxButton)) style |= WS_MAXIMIZEBOX;
  if (s.number(WindowBlob::MinButton)) style |= WS_MINIMIZEBOX;
  return style;
}

void redrawFrame(HWND hwnd) {
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

RECT workAreaOf(HWND hwnd) {
  RECT area{};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
  if (monitor && GetMonitorInfoA(monitor, &info)) return info.rcWork;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

void maximiseToWorkArea(HWND hwnd) {
  if (IsIconic(hwnd) || IsZoomed(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  const RECT area = workAreaOf(hwnd);
  SetWindowPos(hwnd, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd, SW_SHOW);
}

void centreOnScreen(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HRGN shapeRegion(int32_t shape, int w, int h) {
  switch (shape) {
    case 1:
      return CreateEllipticRgn(0, 0, w, h);
    case 2: {
      const int corner = std::min(w, h) / 5;
      return CreateRoundRectRgn(0, 0, w, h, corner, corner);
    }
    case 3: {
      HRGN ring = CreateEllipticRgn(0, 0, w, h);
      OwnedRegion inner(CreateEllipticRgn(w / 4, h / 4, w - w / 4, h - h / 4));
      CombineRgn(ring, ring, inner.get(), RGN_DIFF);
      return ring;
    }
    default:
      return nullptr;
  }
}

// --- icons ----------------------------------------------------------------------------------

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t read32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The image of an .ico file that best fits cx x cy, or null. The file's directory entries
// (16 bytes, with file offsets) are turned into the resource directory layout (14 bytes, with
// ids) that LookupIconIdFromDirectoryEx chooses from.
HICON iconFromFile(const std::vector<uint8_t>& file, int cx, int cy) {
  constexpr size_t kHeader = 6, kFileEntry = 16, kResourceEntry = 14;
  if (file.size() < kHeader || read16(&file[0]) != 0 || read16(&file[2]) != 1) return nullptr;
  const size_t count = read16(&file[4]);
  if (count == 0 || file.size() < kHeader + count * kFileEntry) return nullptr;

  std::vector<uint8_t> directory(file.begin(), file.begin() + kHeader);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = &file[kHeader + i * kFileEntry];
    directory.insert(directory.end(), e, e + 12);  // size, colours, planes, bits, byte count
    const auto id = static_cast<uint16_t>(i + 1);
    directory.push_back(static_cast<uint8_t>(id));
    directory.push_back(static_cast<uint8_t>(id >> 8));
  }
  static_assert(12 + 2 == kResourceEntry);
  const int id = LookupIconIdFromDirectoryEx(directory.data(), TRUE, cx, cy, LR_DEFAULTCOLOR);
  if (id <= 0 || static_cast<size_t>(id) > count) return nullptr;
  const uint8_t* e = &file[kHeader + (id - 1) * kFileEntry];
  const uint32_t bytes = read32(e + 8), offset = read32(e + 12);
  if (bytes == 0 || offset > file.size() || bytes > file.size() - offset) return nullptr;
  return CreateIconFromResourceEx(const_cast<uint8_t*>(&file[offset]), bytes, TRUE, 0x00030000, cx,
                                  cy, LR_DEFAULTCOLOR);
}

// The program's own icon (resource 1), else the system's application icon. Shared handles.
HICON programIcon(bool small) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  HICON icon = nullptr;
  if (small)
    icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (!icon) icon = LoadIconA(module, MAKEINTRESOURCEA(1));
  return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

BOOL CALLBACK invalidateIfTransparent(HWND child, LPARAM) {
  if (IsWindowVisible(child) && (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
    InvalidateRect(child, nullptr, TRUE);
  return TRUE;
}

// Common controls cache system colours; only their top-level window is told of a change.
void forwardToChildren(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageA(child, msg, wParam, lParam);
}

LRESULT reflect(HWND target, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (gReflectionDepth >= kMaxReflectionDepth) return 0;
  ++gReflectionDepth;
  const LRESULT result = SendMessageA(target, msg, wParam, lParam);
  --gReflectionDepth;
  return result;
}

HWND modalWindowOver(HWND disabled) {
  for (LoadedWindow* w : loadedWindows()) {
    WindowComponent* c = windowComponent(*w);
    if (c && c->disabledForModal(disabled) && IsWindow(c->hwnd())) return c->hwnd();
  }
  return nullptr;
}

// --- type registration ----------------------------------------------------------------------

HICON getIconOp(Component* c) { return static_cast<WindowComponent*>(c)->icon(); }

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&WindowComponent::create);
  if (operation == kOpGetIcon) return operationFor<kOpGetIcon>(&getIconOp);
  return PropertyOperations<WindowComponent>::lookup(operation);
}

const ComponentType kWindow = {"窗口", "window", kStateEvents, kWindowProperties, &lookup};
static const bool registered = registerComponentType(kWindowType, kWindow);

}  // namespace

// --- the component --------------------------------------------------------------------------

WindowComponent::OwnedIcon& WindowComponent::OwnedIcon::operator=(OwnedIcon&& o) noexcept {
  if (this != &o) {
    reset();
    icon_ = std::exchange(o.icon_, nullptr);
    owned_ = o.owned_;
  }
  return *this;
}

void WindowComponent::OwnedIcon::reset() {
  if (icon_ && owned_) DestroyIcon(icon_);
  icon_ = nullptr;
}

WindowComponent::WindowComponent(UnitId window, UnitId unit, PropertyBlob settings)
    : Component(window, unit), settings_(std::move(settings)) {
  for (size_t f = 0; f < WindowBlob::Count; ++f) {
    const auto field = static_cast<Field>(f);
    if (!isTextField(settings_, field) && !isBytesField(settings_, field))
      settings_.setNumber(field, clampChoice(field, settings_.number(field)));
  }
}

WindowComponent::~WindowComponent() {
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

Component* WindowComponent::create(const CreateParams& params) {
  auto settings =
      PropertyBlob::read(*blobLayoutFor(kWindowType), params.properties, params.propertiesSize);
  if (!settings) return nullptr;
  // The window takes the object over at WM_NCCREATE; until then the holder owns it.
  std::unique_ptr<WindowComponent> holder(
      new WindowComponent(params.window, params.unit, std::move(*settings)));
  WindowComponent* self = holder.get();
  if (!self->createWindow(params, holder)) return nullptr;
  self->afterCreate(params);
  return self;
}

bool WindowComponent::createWindow(const CreateParams& p,
                                   std::unique_ptr<WindowComponent>& holder) {
  std::string className = settings_.text(WindowBlob::ClassName);
  dropLoneLeadByte(className);
  if (className.empty()) className = kDefaultClassName;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA existing{};
  if (GetClassInfoA(instance, className.c_str(), &existing)) {
    if (existing.lpfnWndProc != &windowProc) return false;
  } else {
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = className.c_str();
    if (!RegisterClassA(&wc)) return false;
  }

  const int32_t border = setting(WindowBlob::Border);
  DWORD style = WS_CLIPCHILDREN | captionStyle(settings_) | (p.style & WS_DISABLED);
  if (resizableBorder(border)) style |= WS_THICKFRAME;
  HWND owner = p.owner;
  keepsOwner_ = p.owner || p.modal;
  if (owner)
    style |= WS_POPUP;
  else if (p.modal || !setting(WindowBlob::ShowInTaskbar))
    owner = hiddenOwner();
  int x = p.x, y = p.y;
  switch (setting(WindowBlob::Position)) {
    case 1:
      x = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
      y = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
      break;
    case 2:
      style |= WS_MINIMIZE;
      break;
    case 3:
      if (style & WS_THICKFRAME) style |= WS_MAXIMIZE;
      break;
  }
  const std::string caption = settings_.text(WindowBlob::Caption);
  return CreateWindowExA(frameExStyle(border), className.c_str(), SystemText(caption).c_str(),
                         style, x, y, p.width, p.height, owner, p.menu, instance,
                         &holder) != nullptr;
}

void WindowComponent::afterCreate(const CreateParams& p) {
  applyCaptionStyles();
  RECT r;
  GetWindowRect(hwnd_, &r);
  if (!IsIconic(hwnd_) && !IsZoomed(hwnd_) &&
      (r.right - r.left != p.width || r.bottom - r.top != p.height))
    SetWindowPos(hwnd_, nullptr, r.left, r.top, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
  // A JPEG to be shrunk is then decoded while the controls are made, not at the first paint.
  RECT client;
  GetClientRect(hwnd_, &client);
  if (!IsRectEmpty(&client)) picture(client);
  applyIcons();
  if (setting(WindowBlob::Shape) != 0) applyShape();
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  if (setting(WindowBlob::AlwaysOnTop)) applyTopmost();
  if (!setting(WindowBlob::Movable)) applyMovable();
}

LRESULT WindowComponent::callDefault(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void WindowComponent::setAccelerators(HACCEL table) {
  if (accelerators_ && accelerators_ != table) DestroyAcceleratorTable(accelerators_);
  accelerators_ = table;
}

void WindowComponent::disableOthersForModal() {
  for (LoadedWindow* w : loadedWindows()) {
    HWND other = w->hwnd();
    if (!other || other == hwnd_) continue;
    modalDisabled_.emplace_back(other, IsWindowEnabled(other) != 0);
    EnableWindow(other, FALSE);
  }
}

bool WindowComponent::disabledForModal(HWND other) const {
  return std::any_of(modalDisabled_.begin(), modalDisabled_.end(),
                     [&](const auto& entry) { return entry.first == other; });
}

void WindowComponent::reenableModalDisabled() {
  auto disabled = std::move(modalDisabled_);
  modalDisabled_.clear();
  for (const auto& [other, wasEnabled] : disabled)
    if (IsWindow(other)) EnableWindow(other, wasEnabled);
}

// --- properties -----------------------------------------------------------------------------

int WindowComponent::setProperty(int index, const PropertyValue& value) {
  if (index < 0 || index >= static_cast<int>(std::size(kFieldOf))) return 0;
  const Field f = kFieldOf[index];
  if (isTextField(settings_, f)) {
    settings_.setText(f, value.asText().view());
  } else if (isBytesField(settings_, f)) {
    const ByteBuffer& b = value.asBytes();
    settings_.setBytes(f, std::vector<uint8_t>(b.data(), b.data() + b.size()));
  } else {
    settings_.setNumber(f, clampChoice(f, value.asInt()));
  }
  applyProperty(f);
  return 0;
}

bool WindowComponent::getProperty(int index, PropertyValue& out) const {
  if (index < 0 || index >= static_cast<int>(std::size(kFieldOf))) return false;
  const Field f = kFieldOf[index];
  if (f == WindowBlob::Position) {
    out = PropertyValue(IsIconic(hwnd_) ? 2 : IsZoomed(hwnd_) ? 3 : 0);
  } else if (isTextField(settings_, f)) {
    out = PropertyValue(Text::copyOf(settings_.text(f)));
  } else if (isBytesField(settings_, f)) {
    const auto& b = settings_.bytes(f);
    out = PropertyValue(ByteBuffer::copyOf(b.data(), b.size()));
  } else {
    out = PropertyValue(settings_.number(f));
  }
  return true;
}

void WindowComponent::applyProperty(Field f) {
  switch (f) {
    case WindowBlob::Caption:
      SetWindowTextA(hwnd_, SystemText(settings_.text(f)).c_str());
      applyCaptionStyles();
      break;
    case WindowBlob::Border:
      applyFrameStyles();
      applyCaptionStyles();
      break;
    case WindowBlob::ControlBox:
    case WindowBlob::MaxButton:
    case WindowBlob::MinButton:
      applyCaptionStyles();
      break;
    case WindowBlob::BackColor:
      // A PNG is blended over the background colour when its bitmap is made.
      if (isPng(settings_.bytes(WindowBlob::BackPicture))) dropPicture();
      invalidateBackground();
      break;
    case WindowBlob::BackPicture:
      dropPicture();
      invalidateBackground();
      break;
    case WindowBlob::PictureMode:
      invalidateBackground();
      break;
    case WindowBlob::Position:
      applyPosition();
      break;
    case WindowBlob::Movable:
      applyMovable();
      break;
    case WindowBlob::Icon:
      applyIcons();
      break;
    case WindowBlob::Shape:
      applyShape();
      break;
    case WindowBlob::AlwaysOnTop:
      applyTopmost();
      break;
    case WindowBlob::ShowInTaskbar:
      applyTaskbarOwner();
      break;
    case WindowBlob::KeepTitleActive:
      if (GetActiveWindow() != hwnd_) SendMessageA(hwnd_, WM_NCACTIVATE, FALSE, 0);
      break;
    default:
      break;  // read when they are needed
  }
}

void WindowComponent::applyCaptionStyles() {
  const DWORD style = GetWindowLongA(hwnd_, GWL_STYLE);
  const DWORD wanted = (style & ~kCaptionBits) | captionStyle(settings_);
  if (wanted == style) return;
  SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>(wanted));
  redrawFrame(hwnd_);
}

void WindowComponent::applyFrameStyles() {
  const int32_t border = setting(WindowBlob::Border);
  DWORD style = GetWindowLongA(hwnd_, GWL_STYLE) & ~WS_THICKFRAME;
  if (resizableBorder(border)) style |= WS_THICKFRAME;
  const DWORD ex = (GetWindowLongA(hwnd_, GWL_EXSTYLE) & ~(WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE)) |
                   frameExStyle(border);
  SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>(style));
  SetWindowLongA(hwnd_, GWL_EXSTYLE, static_cast<LONG>(ex));
  redrawFrame(hwnd_);
}

void WindowComponent::applyIcons() {
  const auto& data = settings_.bytes(WindowBlob::Icon);
  OwnedIcon big(iconFromFile(data, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)), true);
  OwnedIcon small(iconFromFile(data, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)),
                  true);
  if (!big.get()) big = OwnedIcon(programIcon(false), false);
  if (!small.get()) small = OwnedIcon(programIcon(true), false);
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  bigIcon_ = std::move(big);
  smallIcon_ = std::move(small);
}

void WindowComponent::applyShape() {
  RECT r;
  GetWindowRect(hwnd_, &r);
  SetWindowRgn(hwnd_, shapeRegion(setting(WindowBlob::Shape), r.right - r.left, r.bottom - r.top),
               TRUE);
}

void WindowComponent::applyTopmost() {
  SetWindowPos(hwnd_, setting(WindowBlob::AlwaysOnTop) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void WindowComponent::applyMovable() {
  HMENU system = GetSystemMenu(hwnd_, FALSE);
  if (!system) return;
  if (!setting(WindowBlob::Movable))
    DeleteMenu(system, SC_MOVE, MF_BYCOMMAND);
  else if (GetMenuState(system, SC_MOVE, MF_BYCOMMAND) == static_cast<UINT>(-1))
    GetSystemMenu(hwnd_, TRUE);  // back to the default system menu
}

// The shell decides on a taskbar button when a window is shown, so a visible window is hidden
// around the change of owner.
void WindowComponent::applyTaskbarOwner() {
  if (keepsOwner_) return;
  const HWND owner = setting(WindowBlob::ShowInTaskbar) ? nullptr : hiddenOwner();
  if (GetWindow(hwnd_, GW_OWNER) == owner) return;
  constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  const bool visible = IsWindowVisible(hwnd_);
  const bool active = GetActiveWindow() == hwnd_;
  if (visible) SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, kKeep | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  if (visible)
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 kKeep | SWP_SHOWWINDOW | (active ? 0 : SWP_NOACTIVATE));
}

void WindowComponent::applyPosition() {
  if (!IsWindowVisible(hwnd_)) return;
  switch (setting(WindowBlob::Position)) {
    case 0:
      ShowWindow(hwnd_, SW_SHOWNORMAL);
      break;
    case 1:
      if (IsIconic(hwnd_) || IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
      centreOnScreen(hwnd_);
      break;
    case 2:
      ShowWindow(hwnd_, SW_MINIMIZE);
      break;
    default:
      maximiseToWorkArea(hwnd_);
      break;
  }
}

void WindowComponent::invalidateBackground() {
  InvalidateRect(hwnd_, nullptr, TRUE);
  EnumChildWindows(hwnd_, &invalidateIfTransparent, 0);
}

void WindowComponent::dropPicture() {
  picture_.reset();
  pictureTried_ = false;
}

BackgroundPicture* WindowComponent::picture(const RECT& client) {
  if (pictureTried_) return picture_.get();
  pictureTried_ = true;
  const auto& data = settings_.bytes(WindowBlob::BackPicture);
  if (data.empty()) return nullptr;
  auto decoded = std::make_unique<BackgroundPicture>();
  if (decoded->load(data.data(), data.size(), resolveColour(setting(WindowBlob::BackColor)),
                    setting(WindowBlob::PictureMode), {client.right, client.bottom}) &&
      !decoded->empty())
    picture_ = std::move(decoded);
  return picture_.get();
}

void WindowComponent::restoreFocus() {
  HWND target = focusedChild_;
  if (!target || !IsWindow(target) || !IsChild(hwnd_, target) || !IsWindowVisible(target) ||
      !IsWindowEnabled(target)) {
    target = nullptr;
    if (LoadedWindow* w = findLoadedWindow(windowId_)) {
      const auto stops = tabStops(*w);
      if (!stops.empty()) target = stops.front();
    }
  }
  if (target && GetFocus() == hwnd_) SetFocus(target);
}

// --- messages -------------------------------------------------------------------------------

LRESULT CALLBACK WindowComponent::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<WindowComponent*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    if (msg != WM_NCCREATE || !cs->lpCreateParams) return DefWindowProcA(hwnd, msg, wParam, lParam);
    self = static_cast<std::unique_ptr<WindowComponent>*>(cs->lpCreateParams)->release();
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (putOffDuringLongWork(hwnd, msg, wParam, lParam)) return 0;
  switch (msg) {
    case WM_PAINT:
      return self->onPaint();
    case WM_CLOSE:
      return self->onClose();
    case WM_QUERYENDSESSION:
      return self->onQueryEndSession(wParam, lParam);
    case WM_ENDSESSION:
      return self->onEndSession(wParam, lParam);
    case WM_DESTROY:
      return self->onDestroy();
    case WM_NCDESTROY:
      return self->onNcDestroy(wParam, lParam);
    case WM_MOVE:
      return self->onMove(wParam, lParam);
    case WM_SIZE:
      return self->onSize(wParam, lParam);
    case WM_ACTIVATE:
      return self->onActivate(wParam, lParam);
    case WM_NCACTIVATE:
      return self->onNcActivate(wParam, lParam);
    case WM_SETFOCUS:
      return self->onSetFocus(wParam, lParam);
    case WM_KILLFOCUS:
      return self->onKillFocus(wParam, lParam);
    case WM_SHOWWINDOW:
      return self->onShowWindow(wParam, lParam);
    case WM_SETCURSOR:
      return self->onSetCursor(wParam, lParam);
    case WM_SYSCOLORCHANGE:
      return self->onSysColorChange(wParam, lParam);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return self->onControlColour(msg, wParam, lParam);
    case WM_COMMAND:
      return self->onCommand(wParam, lParam);
    case WM_NOTIFY:
      return self->onNotify(wParam, lParam);
    case UM_LAYOUT:
      return self->onLayout();
    default:
      return self->callDefault(msg, wParam, lParam);
  }
}

LRESULT WindowComponent::onPaint() {
  PaintDC paint(hwnd_);
  RECT clip;
  if (GetClipBox(paint.dc(), &clip) <= NULLREGION || IsRectEmpty(&clip)) return 0;
  OwnedRegion remaining(CreateRectRgnIndirect(&clip));
  RECT client;
  GetClientRect(hwnd_, &client);
  if (BackgroundPicture* p = picture(client))
    p->paint(paint.dc(), setting(WindowBlob::PictureMode), client, clip, remaining.get());
  OwnedBrush brush(CreateSolidBrush(resolveColour(setting(WindowBlob::BackColor))));
  FillRgn(paint.dc(), remaining.get(), brush.get());
  return 0;
}

// Handlers below may destroy the window (and this object) from inside an event, so after
// raising one they only use locals.
LRESULT WindowComponent::onClose() {
  const HWND hwnd = hwnd_;
  const UnitId id = windowId_;
  if (raiseWindowEvent(id, kWindowCloseRequested) || !IsWindow(hwnd)) return 0;
  if (raiseWindowEvent(id, kWindowMayClose) || !IsWindow(hwnd)) return 0;
  reenableModalDisabled();
  return DefWindowProcA(hwnd, WM_CLOSE, 0, 0);
}

LRESULT WindowComponent::onQueryEndSession(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_QUERYENDSESSION, wParam, lParam);
  return raiseWindowEvent(windowId_, kWindowMayClose) ? FALSE : result;
}

LRESULT WindowComponent::onEndSession(WPARAM wParam, LPARAM lParam) {
  if (wParam) raiseWindowEvent(windowId_, kWindowSessionEnding);
  return 0;
}

LRESULT WindowComponent::onDestroy() {
  const LRESULT result = callDefault(WM_DESTROY, 0, 0);
  raiseWindowEvent(windowId_, kWindowDestroying);
  if (!helpFile_.empty()) WinHelpA(hwnd_, SystemText(helpFile_).c_str(), HELP_QUIT, 0);
  if (HMENU menu = GetMenu(hwnd_)) {
    SetMenu(hwnd_, nullptr);
    DestroyMenu(menu);
  }
  reenableModalDisabled();
  return result;
}

LRESULT WindowComponent::onNcDestroy(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_NCDESTROY, wParam, lParam);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  LoadedWindow* w = findLoadedWindow(windowId_);
  // A window whose creation failed is not in its registry entry yet; the loader removes it.
  const bool inRegistry = w && !w->units.empty() && w->units[0].object == this;
  reportUnitDestroyed(windowId_, unitId_, this);
  if (inRegistry) {
    removeLoadedWindow(windowId_);
    if (gLoopRunning && loadedWindowCount() == 0) PostQuitMessage(0);
  }
  delete this;
  return result;
}

LRESULT WindowComponent::onMove(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_MOVE, wParam, lParam);
  raiseWindowEvent(windowId_, kWindowMoved);
  return result;
}

LRESULT WindowComponent::onSize(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_SIZE, wParam, lParam);
  if (setting(WindowBlob::Shape) != 0) applyShape();
  if (layoutEnabled_)
    if (LoadedWindow* w = findLoadedWindow(windowId_)) layoutDockedBars(*w);
  GeometryBatch batch;
  raiseWindowEvent(windowId_, kWindowResized);
  return result;
}

LRESULT WindowComponent::onActivate(WPARAM wParam, LPARAM lParam) {
  const bool active = LOWORD(wParam) != WA_INACTIVE;
  if (active && !IsWindowEnabled(hwnd_))
    if (HWND modal = modalWindowOver(hwnd_)) {
      SetActiveWindow(modal);
      return 0;
    }
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) focusedChild_ = focus;
  }
  UpdateWindow(hwnd_);
  const HWND hwnd = hwnd_;
  const UnitId id = windowId_;
  if (active && !activatedOnce_) {
    activatedOnce_ = true;
    raiseWindowEvent(id, kWindowFirstActivated);
    if (!IsWindow(hwnd)) return 0;
  }
  raiseWindowEvent(id, active ? kWindowActivated : kWindowDeactivated);
  if (!IsWindow(hwnd)) return 0;
  return DefWindowProcA(hwnd, WM_ACTIVATE, wParam, lParam);
}

LRESULT WindowComponent::onNcActivate(WPARAM wParam, LPARAM lParam) {
  if (!wParam && setting(WindowBlob::KeepTitleActive) && IsWindowEnabled(hwnd_))
    return callDefault(WM_NCACTIVATE, TRUE, lParam);
  return callDefault(WM_NCACTIVATE, wParam, lParam);
}

LRESULT WindowComponent::onSetFocus(WPARAM, LPARAM) {
  const HWND hwnd = hwnd_;
  raiseWindowEvent(windowId_, kEventGotFocus);
  if (IsWindow(hwnd)) restoreFocus();
  return 0;
}

LRESULT WindowComponent::onKillFocus(WPARAM, LPARAM) {
  raiseWindowEvent(windowId_, kEventLostFocus);
  return 0;
}

LRESULT WindowComponent::onShowWindow(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_SHOWWINDOW, wParam, lParam);
  raiseWindowEvent(windowId_, wParam ? kWindowShown : kWindowHidden);
  return result;
}

LRESULT WindowComponent::onSetCursor(WPARAM wParam, LPARAM lParam) {
  const auto over = reinterpret_cast<HWND>(wParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  LoadedUnit* u = w ? unitOfWindow(*w, over) : nullptr;
  if (u && u->cursor && (over != hwnd_ || LOWORD(lParam) == HTCLIENT)) {
    SetCursor(u->cursor);
    return TRUE;
  }
  return callDefault(WM_SETCURSOR, wParam, lParam);
}

LRESULT WindowComponent::onSysColorChange(WPARAM wParam, LPARAM lParam) {
  forwardToChildren(hwnd_, WM_SYSCOLORCHANGE, wParam, lParam);
  if (static_cast<uint32_t>(setting(WindowBlob::BackColor)) == kSystemDefaultColour) {
    // A PNG was blended over the old button-face colour.
    if (isPng(settings_.bytes(WindowBlob::BackPicture))) dropPicture();
    invalidateBackground();
  }
  return callDefault(WM_SYSCOLORCHANGE, wParam, lParam);
}

// The controls paint themselves in their own colours: they answer the colour messages that
// the system sends to their parent.
LRESULT WindowComponent::onControlColour(UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto control = reinterpret_cast<HWND>(lParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  if (control && control != hwnd_ && w && unitOfWindow(*w, control))
    if (LRESULT brush = reflect(control, msg, wParam, lParam)) return brush;
  return callDefault(msg, wParam, lParam);
}

// The unit that a notification from `from` (control id `id`) belongs to: the unit whose window
// sent it, else the unit whose id block (100, 110, ...) holds the id of a helper window it made.
static HWND notificationTarget(LoadedWindow& w, HWND self, HWND from, UINT id) {
  if (from && from != self && unitOfWindow(w, from)) return from;
  if (id < kFirstControlId) return nullptr;
  const int base = static_cast<int>(id) - (static_cast<int>(id) - kFirstControlId) % kControlIdStep;
  for (const LoadedUnit& u : w.units) {
    HWND h = hwndOf(u);
    if (h && h != self && GetDlgCtrlID(h) == base) return h;
  }
  return nullptr;
}

LRESULT WindowComponent::onCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  const auto control = reinterpret_cast<HWND>(lParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  if (w && !control && handleMenuCommand(*w, id)) return 0;
  if (w && control && id < kFirstMenuCommand)
    if (HWND target = notificationTarget(*w, hwnd_, control, id))
      return reflect(target, WM_COMMAND, wParam, lParam);
  return callDefault(WM_COMMAND, wParam, lParam);
}

LRESULT WindowComponent::onNotify(WPARAM wParam, LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  if (w && header)
    if (HWND target =
            notificationTarget(*w, hwnd_, header->hwndFrom, static_cast<UINT>(header->idFrom)))
      return reflect(target, WM_NOTIFY, wParam, lParam);
  return callDefault(WM_NOTIFY, wParam, lParam);
}

LRESULT WindowComponent::onLayout() {
  layoutEnabled_ = true;
  if (LoadedWindow* w = findLoadedWindow(windowId_)) layoutDockedBars(*w);
  return 0;
}

// --- registry helpers -----------------------------------------------------------------------

WindowComponent* windowComponent(const LoadedWindow& window) {
  return window.units.empty() ? nullptr : dynamic_cast<WindowComponent*>(window.units[0].object);
}

LoadedUnit* unitOfWindow(LoadedWindow& window, HWND hwnd) {
  if (!hwnd) return nullptr;
  for (LoadedUnit& u : window.units)
    if (hwndOf(u) == hwnd) return &u;
  return nullptr;
}

LoadedUnit* unitOwningWindow(LoadedWindow& window, HWND hwnd) {
  const HWND root = window.hwnd();
  if (!hwnd || !root) return nullptr;
  if (hwnd == root) return &window.units[0];
  for (HWND h = hwnd; h && h != root; h = GetAncestor(h, GA_PARENT))
    if (LoadedUnit* u = unitOfWindow(window, h)) return u;
  return nullptr;
}

LoadedWindow* loadedWindowContaining(HWND hwnd) {
  const HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  if (!root) return nullptr;
  for (LoadedWindow* w : loadedWindows())
    if (w->hwnd() == root) return w;
  return nullptr;
}

void setHiddenOwner(HWND owner) { gHiddenOwner = owner; }

HWND hiddenOwner() {
  if (gHiddenOwner && IsWindow(gHiddenOwner)) return gHiddenOwner;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = kHiddenOwnerClassName;
  RegisterClassA(&wc);
  gHiddenOwner = CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenOwnerClassName, "", 0, 0, 0, 0, 0,
                                 nullptr, nullptr, wc.hInstance, nullptr);
  return gHiddenOwner;
}

void showWindowAsFirstShown(LoadedWindow& window) {
  HWND hwnd = window.hwnd();
  WindowComponent* c = windowComponent(window);
  if (!hwnd || !c) return;
  switch (c->setting(WindowBlob::Position)) {
    case 3:
      maximiseToWorkArea(hwnd);
      break;
    case 2:
      ShowWindow(hwnd, SW_SHOWMINIMIZED);
      break;
    default:
      ShowWindow(hwnd, SW_SHOW);
      break;
  }
}

void layoutDockedBars(LoadedWindow& window) {
  const HWND parent = window.hwnd();
  if (!parent) return;
  std::vector<HWND> bars;
  for (size_t i = 1; i < window.units.size(); ++i) {
    const LoadedUnit& u = window.units[i];
    HWND h = hwndOf(u);
    if (h && u.type && (u.type->state & kStateDockingBar) && GetParent(h) == parent)
      bars.push_back(h);
  }
  for (HWND bar : bars) SendMessageA(bar, UM_REDOCK, 0, 0);

  RECT client;
  GetClientRect(parent, &client);
  int top = client.top, bottom = client.bottom;
  for (auto it = bars.rbegin(); it != bars.rend(); ++it) {
    if (!IsWindow(*it)) continue;
    RECT r;
    GetWindowRect(*it, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const int height = r.bottom - r.top;
    const DWORD edge = GetWindowLongA(*it, GWL_STYLE) & (CCS_TOP | CCS_NOMOVEY);
    int y;
    if (edge == CCS_TOP) {
      y = top;
      top += height;
    } else if (edge == CCS_BOTTOM) {
      bottom -= height;
      y = bottom;
    } else {
      continue;
    }
    if (r.top != y)
      SetWindowPos(*it, nullptr, r.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// --- loading --------------------------------------------------------------------------------

namespace {

class HeldEvents {
 public:
  HeldEvents() { holdEvents(); }
  ~HeldEvents() { releaseEvents(); }
  HeldEvents(const HeldEvents&) = delete;
  HeldEvents& operator=(const HeldEvents&) = delete;
};

CreateParams paramsFor(const LoadedWindow& w, const LoadedUnit& u, HWND parent, int controlId) {
  const UnitRecord& r = *u.record;
  CreateParams p;
  p.properties = r.properties.data();
  p.propertiesSize = r.properties.size();
  if (r.flags & kUnitDisabled) p.style |= WS_DISABLED;
  if (r.flags & kUnitTabStop) p.style |= WS_TABSTOP;
  p.parent = parent;
  p.controlId = controlId;
  p.x = r.left;
  p.y = r.top;
  p.width = r.width;
  p.height = r.height;
  p.window = w.id();
  p.unit = u.id;
  return p;
}

Component* createWindowUnit(LoadedWindow& w, HMENU menu, bool modal, HWND owner) {
  LoadedUnit& u = w.units[0];
  auto create = u.type && u.record->type == kWindowType ? u.type->operation<kOpCreate>() : nullptr;
  if (!create) return nullptr;
  CreateParams p = paramsFor(w, u, nullptr, 0);
  p.style &= WS_DISABLED;  // WS_TABSTOP would be the maximise box of a top-level window
  p.menu = menu;
  p.owner = owner;
  p.modal = modal;
  u.object = create(p);
  return u.object;
}

// Last to first, so that ids run 100, 110, ... in that order.
bool createControls(LoadedWindow& w, HWND window) {
  int id = kFirstControlId;
  for (size_t i = w.units.size(); i-- > 1;) {
    LoadedUnit& u = w.units[i];
    if (u.record->isMenuItem()) continue;
    auto create = u.type ? u.type->operation<kOpCreate>() : nullptr;
    if (!create) return false;
    u.object = create(paramsFor(w, u, window, id));
    if (!u.object) return false;
    id += kControlIdStep;
  }
  return true;
}

// Moves each control into the unit named by its parent field. Returns, per unit, whether it
// lies on a later page of a container and must stay hidden.
std::vector<bool> reparentControls(LoadedWindow& w, HWND window) {
  std::vector<bool> onLaterPage(w.units.size());
  for (size_t i = 1; i < w.units.size(); ++i) {
    const LoadedUnit& u = w.units[i];
    HWND h = hwndOf(u);
    if (!h) continue;
    HWND parent = window;
    if (u.record->parent)
      if (LoadedUnit* p = w.find(u.record->parent); p && hwndOf(*p)) parent = hwndOf(*p);
    if (GetParent(h) != parent) SetParent(h, parent);
    if (!u.type || !(u.type->state & kStateContainer)) continue;
    const auto& children = u.record->children;
    auto page = std::find(children.begin(), children.end(), UnitId{0});
    for (auto it = page == children.end() ? page : page + 1; it != children.end(); ++it)
      if (int index = w.indexOf(*it); index > 0) onLaterPage[index] = true;
  }
  return onLaterPage;
}

// Each control goes directly below the nearest earlier unit with the same parent.
void stackInFormOrder(LoadedWindow& w) {
  for (size_t i = 1; i < w.units.size(); ++i) {
    HWND h = hwndOf(w.units[i]);
    if (!h) continue;
    HWND after = HWND_TOP;
    for (size_t j = i - 1; j >= 1; --j) {
      HWND earlier = hwndOf(w.units[j]);
      if (earlier && GetParent(earlier) == GetParent(h)) {
        after = earlier;
        break;
      }
    }
    SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void showControls(LoadedWindow& w, const std::vector<bool>& onLaterPage) {
  for (size_t i = 1; i < w.units.size(); ++i) {
    const LoadedUnit& u = w.units[i];
    HWND h = hwndOf(u);
    if (!h || !(u.record->flags & kUnitVisible) || onLaterPage[i]) continue;
    if (u.type && (u.type->state & kStateNeverShown)) continue;
    ShowWindow(h, SW_SHOWNA);
  }
}

void sendToUnits(LoadedWindow& w, UINT msg) {
  for (size_t i = w.units.size(); i-- > 0;)
    if (HWND h = hwndOf(w.units[i])) SendMessageA(h, msg, 0, 0);
}

// Loading steps up to releasing events. Returns the new window, or null after undoing
// everything.
HWND buildWindow(WindowDescription& d, bool modal, HWND owner) {
  HeldEvents held;
  const std::optional<MenuBar> built = buildMenuBar(d);
  if (!built) return nullptr;
  const MenuBar bar = *built;
  LoadedWindow& w = addLoadedWindow(d);
  Component* window = createWindowUnit(w, bar.menu, modal, owner);
  if (!window) {
    if (bar.menu) DestroyMenu(bar.menu);
    if (bar.accelerators) DestroyAcceleratorTable(bar.accelerators);
    removeLoadedWindow(d.id);
    return nullptr;
  }
  const HWND hwnd = window->hwnd();
  if (!createControls(w, hwnd)) {
    if (bar.accelerators) DestroyAcceleratorTable(bar.accelerators);
    DestroyWindow(hwnd);  // its teardown destroys the controls and the registry entry
    return nullptr;
  }
  for (LoadedUnit& u : w.units)
    if (!u.record->isMenuItem()) u.cursor = makeCursor(u.record->pointerData);
  const std::vector<bool> onLaterPage = reparentControls(w, hwnd);
  stackInFormOrder(w);
  sendToUnits(w, UM_CREATED);
  SendMessageA(hwnd, UM_LAYOUT, 0, 0);
  showControls(w, onLaterPage);
  windowComponent(w)->setAccelerators(bar.accelerators);
  return hwnd;
}

bool windowAlive(UnitId id, HWND hwnd) {
  LoadedWindow* w = findLoadedWindow(id);
  return w && w->hwnd() == hwnd && IsWindow(hwnd);
}

void raiseFocusEvent(UnitId id) {
  LoadedWindow* w = findLoadedWindow(id);
  LoadedUnit* u = w ? unitOwningWindow(*w, GetFocus()) : nullptr;
  if (!u) return;
  EventRecord r = windowEvent(id, kEventGotFocus);
  r.unit = u == &w->units[0] ? 0 : u->id;
  raiseEvent(r);
}

// Idle processing while the queue is empty: from the third call on, each loaded window is
// asked (event 7) until its handler stops answering true.
class IdlePeriod {
 public:
  bool step() {
    const int count = count_++;
    if (count == 0) start_ = GetTickCount();
    if (count < 2) return true;
    std::vector<UnitId> ids;
    for (LoadedWindow* w : loadedWindows()) ids.push_back(w->id());
    bool more = false;
    for (UnitId id : ids) {
      if (!findLoadedWindow(id) || std::count(done_.begin(), done_.end(), id)) continue;
      EventRecord r = windowEvent(id, kWindowIdle);
      r.argCount = 1;
      r.args[0] = static_cast<int32_t>(GetTickCount() - start_);
      raiseEvent(r);
      if (r.hasReturn && r.returnValue)
        more = true;
      else
        done_.push_back(id);
    }
    return more;
  }

 private:
  int count_ = 0;
  DWORD start_ = 0;
  std::vector<UnitId> done_;
};

void dispatch(MSG& msg) {
  if (preTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

// Pumps messages with idle processing while keepGoing() holds. WM_QUIT ends the loop; a
// nested loop posts it again for the loop outside.
template <class KeepGoing>
void messageLoop(KeepGoing keepGoing, bool nested) {
  MSG msg;
  while (keepGoing()) {
    IdlePeriod idle;
    while (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && idle.step()) {
    }
    if (!keepGoing()) return;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    // -1 is a message the system could not hand over (Wine fails so on a text of a megabyte
    // or more sent from another process); only 0 is WM_QUIT.
    if (got == -1) continue;
    if (got == 0) {
      if (nested) PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}

void bringForward(HWND hwnd) {
  if (!hwnd) return;
  if (IsIconic(hwnd))
    ShowWindow(hwnd, SW_RESTORE);
  else
    SetActiveWindow(hwnd);
}

}  // namespace

bool loadWindow(UnitId id, bool modal, HWND owner) {
  if (LoadedWindow* loaded = findLoadedWindow(id)) {
    bringForward(loaded->hwnd());
    return true;
  }
  WindowDescription* d = form() ? form()->find(id) : nullptr;
  if (!d || d->units.empty()) return false;
  const HWND hwnd = buildWindow(*d, modal, owner);
  if (!hwnd) return false;

  for (int32_t event : {kWindowCreated, kWindowMoved, kWindowResized}) {
    if (!windowAlive(id, hwnd)) return true;
    raiseWindowEvent(id, event);
  }
  if (!windowAlive(id, hwnd)) return true;
  LoadedWindow* w = findLoadedWindow(id);
  if (w->units[0].record->flags & kUnitVisible) {
    showWindowAsFirstShown(*w);
    raiseFocusEvent(id);
    if (!windowAlive(id, hwnd)) return true;
  }
  const HWND focus = GetFocus();
  if (modal) windowComponent(*findLoadedWindow(id))->disableOthersForModal();
  sendToUnits(*findLoadedWindow(id), UM_SHOWN);
  if (focus && IsWindow(focus) && GetFocus() != focus) SetFocus(focus);
  if (modal) messageLoop([&] { return windowAlive(id, hwnd); }, true);
  return true;
}

void loadStartupWindow(UnitId window) {
  if (!loadWindow(window, false, nullptr)) fatalError(FatalText::kStartupWindow, 0, window, 0);
}

void runMessageLoop() {
  if (loadedWindowCount() == 0) return;
  const bool outer = !gLoopRunning;
  gLoopRunning = true;
  messageLoop([] { return true; }, !outer);
  if (outer) gLoopRunning = false;
}

void processPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}
