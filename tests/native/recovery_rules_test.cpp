#include "app/recovery_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

TEST(RecoverySchedule, TheTextIsDueAfterAPauseOrTenSecondsOfTyping) {
  struct Step {
    char what;  // 'c': a change every 100 ms in [from, to); 't': the text taken at `from`
    int64_t from, to;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    int64_t now;
    std::optional<int64_t> dueIn;
  } cases[] = {
      {"nothing changed", {}, 5000, std::nullopt},
      {"one change, just made", {{'c', 1000, 1001}}, 1000, 2000},
      {"one change, 1.5 s ago", {{'c', 1000, 1001}}, 2500, 500},
      {"typing goes on: the pause moves", {{'c', 0, 3000}}, 3000, 1900},
      {"typing for 9.5 s: ten seconds after the first change", {{'c', 0, 9500}}, 9500, 500},
      {"typing for 15 s", {{'c', 0, 15000}}, 15000, 0},
      {"taken, nothing changed since", {{'c', 0, 3000}, {'t', 5000, 0}}, 20000, std::nullopt},
      {"taken while typing: the ten seconds count from the next change",
       {{'c', 0, 10000}, {'t', 10000, 0}, {'c', 10050, 19000}},
       19000,
       1050},
  };
  for (const Case& c : cases) {
    RecoverySchedule schedule;
    for (const Step& s : c.steps) {
      if (s.what == 't') schedule.noteTaken();
      for (int64_t t = s.from; t < s.to; t += 100) schedule.noteChange(t);
    }
    EXPECT_EQ(schedule.dueIn(c.now), c.dueIn) << c.what;
  }
}

TEST(RecoveryFiles, NamesAreNumberedFromOneAndTheNoticeNamesTheNewest) {
  EXPECT_EQ(recoveryFileName(1), "Quenlo恢复.txt");
  EXPECT_EQ(recoveryFileName(37), "Quenlo恢复(37).txt");
  for (int n = 1; n <= kMaxRecoveryNumber; ++n)
    ASSERT_EQ(recoveryFileNumber(recoveryFileName(n)), n);
  struct Case {
    const char* name;
    int number;
  } cases[] = {{"QUENLO恢复.TXT", 1},     {"quenlo恢复(2).Txt", 2},      {"Quenlo恢复(1).txt", 0},
               {"Quenlo恢复(02).txt", 0}, {"Quenlo恢复(1000).txt", 0},   {"Quenlo恢复().txt", 0},
               {"Quenlo恢复 (2).txt", 0}, {"Quenlo恢复.txt.~tmp4-1", 0}, {"xQuenlo恢复.txt", 0},
               {"Quenlo备份.txt", 0}};
  for (const Case& c : cases) EXPECT_EQ(recoveryFileNumber(c.name), c.number) << c.name;

  EXPECT_EQ(leftRecoveryNotice({}), "");
  EXPECT_EQ(leftRecoveryNotice(
                {{"Quenlo恢复.txt", 5}, {"Quenlo恢复(3).txt", 9}, {"Quenlo恢复(2).txt", 7}}),
            "上次未正常关闭，未保存的内容在Quenlo恢复(3).txt");
}

}  // namespace
