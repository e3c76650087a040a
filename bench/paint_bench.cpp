// Start-up and repaint costs of the background picture.
//
//   paint_bench background.jpg [--naive] [--no-picture] [--startup-only] [--app Quenlo.exe]
//
// 1. Start-up: from this process's creation to the end of the first WM_PAINT of a 728 x 430
//    window that shows the picture stretched (mode 3), decoding it in that paint as the main
//    window does; and the JPEG decode alone (median of 10). --no-picture paints the window
//    without a picture, which gives Wine's own start-up cost.
// 2. Repaints: 200 repaints of a 1280 x 800 client area at an unchanged size, then a resize
//    sweep from 1280 x 800 down to 640 x 400 and back (160 sizes); median and worst time of
//    the WM_PAINT and of the whole frame (InvalidateRect or SetWindowPos, then UpdateWindow).
//    Then the same with children laid out as in the main window (path box and text box cover
//    all but a 64 x 32 corner, which the window's picture shows through), so that the
//    window paints only that corner. --naive adds the same runs for a paint that stretches
//    the whole decoded picture with HALFTONE on every WM_PAINT, for comparison.
// 3. --app: start Quenlo.exe and time CreateProcess until its main window and all its children
//    have been painted (and, for comparison, until WaitForInputIdle returns).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ui/graphics/gdi.h"
#include "ui/graphics/picture.h"
#include "ui/graphics/picture_scale.h"
#include "bench/bench_clock.h"

namespace {

// Milliseconds since this process was created.
double msSinceProcessStart() {
  FILETIME created;
  FILETIME unused;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](FILETIME f) {
    return static_cast<int64_t>(f.dwHighDateTime) << 32 | f.dwLowDateTime;
  };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

struct Stats {
  double median = 0;
  double worst = 0;
  size_t count = 0;
};

Stats statsOf(std::vector<double> samples) {
  Stats s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  s.median = samples[samples.size() / 2];
  s.worst = samples.back();
  s.count = samples.size();
  return s;
}

std::vector<uint8_t> readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The window: paints like the window component (picture, then BackColor in what remains).
struct Painter {
  BackgroundPicture picture;
  const std::vector<uint8_t>* pending = nullptr;  // decoded in the first WM_PAINT
  const PicturePixels* naive = nullptr;           // set: stretch the whole picture every time
  std::vector<double> paintMs;
  std::vector<double> frameMs;
  bool painted = false;
};
Painter* g_painter = nullptr;

void paintNaive(HDC dc, const PicturePixels& p, const RECT& client) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), p.width, p.height, 1, 24, BI_RGB};
  SetStretchBltMode(dc, displayStretchMode());
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, p.width, p.height, p.bits.data(), &bi,
                DIB_RGB_COLORS, SRCCOPY);
}

void onPaint(HWND hwnd) {
  PaintDC paint(hwnd);
  const double start = nowMs();
  RECT client;
  GetClientRect(hwnd, &client);
  const RECT clip = paint.ps().rcPaint;
  OwnedRegion remaining(CreateRectRgnIndirect(&clip));
  if (const auto* data = std::exchange(g_painter->pending, nullptr))
    g_painter->picture.load(data->data(), data->size(), GetSysColor(COLOR_BTNFACE),
                            kPictureStretched, {client.right, client.bottom});
  if (g_painter->naive) {
    paintNaive(paint.dc(), *g_painter->naive, client);
    SetRectRgn(remaining.get(), 0, 0, 0, 0);
  } else {
    g_painter->picture.paint(paint.dc(), kPictureStretched, client, clip, remaining.get());
  }
  OwnedBrush back(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
  FillRgn(paint.dc(), remaining.get(), back.get());
  GdiFlush();
  g_painter->paintMs.push_back(nowMs() - start);
  g_painter->painted = true;
}

LRESULT CALLBACK benchProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_PAINT:
      onPaint(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wp, lp);
  }
}

