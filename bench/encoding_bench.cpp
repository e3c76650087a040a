// How often each way of choosing a file's encoding gets it right, on a labelled set of short and
// long texts, and how long choosing takes for a large file.
//
//   encoding_bench [--fortunes DIR] [--uchardet-tests DIR] [--jieba dict.txt] [--samples N]
//                  [--mb 20 (0: no times)] [--time-only]
//
// The set: windows of 1 to 40 characters of real Chinese text (fortunes-zh, and the Chinese
// files of uchardet's test corpus as an outside check) in GBK and in UTF-8; GBK words made of the
// characters whose GBK bytes are also UTF-8; UTF-8 windows of the Latin, Cyrillic and Greek text
// of uchardet's test corpus; UTF-8 texts with an emoji. A GBK text is right when it opens as GBK,
// a UTF-8 text when it opens as UTF-8 or, if the code page lacks one of its characters, when it
// is refused for that reason. The rules: the one this program is built with, the one before it
// (a valid multi-byte UTF-8 text the code page can show is UTF-8, anything else that survives the
// code page is GBK), and uchardet where it was built in (its UTF-8 verdict goes the UTF-8 way,
// any other the GBK way). Natively the code page is glibc's CP936, on Windows the system's.
#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/document_encoding.h"

#ifdef _WIN32
#include "runtime/system_code_page.h"
#else
#include "tests/support/iconv_code_page.h"
#endif
#ifdef QUENLO_UCHARDET
#include <uchardet/uchardet.h>
#endif

namespace {

const CodePage& codePage() {
#ifdef _WIN32
  return systemCodePage();
#else
  static const IconvCodePage cp936;
  return cp936;
#endif
}

std::string u8s(const char8_t* s) { return reinterpret_cast<const char*>(s); }

enum class Outcome { Gbk, Utf8, Unrepresentable, Refused };
const char* const kOutcomeNames[] = {"GBK", "UTF-8", "refused (characters)", "refused"};

Outcome outcomeOf(const DecodedDocument& d) {
  if (d.refusal == OpenRefusal::Unrepresentable) return Outcome::Unrepresentable;
  if (d.refusal != OpenRefusal::None) return Outcome::Refused;
  return d.encoding == DocumentEncoding::Gbk ? Outcome::Gbk : Outcome::Utf8;
}

// What a valid UTF-8 text becomes when it is taken as UTF-8.
Outcome asUtf8(std::string_view bytes) {
  std::u16string unicode;
  bool multiByte;
  decodeUtf8(bytes, unicode, multiByte);
  const std::string shown = codePage().fromUnicode(unicode);
  return codePage().toUnicode(shown) == unicode ? Outcome::Utf8 : Outcome::Unrepresentable;
}

bool isUtf8(std::string_view bytes, bool& multiByte) {
  std::u16string unicode;
  return decodeUtf8(bytes, unicode, multiByte);
}

Outcome asGbk(std::string_view bytes) {
  return survivesCodePage(bytes, codePage()) ? Outcome::Gbk : Outcome::Refused;
}

Outcome currentRule(std::string_view bytes) { return outcomeOf(decodeDocument(bytes, codePage())); }

Outcome previousRule(std::string_view bytes) {
  bool multiByte = false;
  const bool utf8 = isUtf8(bytes, multiByte) && multiByte;
  if (utf8 && asUtf8(bytes) == Outcome::Utf8) return Outcome::Utf8;
  if (asGbk(bytes) == Outcome::Gbk) return Outcome::Gbk;
  return utf8 ? Outcome::Unrepresentable : Outcome::Refused;
}

#ifdef QUENLO_UCHARDET
Outcome uchardetRule(std::string_view bytes) {
  uchardet_t detector = uchardet_new();
  uchardet_handle_data(detector, bytes.data(), bytes.size());
  uchardet_data_end(detector);
  const bool utf8 = std::strcmp(uchardet_get_charset(detector), "UTF-8") == 0;
  uchardet_delete(detector);
  bool multiByte;
  if (utf8 && isUtf8(bytes, multiByte)) return asUtf8(bytes);
  return asGbk(bytes);
}
#endif

struct Rule {
  const char* name;
  std::function<Outcome(std::string_view)> decide;
};

std::vector<Rule> rules() {
  std::vector<Rule> all = {{"this build", currentRule}, {"before", previousRule}};
#ifdef QUENLO_UCHARDET
  all.push_back({"uchardet", uchardetRule});
#endif
  return all;
}

// ---- the labelled set ----

std::u32string codePoints(std::string_view utf8) {
  std::u16string units;
  bool multiByte;
  decodeUtf8(utf8, units, multiByte);
  std::u32string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size())
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    out += c;
  }
  return out;
}

