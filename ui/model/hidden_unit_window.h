#pragma once
#include <windows.h>

#include "ui/model/component_type.h"

// The private window class of a unit window that shows nothing of its own.
struct UnitWindowClass {
  const char* name;
  UINT style = 0;
  int stockBrush = -1;  // GetStockObject's index; -1: no background brush
  bool arrowCursor = false;
};

// The window of a unit that shows nothing of its own (a drop target, a common dialog, a
// timer): a child window of the class T::kWindowClass. From WM_NCCREATE on the window owns its
// component, and its WM_NCDESTROY calls the component's teardown(), which reports the unit gone
// and deletes it. Every other message goes to T::onMessage(msg, wp, lp, handled) where T has one,
// else to DefWindowProcA.
template <class T>
struct HiddenUnitWindow {
  // Makes the window for `component`, which it takes: the component, or null after tearing
  // it down.
  static T* create(const CreateParams& p, DWORD style, T* component) {
    Creation creation{component};
    if (registered() &&
        CreateWindowExA(0, T::kWindowClass.name, "", style | WS_CHILD, p.x, p.y, p.width, p.height,
                        p.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)),
                        GetModuleHandleA(nullptr), &creation))
      return component;
    if (!creation.attached) component->teardown();
    return nullptr;
  }

 private:
  struct Creation {
    T* component;
    bool attached = false;
  };

  static bool registered() {
    static const ATOM atom = [] {
      WNDCLASSA wc{};
      wc.style = T::kWindowClass.style;
      wc.lpfnWndProc = &windowProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      if (T::kWindowClass.arrowCursor) wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
      if (T::kWindowClass.stockBrush >= 0)
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(T::kWindowClass.stockBrush));
      wc.lpszClassName = T::kWindowClass.name;
      return RegisterClassA(&wc);
    }();
    return atom != 0;
  }

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
      auto* creation = static_cast<Creation*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      creation->attached = true;
      self = creation->component;
      self->hwnd_ = hwnd;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else if (msg == WM_NCDESTROY) {
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      if (self) self->teardown();
      return 0;
    } else if constexpr (requires(T * t, bool& handled) { t->onMessage(msg, wp, lp, handled); }) {
      bool handled = false;
      const LRESULT result = self ? self->onMessage(msg, wp, lp, handled) : 0;
      if (handled) return result;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
};
