#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <set>
#include <vector>

#include "form/form_description.h"
#include "tests/support/form_window_fixture.h"

// The units of the menu and key test forms (tests/win/forms/menu_*.form) and their probe
// controls: focusable child windows that count the input reaching them. The keys in gWantedKeys
// are the ones they handle themselves (wantsKey).
constexpr UnitId kA = 0x16000001, kB = 0x16000002, kC = 0x16000003, kD = 0x16000004;
constexpr TypeId kKeyProbeType = 0x00990201;
constexpr TypeId kButtonProbeType = 0x00990202;  // default action on Enter
constexpr TypeId kFilterProbeType = 0x00990203;  // swallows WM_KEYDOWN 'Q' for any unit

struct Received {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  bool operator==(const Received&) const = default;
};
extern std::vector<Received> gReceived;
extern std::set<uint32_t> gWantedKeys;
extern int gDefaultActions;

// Holds the given keys down in the thread's keyboard state, which is what GetKeyState and
// the accelerator translation read.
class KeysDown {
 public:
  explicit KeysDown(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256];
    std::copy(std::begin(saved_), std::end(saved_), state);
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
  }
  ~KeysDown() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

void postKey(HWND target, UINT message, WPARAM key);

struct Seen {
  UnitId unit;
  int32_t event;
  std::vector<int32_t> args;
  bool operator==(const Seen&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Seen& s);
std::vector<Seen> seenEvents();
// The key messages that reached the probes; the characters that the message loop's translation
// makes of them are left out.
std::vector<Received> keysReceived();

// Records the events of handler "custom0" with their arguments; loads a window and lets it
// settle, forgetting the events of its loading.
class MenuWindowTest : public FormWindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void load(const char* form, UnitId window = kWindow);
  void focus(UnitId unit, UnitId window = kWindow);
};
