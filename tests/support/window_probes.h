#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "form/form_description.h"
#include "tests/support/form_window_fixture.h"

// The units of the window test forms (tests/win/forms/window_*.form) and their probe controls:
// plain child windows that record what the window sends them and answer WM_CTLCOLORSTATIC with
// their own brush.
constexpr UnitId kFirst = 0x16000001, kSecond = 0x16000002, kNever = 0x16000003,
                 kHidden = 0x16000004;
constexpr TypeId kProbeType = 0x00990101;
constexpr TypeId kNeverShownType = 0x00990102;
constexpr TypeId kDockType = 0x00990103;  // its blob's first byte is its CCS edge style
constexpr TypeId kRefusingType = 0x00990104;

struct ProbeMessage {
  UnitId unit;
  UINT message;
  WPARAM wParam;
  bool operator==(const ProbeMessage&) const = default;
};
extern std::vector<ProbeMessage> gProbeLog;
extern int gProbesDestroyed;
extern int gProbeSizes;  // WM_SIZE messages the probes received
extern HBRUSH gProbeBrush;

RECT windowRect(HWND h);
// Where a child sits in its parent's client area.
RECT placement(HWND child);
// A top-level window of this process with the class; other programs on the desktop may have
// windows of the same class.
HWND windowOfThisProcess(const char* className);

// Forgets what the probes saw after each test.
class WindowTest : public FormWindowTest {
 protected:
  void TearDown() override;
};
