#include "tests/support/probe_control.h"

Component* ProbeControl::create(ProbeControl* probe, const CreateParams& p, DWORD style) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "QuenloProbe";
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  HMENU id = p.parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)) : nullptr;
  probe->hwnd_ = CreateWindowExA(0, "QuenloProbe", "", style, p.x, p.y, p.width, p.height, p.parent,
                                 id, GetModuleHandleA(nullptr), nullptr);
  if (!probe->hwnd_) {
    delete probe;
    return nullptr;
  }
  SetWindowLongPtrA(probe->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(probe));
  return probe;
}

LRESULT CALLBACK ProbeControl::proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<ProbeControl*>(GetWindowLongPtrA(h, GWLP_USERDATA));
  if (!self) return DefWindowProcA(h, m, w, l);
  if (m == WM_NCDESTROY) {
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    reportUnitDestroyed(self->windowId(), self->unitId(), self);
    delete self;
    return DefWindowProcA(h, m, w, l);
  }
  LRESULT result = 0;
  return self->onMessage(m, w, l, result) ? result : DefWindowProcA(h, m, w, l);
}