std::string utf8Of(std::u32string_view text) {
  std::u16string units;
  for (char32_t c : text) appendUtf16(units, c);
  return encodeUtf8(units);
}

// GBK bytes of a UTF-8 text, false when the code page lacks one of its characters.
bool gbkOf(std::string_view utf8, std::string& gbk) {
  std::u16string unicode;
  bool multiByte;
  if (!decodeUtf8(utf8, unicode, multiByte)) return false;
  gbk = codePage().fromUnicode(unicode);
  return codePage().toUnicode(gbk) == unicode;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

#ifndef _WIN32
std::string toUtf8From(const std::string& charset, const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string out(bytes.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(bytes.data());
  char* dst = out.data();
  size_t left = bytes.size(), room = out.size();
  const bool ok = iconv(cd, &src, &left, &dst, &room) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.resize(ok ? out.size() - room : 0);
  return out;
}
#endif

// Lines of text as code points: without terminal colour sequences, blank lines and ends.
std::vector<std::u32string> linesOf(const std::string& utf8) {
  std::vector<std::u32string> lines;
  std::istringstream in(utf8);
  for (std::string line; std::getline(in, line);) {
    std::string clean;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\x1b') {
        while (i < line.size() && line[i] != 'm') ++i;
      } else if (line[i] != '\r') {
        clean += line[i];
      }
    }
    const std::u32string text = codePoints(clean);
    if (text.find_first_not_of(U" \t%") != std::u32string::npos) lines.push_back(text);
  }
  return lines;
}

bool hasHanzi(std::u32string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char32_t c) { return c >= 0x4E00 && c <= 0x9FFF; });
}

struct Sample {
  std::string category;
  std::string bytes;
  Outcome expected;
  std::string subset;  // also counted in a row of its own, not in "all"
  double subsetWeight = 1;
};

class LabelledSet {
 public:
  explicit LabelledSet(int perCategory) : perCategory_(perCategory) {}
  std::vector<Sample> samples;

  // Windows of `length` characters from `lines`, as GBK (when the code page holds them all)
  // and as UTF-8.
  void addWindows(const std::string& what, const std::vector<std::u32string>& lines, int minLength,
                  int maxLength, bool asGbkText, bool asUtf8Text) {
    if (lines.empty()) return;
    const std::string range = minLength == maxLength
                                  ? std::to_string(minLength)
                                  : std::to_string(minLength) + "-" + std::to_string(maxLength);
    for (int tries = 0, made = 0; made < perCategory_ && tries < perCategory_ * 20; ++tries) {
      const std::u32string& line = lines[random_() % lines.size()];
      const size_t length = minLength + random_() % (maxLength - minLength + 1);
      if (line.size() < length) continue;
      const std::u32string window = line.substr(random_() % (line.size() - length + 1), length);
      const std::string utf8 = utf8Of(window);
      bool multiByte;
      if (asGbkText ? !hasHanzi(window) : !isUtf8(utf8, multiByte) || !multiByte) continue;
      std::string gbk;
      const bool held = gbkOf(utf8, gbk);
      if (asGbkText && held)
        add("GBK " + what + ", " + range + " characters", gbk, Outcome::Gbk,
            isUtf8(gbk, multiByte) && multiByte ? "GBK " + what + " that is also UTF-8" : "");
      if (asUtf8Text)
        add("UTF-8 " + what + ", " + range + " characters" +
                (held ? "" : ", a character the code page lacks"),
            utf8, held ? Outcome::Utf8 : Outcome::Unrepresentable);
      ++made;
    }
  }

