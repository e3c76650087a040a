// Keystroke latency in a big document, with and without the recovery file, driven from outside
// as a user would.
//
//   keystroke_bench --quenlo Quenlo.exe --without QuenloWithoutRecovery.exe --file big.txt
//                   [--seconds 60] [--rounds 2] [--out table.md]
//
// QuenloWithoutRecovery.exe is the same program built without its recovery file (bench/
// recovery_off.cpp in place of app/recovery.cpp). The two are measured in turns, --rounds times
// each, every time in a fresh folder of their own: the program opens the file through its open
// dialog and is then typed into at the end of the document for --seconds: a key every 150 ms
// (a space after five letters), with a pause of 3 s after every 12 s of typing, so that the
// recovery file is written both after pauses and, every 10 s, while typing goes on.
// - A keystroke's latency runs from SendInput until the text box has taken the character (the
//   length of its last line has changed: EM_LINELENGTH, which copies no text) and has been
//   painted (no update region is left and a WM_NULL sent afterwards has come back).
// - Writes: how often the recovery file's last-write time was seen to change.
// - In this process, on a bare multi-line EDIT holding the file: the time to copy the text out
//   as the recovery file does (the control's UTF-16 text, WM_GETTEXTLENGTH and WM_GETTEXT),
//   the time to read it as the program's Content (GetWindowTextLengthA and GetWindowTextA),
//   and the conversion of the copy to GBK, which the recovery file does on its own thread.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"
#include "bench/bench_clock.h"

namespace {

double percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t at = std::min(samples.size() - 1, static_cast<size_t>(p * samples.size()));
  return samples[at];
}

struct Run {
  std::vector<double> latencies;
  int writes = 0;
};

LRESULT lastLineLength(HWND box) {
  DWORD_PTR length = 0;
  SendMessageTimeoutA(box, EM_LINELENGTH, static_cast<WPARAM>(-1), 0, SMTO_NORMAL, 60000, &length);
  return static_cast<LRESULT>(length);
}

bool painted(HWND box) {
  DWORD_PTR result = 0;
  return !GetUpdateRect(box, nullptr, FALSE) &&
         SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result) &&
         !GetUpdateRect(box, nullptr, FALSE);
}

uint64_t lastWrite(const std::string& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// Through the open dialog, which may take long to come up the first time on a busy machine.
bool open(QuenloApp& app, const std::string& file) {
  app.chooseMenu(1);
  const HWND dialog = app.waitForDialog(nullptr, 120000);
  if (!dialog) return false;
  QuenloApp::confirmFileDialog(dialog, file);
  return waitUntil([&] { return !IsWindow(dialog); }, 600000) && app.sync(600000);
}

Run typeInto(const char* program, const std::string& file, int seconds) {
  Run run;
  _putenv_s("QUENLO_E2E_PROGRAM", program);
  QuenloApp app(120000);
  if (!app.started() || !open(app, file)) {
    std::fprintf(stderr, "%s did not start or open the file\n", program);
    return run;
  }
  app.focus(app.inputBox());
  app.ctrlPress(VK_END);
  app.sync(600000);
  const HWND box = app.inputBox();
  const std::string recovery = app.inFolder("Quenlo恢复.txt");
  uint64_t written = lastWrite(recovery);
  LRESULT line = lastLineLength(box);
  const double start = nowMs();
  double segment = start;
  for (int n = 0; nowMs() - start < seconds * 1000.0; ++n) {
    if (nowMs() - segment >= 12000) {
      Sleep(3000);
      segment = nowMs();
    }
    const WORD vk = n % 6 == 5 ? VK_SPACE : static_cast<WORD>('A' + n % 26);
    const double t0 = nowMs();
    app.key(vk, true, false);
    app.key(vk, false, false);
    LRESULT now;
    while ((now = lastLineLength(box)) == line) SwitchToThread();
    line = now;
    while (!painted(box)) SwitchToThread();
    run.latencies.push_back(nowMs() - t0);
    if (const uint64_t w = lastWrite(recovery); w != written) {
      written = w;
      ++run.writes;
    }
    const double next = t0 + 150;
    while (nowMs() < next) Sleep(1);
  }
  TerminateProcess(app.process(), 0);
  return run;
}

std::string readWhole(const std::string& file) {
  std::string bytes;
  HANDLE h =
      CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(h, nullptr));
  DWORD read = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(h);
  return bytes;
}

