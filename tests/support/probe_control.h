#pragma once
#include <windows.h>

#include "ui/model/component_model.h"

// A plain window standing in for a control. The object rides in GWLP_USERDATA, sees each
// message in onMessage, and reports its unit destroyed and deletes itself at WM_NCDESTROY.
class ProbeControl : public Component {
 public:
  using Component::Component;
  // Gives `probe` its window (with the unit's control id when it has a parent); deletes it and
  // returns nullptr when the window cannot be made.
  static Component* create(ProbeControl* probe, const CreateParams& p, DWORD style);

 protected:
  // Returns true with `result` set to answer a message itself.
  virtual bool onMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

 private:
  static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l);
};