  // The words of a dictionary whose GBK bytes are also UTF-8: each one, and phrases of a few
  // of them separated by spaces.
  void addAmbiguousWords(const std::string& dictionary) {
    std::vector<std::string> words;
    std::istringstream in(dictionary);
    for (std::string line; std::getline(in, line);) {
      std::string gbk;
      bool multiByte;
      const size_t space = line.find(' ');
      if (!gbkOf(line.substr(0, space), gbk) || !isUtf8(gbk, multiByte) || !multiByte) continue;
      words.push_back(gbk);
      add("GBK words that are also UTF-8 (jieba)", gbk, Outcome::Gbk,
          "GBK words that are also UTF-8, weighted by jieba's count of each");
      samples.back().subsetWeight = std::atof(line.c_str() + space);
    }
    if (words.empty()) return;
    for (int i = 0; i < perCategory_; ++i) {
      std::string text = words[random_() % words.size()];
      for (int n = random_() % 6; n > 0; --n) text += " " + words[random_() % words.size()];
      add("GBK phrases of those words", text, Outcome::Gbk);
    }
  }

  // UTF-8 Chinese windows with an emoji put in, and emoji among ASCII.
  void addEmoji(const std::vector<std::u32string>& chinese) {
    const char32_t emoji[] = {0x1F600, 0x1F602, 0x1F44D, 0x2764, 0x1F389, 0x1F64F, 0x2705};
    const char* ascii[] = {"ok ", "see you ", "", "2024-05-01 ", "haha"};
    for (int i = 0; i < perCategory_; ++i) {
      std::u32string text;
      if (i % 2 && !chinese.empty()) {
        const std::u32string& line = chinese[random_() % chinese.size()];
        text = line.substr(0, 1 + random_() % 20);
      } else {
        for (const char* c = ascii[random_() % 5]; *c; ++c) text += static_cast<char32_t>(*c);
      }
      text.insert(random_() % (text.size() + 1), 1, emoji[random_() % 7]);
      add(i % 2 ? "UTF-8 Chinese with an emoji" : "UTF-8 ASCII with an emoji", utf8Of(text),
          Outcome::Unrepresentable);
    }
  }

  void add(const std::string& category, const std::string& bytes, Outcome expected,
           const std::string& subset = "") {
    samples.push_back({category, bytes, expected, subset});
  }

 private:
  int perCategory_;
  std::mt19937 random_{20261209};
};

std::vector<std::u32string> fortunes(const std::string& dir) {
  std::vector<std::u32string> all;
  for (const char* name : {"chinese", "tang300", "song100"}) {
    const auto lines = linesOf(readFile(dir + "/" + name));
    for (const auto& line : lines)
      if (hasHanzi(line)) all.push_back(line);
  }
  return all;
}

struct Corpus {
  std::vector<std::u32string> chinese, latin, cyrillic, greek;
};

// uchardet's test files, test/LANGUAGE/CHARSET.txt, taken to UTF-8.
Corpus uchardetCorpus(const std::string& dir) {
  Corpus corpus;
#ifndef _WIN32
  const char* latinLanguages[] = {"cs", "da", "de", "eo", "es", "et", "fi", "fr", "ga", "hr", "hu",
                                  "it", "lt", "lv", "mt", "pl", "pt", "ro", "sk", "sl", "sv", "tr"};
  const auto take = [&](const std::string& language, std::vector<std::u32string>& into) {
    // One file per language: the text is the same in each of its charsets.
    for (const char* charset :
         {"utf-8", "iso-8859-1", "iso-8859-2", "iso-8859-3", "iso-8859-5", "iso-8859-7",
          "iso-8859-13", "iso-8859-9", "windows-1251", "windows-1252"}) {
      const std::string bytes = readFile(dir + "/" + language + "/" + charset + ".txt");
      if (bytes.empty()) continue;
      for (auto& line : linesOf(toUtf8From(charset, bytes))) into.push_back(line);
      return;
    }
  };
  for (const char* language : latinLanguages) take(language, corpus.latin);
  take("ru", corpus.cyrillic);
  take("bg", corpus.cyrillic);
  take("el", corpus.greek);
  for (auto& line : linesOf(readFile(dir + "/zh/utf-8.txt"))) corpus.chinese.push_back(line);
  for (auto& line : linesOf(toUtf8From("GB18030", readFile(dir + "/zh/gb18030.txt"))))
    corpus.chinese.push_back(line);
#endif
  return corpus;
}