struct CopyCosts {
  double wideCopy = 0, narrowRead = 0, conversion = 0;
};

// Medians of five, on a bare EDIT of this process holding the file.
CopyCosts copyCosts(const std::string& file) {
  const std::string text = readWhole(file);
  HWND edit = CreateWindowExA(0, "EDIT", "", ES_MULTILINE | WS_VSCROLL | WS_OVERLAPPEDWINDOW, 0, 0,
                              728, 321, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextA(edit, text.c_str());
  std::vector<double> wide, narrow, conversion;
  for (int i = 0; i < 5; ++i) {
    double t = nowMs();
    const LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    std::wstring copy(static_cast<size_t>(length) + 1, L'\0');
    copy.resize(SendMessageW(edit, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(copy.data())));
    wide.push_back(nowMs() - t);

    t = nowMs();
    const int n = WideCharToMultiByte(CP_ACP, 0, copy.data(), static_cast<int>(copy.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, copy.data(), static_cast<int>(copy.size()), bytes.data(), n,
                        nullptr, nullptr);
    conversion.push_back(nowMs() - t);

    t = nowMs();
    const int narrowLength = GetWindowTextLengthA(edit);
    std::string content(static_cast<size_t>(narrowLength) + 1, '\0');
    content.resize(GetWindowTextA(edit, content.data(), narrowLength + 1));
    narrow.push_back(nowMs() - t);
    if (content != bytes) std::fprintf(stderr, "the converted copy differs from the text\n");
  }
  DestroyWindow(edit);
  return {percentile(wide, 0.5), percentile(narrow, 0.5), percentile(conversion, 0.5)};
}

const char* option(int argc, char** argv, const char* name, const char* fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const char* with = option(argc, argv, "--quenlo", nullptr);
  const char* without = option(argc, argv, "--without", nullptr);
  const char* file = option(argc, argv, "--file", nullptr);
  if (!with || !without || !file) {
    std::fprintf(stderr,
                 "usage: keystroke_bench --quenlo A.exe --without B.exe --file big.txt"
                 " [--seconds 60] [--rounds 2] [--out table.md]\n");
    return 2;
  }
  const int seconds = std::atoi(option(argc, argv, "--seconds", "60"));
  const int rounds = std::atoi(option(argc, argv, "--rounds", "2"));
  Run runs[2];
  for (int round = 0; round < rounds; ++round) {
    for (int variant = 0; variant < 2; ++variant) {
      Run run = typeInto(variant == 0 ? with : without, file, seconds);
      std::fprintf(stderr, "round %d, %s: %zu keys, %d writes\n", round + 1,
                   variant == 0 ? "with" : "without", run.latencies.size(), run.writes);
      runs[variant].latencies.insert(runs[variant].latencies.end(), run.latencies.begin(),
                                     run.latencies.end());
      runs[variant].writes += run.writes;
    }
  }
  const CopyCosts costs = copyCosts(file);

  std::string table =
      "| keystroke latency (ms) | keys | median | 90% | 99% | worst | recovery writes seen |\n"
      "|---|---|---|---|---|---|---|\n";
  const char* names[] = {"with the recovery file", "without"};
  for (int variant = 0; variant < 2; ++variant) {
    const std::vector<double>& l = runs[variant].latencies;
    char row[256];
    std::snprintf(row, sizeof row, "| %s | %zu | %.1f | %.1f | %.1f | %.1f | %d |\n",
                  names[variant], l.size(), percentile(l, 0.5), percentile(l, 0.9),
                  percentile(l, 0.99), percentile(l, 1.0), runs[variant].writes);
    table += row;
  }
  char costsRow[512];
  std::snprintf(costsRow, sizeof costsRow,
                "\nOn a bare EDIT holding the file (median of 5): the copy the recovery file takes "
                "on the user-interface thread %.1f ms; reading the text as Content %.1f ms; the "
                "copy's conversion to GBK, on the recovery file's thread, %.1f ms.\n",
                costs.wideCopy, costs.narrowRead, costs.conversion);
  table += costsRow;
  std::fputs(table.c_str(), stdout);
  if (const char* out = option(argc, argv, "--out", nullptr)) {
    if (FILE* f = std::fopen(out, "wb")) {
      std::fputs(table.c_str(), f);
      std::fclose(f);
    }
  }
  return 0;
}
