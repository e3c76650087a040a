#include "app/recovery_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct Step {
  char what;  // 'c' a change, 't' the text taken for the file
  int64_t at;
};

// Changes every `every` ms in [from, to).
std::vector<Step> typing(int64_t from, int64_t to, int64_t every = 100) {
  std::vector<Step> steps;
  for (int64_t t = from; t < to; t += every) steps.push_back({'c', t});
  return steps;
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RecoverySchedule, TheTextIsDueAfterAPauseOrTenSecondsOfTyping) {
  struct Case {
    const char* what;
    std::vector<Step> steps;
    int64_t now;
    std::optional<int64_t> dueIn;
  } cases[] = {
      {"nothing changed", {}, 5000, std::nullopt},
      {"one change, just made", {{'c', 1000}}, 1000, 2000},
      {"one change, 1.5 s ago", {{'c', 1000}}, 2500, 500},
      {"one change, long ago", {{'c', 1000}}, 60000, 0},
      {"typing goes on: the pause moves", typing(0, 3000), 3000, 1900},
      {"typing for 9.5 s: ten seconds after the first change", typing(0, 9500), 9500, 500},
      {"typing for 15 s", typing(0, 15000), 15000, 0},
      {"taken, nothing since", typing(0, 3000) + std::vector<Step>{{'t', 5000}}, 20000,
       std::nullopt},
      {"taken while typing: the ten seconds count from the next change",
       typing(0, 10000) + std::vector<Step>{{'t', 10000}} + typing(10050, 19000), 19000, 1050},
      {"a change after being taken", {{'c', 0}, {'t', 2000}, {'c', 7000}}, 8000, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecoverySchedule schedule;
    for (const Step& s : c.steps) s.what == 'c' ? schedule.noteChange(s.at) : schedule.noteTaken();
    EXPECT_EQ(schedule.dueIn(c.now), c.dueIn);
  }
}

TEST(RecoveryFileNames, NumberedFromOneAndReadBack) {
  EXPECT_EQ(recoveryFileName(1), "Quenlo恢复.txt");
  EXPECT_EQ(recoveryFileName(2), "Quenlo恢复(2).txt");
  EXPECT_EQ(recoveryFileName(37), "Quenlo恢复(37).txt");
  for (int n = 1; n <= kMaxRecoveryNumber; ++n)
    ASSERT_EQ(recoveryFileNumber(recoveryFileName(n)), n) << n;

  struct Case {
    const char* name;
    int number;
  } cases[] = {
      {"QUENLO恢复.TXT", 1},       {"quenlo恢复(2).Txt", 2},
      {"Quenlo恢复(1).txt", 0},    {"Quenlo恢复(02).txt", 0},
      {"Quenlo恢复(1000).txt", 0}, {"Quenlo恢复(99999999999).txt", 0},
      {"Quenlo恢复().txt", 0},     {"Quenlo恢复(2.txt", 0},
      {"Quenlo恢复 (2).txt", 0},   {"Quenlo恢复(-2).txt", 0},
      {"Quenlo恢复.txt.txt", 0},   {"Quenlo恢复.txt.~tmp412-3", 0},
      {"Quenlo恢复", 0},           {"xQuenlo恢复.txt", 0},
      {"Quenlo备份.txt", 0},       {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(recoveryFileNumber(c.name), c.number) << c.name;
}

TEST(RecoveryFileNames, TheNoticeNamesTheNewestFileLeft) {
  EXPECT_EQ(leftRecoveryNotice({}), "");
  EXPECT_EQ(leftRecoveryNotice({{"Quenlo恢复.txt", 5}}),
            "上次未正常关闭，未保存的内容在Quenlo恢复.txt");
  EXPECT_EQ(leftRecoveryNotice(
                {{"Quenlo恢复.txt", 5}, {"Quenlo恢复(3).txt", 9}, {"Quenlo恢复(2).txt", 7}}),
            "上次未正常关闭，未保存的内容在Quenlo恢复(3).txt");
}

}  // namespace