void printTable(const std::vector<Sample>& samples, const std::vector<Rule>& rules) {
  std::vector<std::string> order;
  std::map<std::string, std::vector<double>> right;
  std::map<std::string, double> count;
  std::vector<double> total(rules.size());
  std::vector<std::string> subsets;
  for (const Sample& s : samples) {
    for (const std::string& c : {s.category, s.subset}) {
      if (c.empty() || count.count(c)) continue;
      (c == s.subset ? subsets : order).push_back(c);
      right[c].resize(rules.size());
    }
    ++count[s.category];
    if (!s.subset.empty()) count[s.subset] += s.subsetWeight;
    for (size_t r = 0; r < rules.size(); ++r) {
      if (rules[r].decide(s.bytes) != s.expected) continue;
      ++right[s.category][r], ++total[r];
      if (!s.subset.empty()) right[s.subset][r] += s.subsetWeight;
    }
  }
  std::printf("\n| texts | n |");
  for (const Rule& r : rules) std::printf(" %s |", r.name);
  std::printf("\n|---|---|");
  for (size_t r = 0; r < rules.size(); ++r) std::printf("---|");
  std::printf("\n");
  const auto row = [&](const std::string& name, double n, const std::vector<double>& ok) {
    std::printf("| %s | %.0f |", name.c_str(), n);
    for (double k : ok) std::printf(" %.1f%% |", 100.0 * k / std::max(n, 1.0));
    std::printf("\n");
  };
  for (const std::string& c : order) row(c, count[c], right[c]);
  row("all", static_cast<int>(samples.size()), total);
  for (const std::string& c : subsets) row("of them: " + c, count[c], right[c]);
}

// The texts on which the rules differ, for reading.
void printDisagreements(const std::vector<Sample>& samples, const std::vector<Rule>& rules,
                        size_t limit) {
  size_t shown = 0;
  for (const Sample& s : samples) {
    const Outcome mine = rules[0].decide(s.bytes);
    if (mine == s.expected || shown++ >= limit) continue;
    std::u16string unicode = codePage().toUnicode(s.bytes);
    std::printf("wrong: %s: expected %s, got %s: GBK \"%s\"", s.category.c_str(),
                kOutcomeNames[static_cast<int>(s.expected)], kOutcomeNames[static_cast<int>(mine)],
                encodeUtf8(unicode).c_str());
    bool multiByte;
    if (isUtf8(s.bytes, multiByte)) std::printf(" UTF-8 \"%s\"", s.bytes.c_str());
    std::printf("\n");
  }
}

// The examples a user would try first.
void printExamples(const std::vector<Rule>& rules) {
  const std::pair<const char8_t*, bool> examples[] = {{u8"谢谢", true},
                                                      {u8"谢谢 小写 未", true},
                                                      {u8"未", true},
                                                      {u8"abc职def", true},
                                                      {u8"中", false},
                                                      {u8"中文", false},
                                                      {u8"café", false},
                                                      {u8"Käse", false},
                                                      {u8"Привет, мир", false},
                                                      {u8"你好😀世界", false},
                                                      {u8"今天天气很好😀我们去公园", false}};
  std::printf("\n| file | expected |");
  for (const Rule& r : rules) std::printf(" %s |", r.name);
  std::printf("\n|---|---|");
  for (size_t r = 0; r < rules.size(); ++r) std::printf("---|");
  std::printf("\n");
  for (const auto& [text, gbk] : examples) {
    const std::string utf8 = u8s(text);
    std::string bytes;
    if (!gbk || !gbkOf(utf8, bytes)) bytes = utf8;
    const Outcome expected = gbk ? Outcome::Gbk : asUtf8(utf8);
    std::printf("| %s in %s | %s |", utf8.c_str(), gbk ? "GBK" : "UTF-8",
                kOutcomeNames[static_cast<int>(expected)]);
    for (const Rule& r : rules)
      std::printf(" %s |", kOutcomeNames[static_cast<int>(r.decide(bytes))]);
    std::printf("\n");
  }
}

