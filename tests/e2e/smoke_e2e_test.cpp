// One start of the real program, used briefly as a user would. scripts/pe32-smoke.sh runs it
// against the PE32 program where that runs only through an emulator, many times slower than
// natively: every wait here is long, and costs nothing when the program keeps up.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/quenlo_app.h"

namespace {

constexpr int kPatientMs = 600000;

TEST(SmokeE2E, TypeSaveAndCloseLeavesTheTextInTheBackup) {
  const std::string backup = "Quenlo备份.txt";
  const std::string typed = "smoke 32";
  QuenloApp app(kPatientMs);
  ASSERT_TRUE(app.started()) << "no window";
  if (std::getenv("QUENLO_E2E_PROGRAM")) {  // the 32-bit program, from a 64-bit driver
    BOOL wow64 = FALSE;
    EXPECT_TRUE(IsWow64Process(app.process(), &wow64) && wow64) << "not a 32-bit process";
  }
  app.focus(app.inputBox(), kPatientMs / 10);
  app.type(typed);
  EXPECT_TRUE(waitUntil([&] { return windowText(app.inputBox()) == typed; }, kPatientMs))
      << windowText(app.inputBox());

  app.ctrlPress('S');
  EXPECT_TRUE(waitUntil([&] { return app.status() == "用户手动保存文件到" + backup; }, kPatientMs))
      << app.status();
  EXPECT_EQ(readFile(app.inFolder(backup)), typed);

  DeleteFileA(app.inFolder(backup).c_str());
  app.press(VK_ESCAPE);
  EXPECT_EQ(app.waitForExit(kPatientMs), 0u);
  EXPECT_EQ(readFile(app.inFolder(backup)), typed) << "written again on close";
}

}  // namespace
