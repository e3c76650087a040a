// The window component ("窗口" / "window"): the top-level window of a window description, its
// properties, background, docked bars and events. Its messages are in window_messages.cpp, the
// menu bar in menu_bar.cpp; loading a description and the message loop are in ui/loop.
//
// Not implemented: background music (BackMusic and PlayCount are only stored), the tray
// icon, the polygon outlines of Shape 4 and up (those windows stay rectangular), per-window
// idle callbacks and enumerateTexts. A ClassName that names a class this program did not
// register (a system class, say) refuses creation.

#include "ui/components/window/window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "runtime/system_code_page.h"
#include "ui/graphics/gdi.h"
#include "ui/model/long_work.h"
#include "ui/components/window/menu_bar.h"
#include "ui/graphics/picture.h"
#include "ui/model/window_lookup.h"

namespace {

constexpr char kDefaultClassName[] = "OrvoWindow";
constexpr char kHiddenOwnerClassName[] = "QuenloHiddenOwner";
constexpr DWORD kCaptionBits =
    WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_DLGFRAME;

using Field = WindowBlob::Field;

HWND gHiddenOwner = nullptr;

bool isPng(const std::vector<uint8_t>& data) {
  static const uint8_t kSignature[] = {0x89, 0x50, 0x4E, 0x47};
  return data.size() >= 8 && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

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

BOOL CALLBACK invalidateIfTransparent(HWND child, LPARAM) {
  if (IsWindowVisible(child) && (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
    InvalidateRect(child, nullptr, TRUE);
  return TRUE;
}

}  // namespace

// --- window events -------------------------------------------------------------------------

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

// --- properties -----------------------------------------------------------------------------

// Each property is a field of the stored block; writing one applies it to the window.
// clang-format off
const PropertyRow WindowComponent::kProperties[] = {
    {kWinCaption, kKindText, {}, readSetting, writeSetting, WindowBlob::Caption},
    {kWinBorder, kKindChoice, {0, 6}, readSetting, writeSetting, WindowBlob::Border},
    {kWinBackColor, kKindColourSystem, {}, readSetting, writeSetting, WindowBlob::BackColor},
    {kWinBackPicture, kKindPicture, {}, readSetting, writeSetting, WindowBlob::BackPicture},
    {kWinPictureMode, kKindChoice, {0, 3}, readSetting, writeSetting, WindowBlob::PictureMode},
    {kWinBackMusic, kKindSound, {}, readSetting, writeSetting, WindowBlob::BackMusic},
    {kWinPlayCount, kKindChoice, {0, 2}, readSetting, writeSetting, WindowBlob::PlayCount},
    {kWinControlBox, kKindLogical, {}, readSetting, writeSetting, WindowBlob::ControlBox},
    {kWinMaxButton, kKindLogical, {}, readSetting, writeSetting, WindowBlob::MaxButton},
    {kWinMinButton, kKindLogical, {}, readSetting, writeSetting, WindowBlob::MinButton},
    {kWinPosition, kKindChoice, {0, 3}, readPosition, writeSetting, WindowBlob::Position},
    {kWinMovable, kKindLogical, {}, readSetting, writeSetting, WindowBlob::Movable},
    {kWinIcon, kKindIcon, {}, readSetting, writeSetting, WindowBlob::Icon},
    {kWinEnterMovesFocus, kKindLogical, {}, readSetting, writeSetting, WindowBlob::EnterMovesFocus},
    {kWinEscCloses, kKindLogical, {}, readSetting, writeSetting, WindowBlob::EscCloses},
    {kWinF1OpensHelp, kKindLogical, {}, readSetting, writeSetting, WindowBlob::F1OpensHelp},
    {kWinHelpFile, kKindFileName, {}, readSetting, writeSetting, WindowBlob::HelpFile},
    {kWinHelpContext, kKindInteger, {}, readSetting, writeSetting, WindowBlob::HelpContext},
    {kWinShowInTaskbar, kKindLogical, {}, readSetting, writeSetting, WindowBlob::ShowInTaskbar},
    {kWinDragToMove, kKindLogical, {}, readSetting, writeSetting, WindowBlob::DragToMove},
    {kWinShape, kKindChoice, {0, 29}, readSetting, writeSetting, WindowBlob::Shape},
    {kWinAlwaysOnTop, kKindLogical, {}, readSetting, writeSetting, WindowBlob::AlwaysOnTop},
    {kWinKeepTitleActive, kKindLogical, {}, readSetting, writeSetting, WindowBlob::KeepTitleActive},
    {kWinClassName, kKindText, {}, readSetting, writeSetting, WindowBlob::ClassName},
};
// clang-format on

PropertyValue WindowComponent::readSetting(const Component& c, const PropertyRow& row) {
  return storedValue(static_cast<const WindowComponent&>(c).settings_, row);
}

// The live state, not the stored one: 2 minimised, 3 maximised, otherwise 0.
PropertyValue WindowComponent::readPosition(const Component& c, const PropertyRow&) {
  const HWND hwnd = c.hwnd();
  return PropertyValue(IsIconic(hwnd) ? 2 : IsZoomed(hwnd) ? 3 : 0);
}

int WindowComponent::writeSetting(Component& c, const PropertyRow& row, const PropertyValue& v) {
  auto& window = static_cast<WindowComponent&>(c);
  store(window.settings_, row, v);
  window.applyProperty(static_cast<Field>(row.field));
  return 0;
}

namespace {

// --- type registration ----------------------------------------------------------------------

HICON getIconOp(Component* c) { return static_cast<WindowComponent*>(c)->icon(); }

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&WindowComponent::create);
  if (operation == kOpGetIcon) return operationFor<kOpGetIcon>(&getIconOp);
  return PropertyOperations<WindowComponent>::lookup(operation);
}

const ComponentType kWindow = {"窗口", "window", kStateEvents, WindowComponent::kProperties,
                               &lookup};
static const bool registered = registerComponentType(kWindowType, kWindow);

}  // namespace

// --- the component --------------------------------------------------------------------------

WindowComponent::WindowComponent(UnitId window, UnitId unit, PropertyBlob settings)
    : Component(window, unit), settings_(std::move(settings)) {
  clampStored(kProperties, settings_);
}

WindowComponent::~WindowComponent() = default;

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

void WindowComponent::setAccelerators(OwnedAccelerators table) { accelerators_ = std::move(table); }

// After a menu item property changed: the new bar replaces the old, which is destroyed.
void WindowComponent::rebuildMenuBar() {
  LoadedWindow* w = findLoadedWindow(windowId_);
  std::optional<MenuBar> bar = w ? buildMenuBar(*w->description) : std::nullopt;
  if (!bar) return;
  setAccelerators(std::move(bar->accelerators));
  const OwnedMenu old(GetMenu(hwnd_));
  SetMenu(hwnd_, bar->menu.release());
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

// --- applying properties ---------------------------------------------------------------------

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
      dropBlendedPicture();
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
  OwnedIcon big(iconFromFile(data, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
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

// A PNG is blended over the background colour when its bitmap is made.
void WindowComponent::dropBlendedPicture() {
  if (isPng(settings_.bytes(WindowBlob::BackPicture))) dropPicture();
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

// --- the program's windows -----------------------------------------------------------------------

WindowComponent* windowComponent(const LoadedWindow& window) {
  return window.units.empty() ? nullptr : dynamic_cast<WindowComponent*>(window.units[0].object);
}

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