// ---- time ----

double millisecondsFor(const std::function<void()>& work) {
  std::vector<double> runs;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    runs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(runs.begin(), runs.end());
  return runs[2];
}

std::string repeatedTo(const std::string& unit, size_t size) {
  std::string out;
  out.reserve(size + unit.size());
  while (out.size() < size) out += unit;
  return out;
}

void printTimes(size_t megabytes) {
  const size_t size = megabytes << 20;
  std::string chineseGbk, bothGbk;
  gbkOf(u8s(u8"文件保存为GBK编码，打开时不改变任何字节。The quick brown fox.\r\n"), chineseGbk);
  gbkOf(u8s(u8"谢谢 小写 未\r\n"), bothGbk);
  const std::pair<const char*, std::string> files[] = {
      {"GBK Chinese", repeatedTo(chineseGbk, size)},
      {"ASCII", repeatedTo("The quick brown fox jumps over the lazy dog.\r\n", size)},
      {"UTF-8 Chinese", repeatedTo(u8s(u8"文件保存为UTF-8编码，打开时转换为GBK。\r\n"), size)},
      {"GBK that is also UTF-8: 谢谢 小写 未", repeatedTo(bothGbk, size)},
  };
  const auto tableStart = std::chrono::steady_clock::now();
  codePage().survivingCharacters();
  std::printf(
      "\nthe code page's table of characters, made once per process: %.0f ms\n",
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - tableStart)
          .count());
  std::printf("\n| %zu MB file | outcome | decodeDocument (ms, median of 5) |\n|---|---|---|\n",
              megabytes);
  for (const auto& [name, bytes] : files) {
    Outcome outcome = Outcome::Refused;
    const double ms = millisecondsFor([&] { outcome = currentRule(bytes); });
    std::printf("| %s | %s | %.0f |\n", name, kOutcomeNames[static_cast<int>(outcome)], ms);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string fortunesDir = "/usr/share/games/fortunes", uchardetDir,
              jieba = "/usr/lib/python3/dist-packages/jieba/dict.txt";
  int perCategory = 2000;
  size_t megabytes = 20;
  bool timeOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (arg == "--fortunes")
      fortunesDir = next();
    else if (arg == "--uchardet-tests")
      uchardetDir = next();
    else if (arg == "--jieba")
      jieba = next();
    else if (arg == "--samples")
      perCategory = std::stoi(next());
    else if (arg == "--mb")
      megabytes = std::stoul(next());
    else if (arg == "--time-only")
      timeOnly = true;
  }
  if (!timeOnly) {
    const std::vector<Rule> all = rules();
    LabelledSet set(perCategory);
    const auto chinese = fortunes(fortunesDir);
    const std::pair<int, int> lengths[] = {{1, 1},  {2, 2},   {3, 3},  {4, 5},
                                           {6, 10}, {11, 20}, {21, 40}};
    for (const auto& [from, to] : lengths)
      set.addWindows("Chinese (fortunes-zh)", chinese, from, to, true, true);
    set.addAmbiguousWords(readFile(jieba));
    set.addEmoji(chinese);
    if (!uchardetDir.empty()) {
      const Corpus corpus = uchardetCorpus(uchardetDir);
      set.addWindows("Chinese (uchardet's tests)", corpus.chinese, 1, 40, true, true);
      set.addWindows("Latin (uchardet's tests)", corpus.latin, 1, 40, false, true);
      set.addWindows("Cyrillic (uchardet's tests)", corpus.cyrillic, 1, 40, false, true);
      set.addWindows("Greek (uchardet's tests)", corpus.greek, 1, 40, false, true);
    }
    printExamples(all);
    printTable(set.samples, all);
    printDisagreements(set.samples, all, 60);
  }
  if (megabytes) printTimes(megabytes);
  return 0;
}
