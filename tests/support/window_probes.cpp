#include "tests/support/window_probes.h"

#include <string>

#include "tests/support/probe_control.h"
#include "tests/win/test_support.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

std::vector<ProbeMessage> gProbeLog;
int gProbesDestroyed = 0;
int gProbeSizes = 0;
HBRUSH gProbeBrush = CreateSolidBrush(RGB(1, 2, 3));

namespace {

class Probe : public ProbeControl {
 public:
  using ProbeControl::ProbeControl;
  ~Probe() override { ++gProbesDestroyed; }

  static Component* create(const CreateParams& p) {
    const DWORD edge = p.propertiesSize >= 1 ? p.properties[0] : 0;
    return ProbeControl::create(new Probe(p.window, p.unit), p, WS_CHILD | p.style | edge);
  }

 private:
  bool onMessage(UINT m, WPARAM w, LPARAM, LRESULT& result) override {
    switch (m) {
      case UM_CREATED:
      case UM_SHOWN:
      case UM_REDOCK:
      case WM_COMMAND:
      case WM_NOTIFY:
        gProbeLog.push_back({unitId(), m, w});
        return false;
      case WM_SIZE:
        ++gProbeSizes;
        return false;
      case WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(gProbeBrush);
        return true;
      default:
        return false;
    }
  }
};

Component* refuse(const CreateParams&) { return nullptr; }

OperationFn probeLookup(int op) {
  return op == kOpCreate ? operationFor<kOpCreate>(&Probe::create) : nullptr;
}
OperationFn refusingLookup(int op) {
  return op == kOpCreate ? operationFor<kOpCreate>(&refuse) : nullptr;
}

const ComponentType kProbe = {"探针", "Probe", kStateEvents, {}, &probeLookup};
const ComponentType kNeverShown = {
    "隐形探针", "NeverShown", kStateEvents | kStateNeverShown, {}, &probeLookup};
const ComponentType kDock = {"停靠探针", "Dock", kStateEvents | kStateDockingBar, {}, &probeLookup};
const ComponentType kRefusing = {"拒绝", "Refusing", kStateEvents, {}, &refusingLookup};
const bool registered = registerComponentType(kProbeType, kProbe) &&
                        registerComponentType(kNeverShownType, kNeverShown) &&
                        registerComponentType(kDockType, kDock) &&
                        registerComponentType(kRefusingType, kRefusing);

struct WindowSearch {
  const char* className;
  HWND found = nullptr;
};

BOOL CALLBACK findInThisProcess(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  char name[64] = {};
  GetClassNameA(h, name, sizeof name);
  if (pid != GetCurrentProcessId() || std::string(name) != s->className) return TRUE;
  s->found = h;
  return FALSE;
}

}  // namespace

RECT windowRect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

RECT placement(HWND child) {
  RECT r = windowRect(child);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

HWND windowOfThisProcess(const char* className) {
  WindowSearch search{className};
  EnumWindows(&findInThisProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void WindowTest::TearDown() {
  FormWindowTest::TearDown();
  gProbeLog.clear();
  gProbesDestroyed = 0;
}
