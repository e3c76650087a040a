#include "app/recovery_rules.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view kStem = "Quenlo恢复";
constexpr std::string_view kExtension = ".txt";

bool sameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The digits of "(n)" for 2 <= n <= kMaxRecoveryNumber, written as recoveryFileName writes them.
int bracketedNumber(std::string_view s) {
  if (s.size() < 3 || s.front() != '(' || s.back() != ')' || s[1] == '0') return 0;
  int n = 0;
  for (char c : s.substr(1, s.size() - 2)) {
    if (c < '0' || c > '9' || (n = n * 10 + (c - '0')) > kMaxRecoveryNumber) return 0;
  }
  return n >= 2 ? n : 0;
}

}  // namespace

void RecoverySchedule::noteChange(int64_t now) {
  if (!changed_) firstChange_ = now;
  changed_ = true;
  lastChange_ = now;
}

std::optional<int64_t> RecoverySchedule::dueIn(int64_t now) const {
  if (!changed_) return std::nullopt;
  const int64_t due = std::min(lastChange_ + kPauseMs, firstChange_ + kLongestMs);
  return std::max<int64_t>(due - now, 0);
}

std::string recoveryFileName(int number) {
  std::string name(kStem);
  if (number >= 2) name += "(" + std::to_string(number) + ")";
  return name += kExtension;
}

int recoveryFileNumber(std::string_view name) {
  // "Quenlo" in any case, then the two characters exactly: a trail byte may look like a letter.
  constexpr size_t kLatin = 6;
  if (name.size() < kStem.size() + kExtension.size() ||
      !sameLetters(name.substr(0, kLatin), kStem.substr(0, kLatin)) ||
      name.substr(kLatin, kStem.size() - kLatin) != kStem.substr(kLatin) ||
      !sameLetters(name.substr(name.size() - kExtension.size()), kExtension))
    return 0;
  const std::string_view middle =
      name.substr(kStem.size(), name.size() - kStem.size() - kExtension.size());
  return middle.empty() ? 1 : bracketedNumber(middle);
}

std::string leftRecoveryNotice(const std::vector<LeftRecoveryFile>& files) {
  if (files.empty()) return "";
  const auto newest = std::max_element(files.begin(), files.end(),
                                       [](const LeftRecoveryFile& a, const LeftRecoveryFile& b) {
                                         return a.writeTime < b.writeTime;
                                       });
  return "上次未正常关闭，未保存的内容在" + newest->name;
}
