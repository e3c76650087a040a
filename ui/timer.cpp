// The timer component: a hidden child window whose window timer raises the unit's tick event.
// A tick comes from the message loop that is running, modal loops included, and only while the
// thread's queue holds no other input, as WM_TIMER does.

#include "ui/timer.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "form/property_blob.h"
#include "ui/component_model.h"
#include "ui/component_type.h"

namespace {

constexpr const char kClassName[] = "QuenloTimer";
constexpr UINT_PTR kTimerId = 1;

class Timer;

// Handed to WM_NCCREATE, which attaches the object to its window: from then on the window's
// WM_NCDESTROY is what deletes it.
struct Creation {
  Timer* timer;
  bool attached = false;
};

class Timer : public Component {
 public:
  Timer(const CreateParams& p, int32_t interval)
      : Component(p.window, p.unit), interval_(std::max(interval, 0)), ticks_(!p.designFlags) {}

  int setProperty(int index, const PropertyValue& value);
  bool getProperty(int index, PropertyValue& out) const;
  std::vector<uint8_t> saveProperties() const;

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  void apply();
  void tick();

  int32_t interval_;
  bool ticks_;  // false while the form is being designed
};

int Timer::setProperty(int index, const PropertyValue& value) {
  if (index + 8 != kTimerInterval) return 0;
  interval_ = std::max(value.asInt(), 0);
  apply();
  return 0;
}

bool Timer::getProperty(int index, PropertyValue& out) const {
  if (index + 8 != kTimerInterval) return false;
  out = PropertyValue(interval_);
  return true;
}

std::vector<uint8_t> Timer::saveProperties() const {
  PropertyBlob blob(*blobLayoutFor(kTimerType));
  blob.setNumber(TimerBlob::Interval, interval_);
  return blob.write();
}

// Setting the timer again restarts its period.
void Timer::apply() {
  if (!hwnd_ || !ticks_) return;
  if (interval_ > 0)
    SetTimer(hwnd_, kTimerId, static_cast<UINT>(interval_), nullptr);
  else
    KillTimer(hwnd_, kTimerId);
}

void Timer::tick() {
  EventRecord record;
  record.window = windowId_;
  record.unit = unitId_;
  record.event = kTimerTick;
  raiseEvent(record);
}

LRESULT CALLBACK Timer::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Timer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE: {
      auto* creation = static_cast<Creation*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      creation->attached = true;
      self = creation->timer;
      self->hwnd_ = hwnd;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      break;
    }
    case WM_TIMER:
      if (self && wp == kTimerId) self->tick();
      return 0;
    case WM_NCDESTROY:
      if (self) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        reportUnitDestroyed(self->windowId_, self->unitId_, self);
        delete self;
      }
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

ATOM registerWindowClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Timer::windowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc);
}

Component* create(const CreateParams& p) {
  static const ATOM atom = registerWindowClass();
  auto blob = PropertyBlob::read(*blobLayoutFor(kTimerType), p.properties, p.propertiesSize);
  if (!atom || !blob) return nullptr;
  const int32_t interval = blob->number(TimerBlob::Interval);
  Creation creation{new Timer(p, interval)};
  if (!CreateWindowExA(0, kClassName, "", (p.style & WS_DISABLED) | WS_CHILD, p.x, p.y, p.width,
                       p.height, p.parent,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)),
                       GetModuleHandleA(nullptr), &creation)) {
    if (!creation.attached) delete creation.timer;
    return nullptr;
  }
  creation.timer->setProperty(kTimerInterval - 8, PropertyValue(interval));
  return creation.timer;
}

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&create);
  return PropertyOperations<Timer>::lookup(operation);
}

const PropertyDescriptor kTimerProperties[] = {
    QUENLO_COMMON_PROPERTIES,         // 0-7
    {kKindInteger, kPropertyNormal},  // Interval
};

const ComponentType kTimer{.name = "时钟",
                           .englishName = "Timer",
                           .state = kStateEvents | kStateNeverShown,
                           .properties = kTimerProperties,
                           .lookup = &lookup};

const bool registered = registerComponentType(kTimerType, kTimer);

}  // namespace
