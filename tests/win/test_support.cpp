#include "tests/win/test_support.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "form/form_codec.h"
#include "ui/loop/message_loop.h"
#include "ui/model/component_model.h"

namespace {

std::vector<RecordedEvent> gLog;
std::function<void(EventCall&)> gCustom[10];
std::unique_ptr<FormDescription> gForm;

void recordEvent(EventCall& e) {
  RecordedEvent r;
  r.window = currentEventWindow();
  r.unit = currentEventUnit();
  r.event = e.eventNumber();
  for (int i = 0; i < e.argCount(); ++i) r.args.push_back(e.arg(i));
  if (e.argCount() > 0) r.text = e.textArg(0);
  gLog.push_back(r);
}

void callCustom(int slot, EventCall& e) {
  if (gCustom[slot]) gCustom[slot](e);
}

const HandlerEntry kTestHandlers[] = {
#define HANDLER(name, call) {name, [](EventCall& e) { call; }},
#include "tests/win/forms/test_handlers.def"
#undef HANDLER
};

}  // namespace

std::vector<RecordedEvent>& eventLog() { return gLog; }
void clearEventLog() { gLog.clear(); }

std::vector<int32_t> eventsOf(UnitId unit) {
  std::vector<int32_t> out;
  for (const auto& r : gLog)
    if (r.unit == unit) out.push_back(r.event);
  return out;
}

bool underWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool isCursor(HCURSOR cursor) {
  ICONINFO info{};
  if (!GetIconInfo(cursor, &info)) return false;
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return true;
}

int defaultGuiFontPoints() {
  LOGFONTA gui{};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  switch (gui.lfHeight) {
    case -11:
      return 8;
    case -12:
      return 9;
    default:
      return 0;
  }
}

void setCustomHandler(int slot, std::function<void(EventCall&)> fn) {
  gCustom[slot] = std::move(fn);
}

FormDescription& useTestForm(const char* name) {
  std::string path = std::string(QUENLO_ASSETS) + "/" + name + ".bin";
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  auto form = std::make_unique<FormDescription>();
  if (bytes.empty() || !decodeForm(bytes.data(), bytes.size(), std::size(kTestHandlers), *form))
    throw FatalErrorThrown{"test form did not decode: " + path};
  setHandlerTable(kTestHandlers);
  gForm = std::move(form);
  setForm(gForm.get());
  return *gForm;
}

void pumpMessages(int ms) {
  DWORD end = GetTickCount() + ms;
  do {
    processPendingMessages();
    if (ms) Sleep(5);
  } while (ms && static_cast<int>(end - GetTickCount()) > 0);
}

void put32le(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> bmpOf(int width, int height, const Colours& colour) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> b(54 + stride * height, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32le(b, 2, static_cast<uint32_t>(b.size()));
  put32le(b, 10, 54);
  put32le(b, 14, 40);
  put32le(b, 18, width);
  put32le(b, 22, height);
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &b[54 + stride * (height - 1 - y)];
    for (int x = 0; x < width; ++x) {
      const COLORREF c = colour(x, y);
      row[3 * x] = GetBValue(c);
      row[3 * x + 1] = GetGValue(c);
      row[3 * x + 2] = GetRValue(c);
    }
  }
  return b;
}

HWND windowHandle(UnitId window) {
  LoadedWindow* w = findLoadedWindow(window);
  return w ? w->hwnd() : nullptr;
}

HWND unitHandle(UnitId unit, UnitId window) {
  LoadedWindow* w = findLoadedWindow(window);
  LoadedUnit* u = w ? w->find(unit) : nullptr;
  return u && u->object ? u->object->hwnd() : nullptr;
}
