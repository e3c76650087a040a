// The timer component: a hidden child window whose window timer raises the unit's tick event.
// A tick comes from the message loop that is running, modal loops included, and only while the
// thread's queue holds no other input, as WM_TIMER does.

#include "ui/components/timer/timer.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "form/property_blob.h"
#include "ui/model/component_model.h"
#include "ui/model/component_type.h"
#include "ui/model/hidden_unit_window.h"

namespace {

constexpr const char kClassName[] = "QuenloTimer";
constexpr UINT_PTR kTimerId = 1;

class Timer : public Component {
 public:
  Timer(const CreateParams& p, int32_t interval)
      : Component(p.window, p.unit), interval_(std::max(interval, 0)), ticks_(!p.designFlags) {}

  static const PropertyRow kProperties[];
  std::vector<uint8_t> saveProperties() const;
  // Setting the timer again restarts its period.
  void apply();

  static constexpr UnitWindowClass kWindowClass = {kClassName};
  void teardown();
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);

 private:
  void tick();

  int32_t interval_;
  bool ticks_;  // false while the form is being designed
};

Timer& timer(Component& c) { return static_cast<Timer&>(c); }
const Timer& timer(const Component& c) { return static_cast<const Timer&>(c); }

// clang-format off
const PropertyRow Timer::kProperties[] = {
    {kTimerInterval, kKindInteger, {.min = 0},
     [](const Component& c, const PropertyRow&) { return PropertyValue(timer(c).interval_); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       timer(c).interval_ = v.asInt();
       timer(c).apply();
       return 0;
     }},
};
// clang-format on

std::vector<uint8_t> Timer::saveProperties() const {
  PropertyBlob blob(*blobLayoutFor(kTimerType));
  blob.setNumber(TimerBlob::Interval, interval_);
  return blob.write();
}

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

void Timer::teardown() {
  reportUnitDestroyed(windowId_, unitId_, this);
  delete this;
}

LRESULT Timer::onMessage(UINT msg, WPARAM wp, LPARAM, bool& handled) {
  if (msg != WM_TIMER || wp != kTimerId) return 0;
  handled = true;
  tick();
  return 0;
}

Component* create(const CreateParams& p) {
  auto blob = PropertyBlob::read(*blobLayoutFor(kTimerType), p.properties, p.propertiesSize);
  if (!blob) return nullptr;
  Timer* timer = HiddenUnitWindow<Timer>::create(p, p.style & WS_DISABLED,
                                                 new Timer(p, blob->number(TimerBlob::Interval)));
  if (timer) timer->apply();
  return timer;
}

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&create);
  return PropertyOperations<Timer>::lookup(operation);
}

const ComponentType kTimer{.name = "时钟",
                           .englishName = "Timer",
                           .state = kStateEvents | kStateNeverShown,
                           .properties = Timer::kProperties,
                           .lookup = &lookup};

const bool registered = registerComponentType(kTimerType, kTimer);

}  // namespace