HWND createWindow(DWORD style, int width, int height) {
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = benchProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = "QuenloPaintBench";
  RegisterClassA(&wc);
  return CreateWindowExA(0, wc.lpszClassName, "Quenlo3.0", style, 0, 0, width, height, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void startup(const std::vector<uint8_t>& jpeg, bool withPicture) {
  Painter painter;
  g_painter = &painter;
  if (withPicture) painter.pending = &jpeg;
  HWND hwnd = createWindow(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 728, 430);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  const double firstPaint = msSinceProcessStart();
  std::printf("start-up%s: process start to first complete paint %.1f ms (that paint %.1f ms)\n",
              withPicture ? "" : " without picture", firstPaint,
              painter.paintMs.empty() ? 0.0 : painter.paintMs.front());
  DestroyWindow(hwnd);
  pump();
  if (!withPicture) return;

  std::vector<double> decodes;
  for (int i = 0; i < 10; ++i) {
    const double start = nowMs();
    PicturePixels p = decodePicture(jpeg.data(), jpeg.size(), 0);
    decodes.push_back(nowMs() - start);
  }
  const Stats d = statsOf(decodes);
  std::printf("JPEG decode alone (2048 x 1536): median %.1f ms, worst %.1f ms over %zu\n", d.median,
              d.worst, d.count);
}

void report(const std::string& what, const Painter& painter) {
  const Stats p = statsOf(painter.paintMs);
  const Stats f = statsOf(painter.frameMs);
  std::printf("%-46s WM_PAINT median %6.2f worst %6.2f | frame median %6.2f worst %6.2f ms (%zu)\n",
              what.c_str(), p.median, p.worst, f.median, f.worst, f.count);
}

// The main window's layout: children that hide all of the picture but its top-left 64 x 32.
void coverLikeMainWindow(HWND hwnd) {
  const DWORD style = WS_CHILD | WS_VISIBLE;
  CreateWindowExA(0, "STATIC", "", style, 64, 0, 2000, 32, hwnd, nullptr, nullptr, nullptr);
  CreateWindowExA(0, "STATIC", "", style, 0, 32, 2000, 2000, hwnd, nullptr, nullptr, nullptr);
}

// Repaints at one size, then a sweep of sizes, of a borderless 1280 x 800 window.
void repaints(const std::vector<uint8_t>& jpeg, bool naive, bool covered, int count) {
  Painter painter;
  g_painter = &painter;
  painter.pending = &jpeg;
  PicturePixels pixels;
  if (naive) {
    pixels = decodePicture(jpeg.data(), jpeg.size(), 0);
    painter.naive = &pixels;
  }
  HWND hwnd = createWindow(WS_POPUP | WS_CLIPCHILDREN, 1280, 800);
  if (covered) coverLikeMainWindow(hwnd);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  const std::string prefix = std::string(naive ? "naive: " : "") + (covered ? "covered: " : "");
  painter.paintMs.clear();
  for (int i = 0; i < count; ++i) {
    const double start = nowMs();
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    painter.frameMs.push_back(nowMs() - start);
  }
  report(prefix + "1280 x 800, same size", painter);

  painter.paintMs.clear();
  painter.frameMs.clear();
  // Down to 640 x 400 in 80 steps, then back up to 1280 x 800: 160 sizes.
  for (int step = 1; step <= 160; ++step) {
    const int k = step <= 80 ? step : 160 - step;
    const double start = nowMs();
    SetWindowPos(hwnd, nullptr, 0, 0, 1280 - 8 * k, 800 - 5 * k,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(hwnd);
    painter.frameMs.push_back(nowMs() - start);
  }
  report(prefix + "resize sweep 1280 x 800 <-> 640 x 400", painter);
  DestroyWindow(hwnd);
  pump();
}

BOOL CALLBACK collectChild(HWND h, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(h);
  return TRUE;
}

// Visible, and no window of its tree has anything left to paint.
bool treePainted(HWND top) {
  if (!IsWindowVisible(top)) return false;
  std::vector<HWND> tree{top};
  EnumChildWindows(top, collectChild, reinterpret_cast<LPARAM>(&tree));
  for (HWND h : tree) {
    if (IsWindowVisible(h) && GetUpdateRect(h, nullptr, FALSE)) return false;
  }
  return true;
}

HWND findQuenlo(DWORD pid) {
  for (HWND h = FindWindowA(nullptr, "Quenlo3.0"); h;
       h = FindWindowExA(nullptr, h, nullptr, "Quenlo3.0")) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == pid) return h;
  }
  return nullptr;
}

// CreateProcess until the main window and its children are painted: no update region is left
// and a WM_NULL sent afterwards has come back, so the last WM_PAINT has returned.
void appStartup(const char* exe) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string command = std::string("\"") + exe + "\"";
  const double start = nowMs();
  if (!CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    std::printf("app: cannot start %s\n", exe);
    return;
  }
  HWND main = nullptr;
  double painted = 0;
  while (nowMs() - start < 60000 && !painted) {
    if (!main) main = findQuenlo(pi.dwProcessId);
    DWORD_PTR unused;
    if (main && treePainted(main) &&
        SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &unused) && treePainted(main))
      painted = nowMs() - start;
    else
      SwitchToThread();
  }
  const DWORD waited = WaitForInputIdle(pi.hProcess, 60000);
  const double idle = nowMs() - start;
  std::printf("app: CreateProcess to main window painted %.1f ms; to WaitForInputIdle %.1f ms%s\n",
              painted, idle, waited == 0 ? "" : " (failed)");
  if (main) PostMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: paint_bench background.jpg [--naive] [--no-picture] [--startup-only]"
                 " [--app Quenlo.exe]\n");
    return 2;
  }
  const std::vector<uint8_t> jpeg = readFile(argv[1]);
  const char* app = nullptr;
  bool naive = false;
  bool withPicture = true;
  bool startupOnly = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--app" && i + 1 < argc) app = argv[++i];
    if (arg == "--naive") naive = true;
    if (arg == "--no-picture") withPicture = false;
    if (arg == "--startup-only") startupOnly = true;
  }
  startup(jpeg, withPicture);
  std::fflush(stdout);
  if (!startupOnly) {
    for (bool covered : {false, true}) {
      repaints(jpeg, false, covered, 200);
      std::fflush(stdout);
      if (naive) repaints(jpeg, true, covered, 200);
      std::fflush(stdout);
    }
  }
  if (app) appStartup(app);
  return 0;
}
