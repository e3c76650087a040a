// Start-up and repaint costs of the background picture.
//
//   paint_bench background.jpg [--naive] [--no-picture] [--startup-only] [--app Quenlo.exe]
//
// 1. Start-up: from this process's creation to the end of the first WM_PAINT of a 728 x 430
//    window that shows the picture stretched (mode 3), decoding it in that paint as the main
//    window does; and the JPEG decode alone (median of 10). --no-picture paints the window
//    without a picture, which gives Wine's own start-up cost.
// 2. Repaints: 200 repaints of a 1280 x 800 client area at an unchanged size, then a resize
//    sweep from 1280 x 800 down to 640 x 400 and back (160 sizes); median and worst WM_PAINT
//    time. --naive adds the same runs for a paint that stretches the whole decoded picture
//    with HALFTONE on every WM_PAINT, for comparison.
// 3. --app: start Quenlo.exe and time CreateProcess to its first idle wait (WaitForInputIdle),
//    which it reaches after the main window's first paint.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ui/gdi.h"
#include "ui/picture.h"
#include "ui/picture_decode.h"

namespace {

double nowMs() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

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
    g_painter->picture.load(data->data(), data->size(), GetSysColor(COLOR_BTNFACE));
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

void report(const char* what, const Painter& painter) {
  const Stats s = statsOf(painter.paintMs);
  std::printf("%-34s median %7.2f ms  worst %7.2f ms  (%zu paints)\n", what, s.median, s.worst,
              s.count);
}

// Repaints at one size, then a sweep of sizes, of a borderless 1280 x 800 window.
void repaints(const std::vector<uint8_t>& jpeg, bool naive, int count) {
  Painter painter;
  g_painter = &painter;
  painter.pending = &jpeg;
  PicturePixels pixels;
  if (naive) {
    pixels = decodePicture(jpeg.data(), jpeg.size(), 0);
    painter.naive = &pixels;
  }
  HWND hwnd = createWindow(WS_POPUP, 1280, 800);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  painter.paintMs.clear();
  for (int i = 0; i < count; ++i) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
  }
  report(naive ? "naive: 1280 x 800, same size" : "1280 x 800, same size", painter);

  painter.paintMs.clear();
  // Down to 640 x 400 in 80 steps, then back up to 1280 x 800: 160 sizes.
  for (int step = 1; step <= 160; ++step) {
    const int k = step <= 80 ? step : 160 - step;
    SetWindowPos(hwnd, nullptr, 0, 0, 1280 - 8 * k, 800 - 5 * k,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(hwnd);
  }
  report(naive ? "naive: resize sweep 1280 x 800 <-> 640 x 400"
               : "resize sweep 1280 x 800 <-> 640 x 400",
         painter);
  DestroyWindow(hwnd);
  pump();
}

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
  const DWORD waited = WaitForInputIdle(pi.hProcess, 60000);
  const double idle = nowMs() - start;
  std::printf("app: CreateProcess to first idle %.1f ms%s\n", idle,
              waited == 0 ? "" : " (WaitForInputIdle failed)");
  Sleep(500);
  HWND main = FindWindowA(nullptr, "Quenlo3.0");
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
    repaints(jpeg, false, 200);
    std::fflush(stdout);
    if (naive) repaints(jpeg, true, 200);
    std::fflush(stdout);
  }
  if (app) appStartup(app);
  return 0;
}
