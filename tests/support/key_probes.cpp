#include "tests/support/key_probes.h"

#include "tests/support/probe_control.h"
#include "tests/win/test_support.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

std::vector<Received> gReceived;
std::set<uint32_t> gWantedKeys;
int gDefaultActions = 0;

namespace {

class KeyProbe : public ProbeControl {
 public:
  using ProbeControl::ProbeControl;

  static Component* create(const CreateParams& p) {
    return ProbeControl::create(new KeyProbe(p.window, p.unit), p, WS_CHILD | p.style);
  }
  static bool wantsKey(Component*, uint32_t key) { return gWantedKeys.count(key) != 0; }
  static bool defaultAction(Component*) {
    ++gDefaultActions;
    return true;
  }
  static bool filter(Component*, MSG* msg) {
    return msg->message == WM_KEYDOWN && msg->wParam == 'Q';
  }

 private:
  bool onMessage(UINT m, WPARAM w, LPARAM, LRESULT&) override {
    if (m == WM_KEYDOWN || m == WM_CHAR || m == WM_LBUTTONDOWN) gReceived.push_back({hwnd_, m, w});
    return false;
  }
};

OperationFn keyProbeLookup(int op) {
  switch (op) {
    case kOpCreate:
      return operationFor<kOpCreate>(&KeyProbe::create);
    case kOpWantsKey:
      return operationFor<kOpWantsKey>(&KeyProbe::wantsKey);
    default:
      return nullptr;
  }
}
OperationFn buttonLookup(int op) {
  if (op == kOpDefaultAction) return operationFor<kOpDefaultAction>(&KeyProbe::defaultAction);
  return keyProbeLookup(op);
}
OperationFn filterLookup(int op) {
  if (op == kOpFilterMessage) return operationFor<kOpFilterMessage>(&KeyProbe::filter);
  return keyProbeLookup(op);
}

const ComponentType kKeyProbe = {"按键探针", "KeyProbe", kStateEvents, {}, &keyProbeLookup};
const ComponentType kButtonProbe = {
    "按钮探针", "ButtonProbe", kStateEvents | kStateDefaultButton, {}, &buttonLookup};
const ComponentType kFilterProbe = {
    "过滤探针", "FilterProbe", kStateEvents | kStateMessageFilter, {}, &filterLookup};
const bool registered = registerComponentType(kKeyProbeType, kKeyProbe) &&
                        registerComponentType(kButtonProbeType, kButtonProbe) &&
                        registerComponentType(kFilterProbeType, kFilterProbe);

}  // namespace

void postKey(HWND target, UINT message, WPARAM key) {
  const UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  LPARAM l = 1 | (scan << 16);
  if (message == WM_KEYUP || message == WM_SYSKEYUP) l |= 0xC0000000;
  PostMessageA(target, message, key, l);
  pumpMessages();
}

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  os << "{" << std::hex << s.unit << std::dec << ", " << s.event << ",";
  for (int32_t a : s.args) os << " " << a;
  return os << "}";
}

std::vector<Seen> seenEvents() {
  std::vector<Seen> out;
  for (const auto& e : eventLog()) out.push_back({e.unit, e.event, e.args});
  return out;
}

std::vector<Received> keysReceived() {
  std::vector<Received> keys;
  for (const Received& r : gReceived)
    if (r.message != WM_CHAR) keys.push_back(r);
  return keys;
}

void MenuWindowTest::SetUp() {
  setCustomHandler(0, [](EventCall& e) {
    RecordedEvent r;
    r.unit = currentEventUnit();
    r.event = e.eventNumber();
    for (int i = 0; i < e.argCount(); ++i) r.args.push_back(e.arg(i));
    eventLog().push_back(r);
  });
}

void MenuWindowTest::TearDown() {
  FormWindowTest::TearDown();
  gReceived.clear();
  gWantedKeys.clear();
  gDefaultActions = 0;
}

void MenuWindowTest::load(const char* form, UnitId window) {
  FormWindowTest::load(form, window);
  pumpMessages();
  clearEventLog();
}

void MenuWindowTest::focus(UnitId unit, UnitId window) {
  SetFocus(unitHandle(unit, window));
  ASSERT_EQ(GetFocus(), unitHandle(unit, window));
}
