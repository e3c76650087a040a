#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "form/property_blob.h"
#include "ui/components/window/menu_bar.h"
#include "ui/graphics/icon.h"
#include "ui/model/component_model.h"

// The top-level window component: the window of a loaded window description, its background
// picture, docked bars and events.

// The program's hidden owner window, which keeps windows out of the taskbar. Made when first
// asked for.
HWND hiddenOwner();

// Shows a loaded window as its first show does (Position decides normal, minimised,
// maximised to the work area).
void showWindowAsFirstShown(LoadedWindow& window);
// Lays out the docked bars of a window (UM_REDOCK, then stacking at the edges).
void layoutDockedBars(LoadedWindow& window);

// Controls get ids 100, 110, ... in creation order; a control's helper windows use the ids up
// to the next one.
constexpr int kFirstControlId = 100;
constexpr int kControlIdStep = 10;

class WindowComponent;
// The window's own live component, or null.
WindowComponent* windowComponent(const LoadedWindow& window);

// Window events.
enum WindowEvent : int32_t {
  kWindowCreated = 0,
  kWindowMayClose = 1,
  kWindowDestroying = 2,
  kWindowMoved = 3,
  kWindowResized = 4,
  kWindowActivated = 5,
  kWindowDeactivated = 6,
  kWindowIdle = 7,
  kWindowFirstActivated = 8,
  kWindowTrayIcon = 9,
  kWindowShown = 10,
  kWindowHidden = 11,
  kWindowCloseRequested = 12,
  // WM_ENDSESSION with a true wParam: the session ends and Windows will end the process
  // without closing the window, once the message returns.
  kWindowSessionEnding = 13,
};

// An event of the window's own unit, without arguments.
EventRecord windowEvent(UnitId window, int32_t event);
// Raises an argument-less event of the window's own unit; true when the handler refused.
bool raiseWindowEvent(UnitId window, int32_t event);

// Window property indices.
enum WindowProperty : int {
  kWinCaption = 8,
  kWinBorder,
  kWinBackColor,
  kWinBackPicture,
  kWinPictureMode,
  kWinBackMusic,
  kWinPlayCount,
  kWinControlBox,
  kWinMaxButton,
  kWinMinButton,
  kWinPosition,
  kWinMovable,
  kWinIcon,
  kWinEnterMovesFocus,
  kWinEscCloses,
  kWinF1OpensHelp,
  kWinHelpFile,
  kWinHelpContext,
  kWinShowInTaskbar,
  kWinDragToMove,
  kWinShape,
  kWinAlwaysOnTop,
  kWinKeepTitleActive,
  kWinClassName,
};

class BackgroundPicture;

// The live top-level window of a loaded window description (unit 0). Its stored properties
// are kept in the window blob's layout, which is also what saveProperties writes.
class WindowComponent : public Component {
 public:
  static Component* create(const CreateParams& params);
  ~WindowComponent() override;

  const PropertyBlob& settings() const { return settings_; }
  int32_t setting(WindowBlob::Field field) const { return settings_.number(field); }
  HACCEL accelerators() const { return accelerators_.get(); }
  // Installs a table (or none), destroying the previous one.
  void setAccelerators(OwnedAccelerators table);
  // The help file opened with F1, closed again when the window is destroyed.
  void noteHelpOpened(std::string file) { helpFile_ = std::move(file); }
  // Windows this one disabled as a modal window, with their previous enabled state.
  void disableOthersForModal();
  bool disabledForModal(HWND other) const;

  static const PropertyRow kProperties[];
  std::vector<uint8_t> saveProperties() const { return settings_.write(); }
  HICON icon() const { return bigIcon_.get(); }

 private:
  WindowComponent(UnitId window, UnitId unit, PropertyBlob settings);
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  bool createWindow(const CreateParams& params, std::unique_ptr<WindowComponent>& holder);
  void afterCreate(const CreateParams& params);
  LRESULT callDefault(UINT msg, WPARAM wParam, LPARAM lParam);
  static PropertyValue readSetting(const Component& c, const PropertyRow& row);
  static PropertyValue readPosition(const Component& c, const PropertyRow& row);
  static int writeSetting(Component& c, const PropertyRow& row, const PropertyValue& v);
  void rebuildMenuBar();
  void applyProperty(WindowBlob::Field field);
  void applyCaptionStyles();
  void applyFrameStyles();
  void applyIcons();
  void applyShape();
  void applyTopmost();
  void applyMovable();
  void applyPosition();
  void applyTaskbarOwner();
  void invalidateBackground();
  void dropPicture();
  void dropBlendedPicture();
  BackgroundPicture* picture(const RECT& client);
  void reenableModalDisabled();
  void restoreFocus();

  LRESULT onPaint();
  LRESULT onClose();
  LRESULT onQueryEndSession(WPARAM wParam, LPARAM lParam);
  LRESULT onEndSession(WPARAM wParam, LPARAM lParam);
  LRESULT onDestroy();
  LRESULT onNcDestroy(WPARAM wParam, LPARAM lParam);
  LRESULT onMove(WPARAM wParam, LPARAM lParam);
  LRESULT onSize(WPARAM wParam, LPARAM lParam);
  LRESULT onActivate(WPARAM wParam, LPARAM lParam);
  LRESULT onNcActivate(WPARAM wParam, LPARAM lParam);
  LRESULT onSetFocus(WPARAM wParam, LPARAM lParam);
  LRESULT onKillFocus(WPARAM wParam, LPARAM lParam);
  LRESULT onShowWindow(WPARAM wParam, LPARAM lParam);
  LRESULT onSetCursor(WPARAM wParam, LPARAM lParam);
  LRESULT onSysColorChange(WPARAM wParam, LPARAM lParam);
  LRESULT onControlColour(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT onCommand(WPARAM wParam, LPARAM lParam);
  LRESULT onNotify(WPARAM wParam, LPARAM lParam);
  LRESULT onLayout();

  PropertyBlob settings_;
  std::unique_ptr<BackgroundPicture> picture_;
  bool pictureTried_ = false;
  OwnedAccelerators accelerators_;
  OwnedIcon bigIcon_, smallIcon_;
  HWND focusedChild_ = nullptr;
  bool activatedOnce_ = false;
  bool layoutEnabled_ = false;
  bool keepsOwner_ = false;  // given an owner or loaded modally: ShowInTaskbar does not re-own
  int reflecting_ = 0;
  std::string helpFile_;
  std::vector<std::pair<HWND, bool>> modalDisabled_;
};
