#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "form/form_description.h"
#include "tests/support/probe_control.h"
#include "ui/model/component_model.h"

// A probe component with one property of each kind, so that the model's conversions, events and
// re-creation can be watched without any real control.
constexpr TypeId kProbeType = 0x00990001;
constexpr TypeId kSilentType = 0x00990002;  // cannot raise events
constexpr UnitId kWin = 0x52990001, kOwn = 0x06990000, kProbe = 0x16990001, kSecond = 0x16990002,
                 kSilent = 0x16990003, kItem = 0x26990001;

enum ProbeIndex { kInt = 0, kLogical, kChoice, kText, kBytes, kFont, kColour };

struct Probe : ProbeControl {
  using ProbeControl::ProbeControl;
  int32_t number = 0, logical = 0, choice = 0;
  uint32_t colour = 0;
  std::string text;
  std::vector<uint8_t> bytes, font;
  static int created;
};

// Events the probes' handlers saw: handler 0 records (unit, event), 1 refuses, 2 records the
// event as unit 0xFFFF.
extern std::vector<std::pair<UnitId, int32_t>> gSeen;

// The fatal message `f` raises, or "no fatal error".
std::string fatalMessage(const std::function<void()>& f);

// A loaded window of probes: kOwn (event 0 bound), kProbe (event 5 bound twice, event 6
// refused), kSecond (borrowing kProbe's bindings), kSilent and the menu item kItem.
class ProbeWindow : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  HWND hwndOf(UnitId unit) { return resolveUnit(kWin, unit)->hwnd(); }
  FormDescription form_;
};
