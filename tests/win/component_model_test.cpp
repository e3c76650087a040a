#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include "tests/win/test_support.h"
#include "ui/components/status_bar/status_bar.h"
#include "ui/components/window/menu_bar.h"
#include "ui/model/window_lookup.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"
#include "ui/model/value_conversion.h"

// A probe component with one property of each kind, so that the model's conversions and
// re-creation can be watched without any real control.
namespace {

constexpr TypeId kProbeType = 0x00990001;
constexpr TypeId kSilentType = 0x00990002;  // cannot raise events
constexpr UnitId kWin = 0x52990001, kOwn = 0x06990000, kProbe = 0x16990001, kSecond = 0x16990002,
                 kSilent = 0x16990003, kItem = 0x26990001;

enum ProbeIndex { kInt = 0, kLogical, kChoice, kText, kBytes, kFont, kColour };

struct Probe : Component {
  using Component::Component;
  int32_t number = 0, logical = 0, choice = 0;
  uint32_t colour = 0;
  std::string text;
  std::vector<uint8_t> bytes, font;
  static int created;
};
int Probe::created = 0;

LRESULT CALLBACK probeProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCDESTROY) {
    auto* p = reinterpret_cast<Probe*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    if (p) {
      reportUnitDestroyed(p->windowId(), p->unitId(), p);
      delete p;
    }
  }
  return DefWindowProcA(h, m, w, l);
}

Component* createProbe(const CreateParams& p) {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = probeProc;
    wc.lpszClassName = "QuenloProbe";
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  auto* probe = new Probe(p.window, p.unit);
  if (p.propertiesSize >= 4) std::memcpy(&probe->choice, p.properties, 4);
  DWORD style = p.style | (p.parent ? WS_CHILD : WS_OVERLAPPEDWINDOW);
  HWND h = CreateWindowExA(
      0, "QuenloProbe", "", style, p.x, p.y, p.width, p.height, p.parent,
      p.parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)) : nullptr, nullptr,
      nullptr);
  SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(probe));
  struct Access : Probe {
    static void set(Probe* pr, HWND hw) { static_cast<Access*>(pr)->hwnd_ = hw; }
  };
  Access::set(probe, h);
  ++Probe::created;
  return probe;
}

int setProbe(Component* c, int index, const PropertyValue& v) {
  auto* p = static_cast<Probe*>(c);
  switch (index) {
    case kInt:
      p->number = v.asInt();
      return 0;
    case kLogical:
      p->logical = v.asInt();
      return 0;
    case kChoice: {
      bool changed = p->choice != v.asInt();
      p->choice = v.asInt();
      return changed ? 1 : 0;
    }
    case kText:
      p->text = v.c_str();
      return 0;
    case kBytes:
      p->bytes.assign(v.asBytes().data(), v.asBytes().data() + v.asBytes().size());
      return 0;
    case kFont:
      p->font.assign(v.asBytes().data(), v.asBytes().data() + v.asBytes().size());
      return 0;
    case kColour:
      p->colour = v.low();
      return 0;
  }
  return 0;
}

bool getProbe(Component* c, int index, PropertyValue& out) {
  auto* p = static_cast<Probe*>(c);
  switch (index) {
    case kInt:
      out = p->number;
      return true;
    case kLogical:
      out = p->logical;
      return true;
    case kChoice:
      out = p->choice;
      return true;
    case kText:
      out = p->text.c_str();
      return true;
    case kBytes:
      out = ByteBuffer::copyOf(p->bytes.data(), p->bytes.size());
      return true;
    case kFont:
      if (p->font.empty()) return false;
      out = ByteBuffer::copyOf(p->font.data(), p->font.size());
      return true;
    case kColour:
      out = p->colour;
      return true;
  }
  return false;
}

std::vector<uint8_t> saveProbe(Component* c) {
  auto* p = static_cast<Probe*>(c);
  std::vector<uint8_t> out(4);
  std::memcpy(out.data(), &p->choice, 4);
  return out;
}

OperationFn probeLookup(int op) {
  switch (op) {
    case kOpCreate:
      return operationFor<kOpCreate>(&createProbe);
    case kOpSetProperty:
      return operationFor<kOpSetProperty>(&setProbe);
    case kOpGetProperty:
      return operationFor<kOpGetProperty>(&getProbe);
    case kOpSaveProperties:
      return operationFor<kOpSaveProperties>(&saveProbe);
  }
  return nullptr;
}

const PropertyDescriptor kProbeProperties[] = {
    QUENLO_COMMON_PROPERTIES,        {kKindInteger, kPropertyNormal},
    {kKindLogical, kPropertyNormal}, {kKindChoice, kPropertyNormal},
    {kKindText, kPropertyNormal},    {kKindPicture, kPropertyNormal},
    {kKindFont, kPropertyNormal},    {kKindColourSystem, kPropertyNormal}};
const ComponentType kProbeComponent = {"探针", "Probe", kStateEvents, kProbeProperties,
                                       &probeLookup};
const ComponentType kSilentComponent = {"哑", "Silent", 0, kProbeProperties, &probeLookup};
const bool kRegistered = registerComponentType(kProbeType, kProbeComponent) &&
                         registerComponentType(kSilentType, kSilentComponent);

// Handler table: 0 records, 1 refuses, 2 records as "second".
std::vector<std::pair<UnitId, int32_t>> gSeen;
const HandlerEntry kHandlers[] = {
    {"seen",
     [](EventCall& e) {
       gSeen.push_back({currentEventUnit(), e.eventNumber()});
     }},
    {"refuse", [](EventCall& e) { e.returns(0); }},
    {"second",
     [](EventCall& e) {
       gSeen.push_back({0xFFFF, e.eventNumber()});
     }},
};

UnitRecord unitRecord(TypeId type, std::vector<EventBinding> bindings = {}) {
  UnitRecord r;
  r.type = type;
  r.name = "probe";
  r.width = 100;
  r.height = 50;
  r.flags = kUnitVisible;
  r.pointerData = {0, 0, 0, 0};
  r.bindings = std::move(bindings);
  return r;
}

class ComponentModel : public testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    WindowDescription d;
    d.id = kWin;
    d.name = "probes";
    d.unitIds = {kOwn, kProbe, kSecond, kSilent, kItem};
    d.units.push_back(unitRecord(kProbeType, {{0, 0}}));
    d.units.push_back(unitRecord(kProbeType, {{5, 0}, {5, 2}, {6, 1}}));
    d.units.push_back(unitRecord(kProbeType));
    d.units.back().eventsOf = kProbe;
    d.units.push_back(unitRecord(kSilentType));
    UnitRecord item;
    item.type = kMenuItemType;
    item.caption = "Item";
    item.clickHandler = 0;
    d.units.push_back(item);
    form_.windows = {d};
    setForm(&form_);
    setHandlerTable(kHandlers);
    LoadedWindow& w = addLoadedWindow(form_.windows[0]);
    CreateParams p;
    p.window = kWin;
    p.width = 300;
    p.height = 200;
    p.unit = kOwn;
    w.units[0].object = createProbe(p);
    for (int i = 1; i <= 3; ++i) {
      p.unit = w.units[i].id;
      p.parent = w.hwnd();
      p.controlId = 100 + 10 * i;
      w.units[i].object = createProbe(p);
    }
  }
  void TearDown() override {
    if (LoadedWindow* w = findLoadedWindow(kWin)) {
      if (HWND h = w->hwnd()) DestroyWindow(h);
      removeLoadedWindow(kWin);
    }
  }
  HWND hwndOf(UnitId unit) { return resolveUnit(kWin, unit)->hwnd(); }
  FormDescription form_;
};

TEST_F(ComponentModel, GeometryIsClampedAndApplied) {
  writeProperty(kWin, kProbe, 2, 40000);
  EXPECT_EQ(readProperty(kWin, kProbe, 2).asInt(), 32627);
  writeProperty(kWin, kProbe, 3, -5);
  EXPECT_EQ(readProperty(kWin, kProbe, 3).asInt(), 0);
  writeProperty(kWin, kProbe, 0, -40000);
  EXPECT_EQ(readProperty(kWin, kProbe, 0).asInt(), -32627);
  writeProperty(kWin, kProbe, 1, 7);
  RECT r;
  GetWindowRect(hwndOf(kProbe), &r);
  MapWindowPoints(nullptr, hwndOf(0), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.left, -32627);  // moving keeps the other coordinate
  EXPECT_EQ(findLoadedWindow(kWin)->find(kProbe)->record->width, 32627);
  EXPECT_EQ(findLoadedWindow(kWin)->find(kProbe)->record->height, 0) << "stored clamped, too";
}

TEST_F(ComponentModel, CommonFlagsFollowTheWindow) {
  writeProperty(kWin, kProbe, 6, 1);
  EXPECT_FALSE(IsWindowEnabled(hwndOf(kProbe)));
  EXPECT_EQ(readProperty(kWin, kProbe, 6).asInt(), 1);
  writeProperty(kWin, kProbe, 4, "tagged");
  EXPECT_STREQ(readProperty(kWin, kProbe, 4).c_str(), "tagged");
}

TEST_F(ComponentModel, KindConversionsOnTheWayInAndOut) {
  writeProperty(kWin, kProbe, 8 + kLogical, 5);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kLogical).asInt(), 1);
  writeProperty(kWin, kProbe, 8 + kText, PropertyValue(Text()));
  EXPECT_STREQ(readProperty(kWin, kProbe, 8 + kText).c_str(), "");
  writeProperty(kWin, kProbe, 8 + kColour, kSystemDefaultColour);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kColour).low(), kSystemDefaultColour);
  writeProperty(kWin, kProbe, 8 + kBytes, ByteBuffer::copyOf("\0\1\2", 3));
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kBytes).asBytes().size(), 3u);
}

TEST_F(ComponentModel, FontSubPropertiesGoThroughMulDiv) {
  ASSERT_EQ(screenDpiY(), 96) << "the expectations below are for a 96-dpi screen";
  // No font yet: the component's font reads as DEFAULT_GUI_FONT's.
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kFont, kFontSize).asInt(), defaultGuiFontPoints());

  auto* probe = static_cast<Probe*>(resolveUnit(kWin, kProbe));
  LOGFONTA lf;
  // Both ways round to the nearest: 5 points are 6.67 pixels, 21 pixels are 15.75 points.
  const struct {
    int32_t written;
    LONG height;
    int32_t read;
  } sizes[] = {{12, -16, 12}, {5, -7, 5}, {20, -27, 20}, {16, -21, 16}, {8, -11, 8}, {-3, 0, 0}};
  for (const auto& s : sizes) {
    writeProperty(kWin, kProbe, 8 + kFont, kFontSize, s.written);
    std::memcpy(&lf, probe->font.data(), sizeof lf);
    EXPECT_EQ(lf.lfHeight, s.height) << s.written;
    EXPECT_EQ(readProperty(kWin, kProbe, 8 + kFont, kFontSize).asInt(), s.read) << s.written;
  }
  const struct {
    LONG height;
    int32_t points;
  } stored[] = {{-13, 10}, {-22, 17}, {21, 16}};
  for (const auto& s : stored) {
    lf.lfHeight = s.height;
    std::memcpy(probe->font.data(), &lf, sizeof lf);
    EXPECT_EQ(readProperty(kWin, kProbe, 8 + kFont, kFontSize).asInt(), s.points) << s.height;
  }

  writeProperty(kWin, kProbe, 8 + kFont, kFontAngle, 3700);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kFont, kFontAngle).asInt(), 100);
  writeProperty(kWin, kProbe, 8 + kFont, kFontFaceName, std::string(32, 'x').c_str());
  EXPECT_STREQ(readProperty(kWin, kProbe, 8 + kFont, kFontFaceName).c_str(), "宋体");
}

TEST_F(ComponentModel, RecreationReplacesTheObjectInPlace) {
  HWND before = hwndOf(kProbe);
  HWND above = GetWindow(before, GW_HWNDPREV);
  int created = Probe::created;
  writeProperty(kWin, kProbe, 8 + kChoice, 0);  // unchanged: no re-creation
  EXPECT_EQ(Probe::created, created);
  writeProperty(kWin, kProbe, 8 + kChoice, 3);
  EXPECT_EQ(Probe::created, created + 1);
  HWND after = hwndOf(kProbe);
  EXPECT_NE(after, before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(GetWindow(after, GW_HWNDPREV), above);
  EXPECT_EQ(GetDlgCtrlID(after), 110);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kChoice).asInt(), 3);  // carried by saveProperties
  EXPECT_EQ(eventHoldCount(), 0);
}

TEST_F(ComponentModel, EventsFindTheFirstBindingAndHonourHolds) {
  EventRecord r{kWin, kProbe, 5};
  EXPECT_EQ(raiseEvent(r), 1);
  EXPECT_EQ(gSeen, (std::vector<std::pair<UnitId, int32_t>>{{kProbe, 5}}));
  holdEvents();
  EventRecord held{kWin, kProbe, 5};
  EXPECT_EQ(raiseEvent(held), 0);
  releaseEvents();
  releaseEvents();  // never below 0
  EXPECT_EQ(eventHoldCount(), 0);
  EventRecord unbound{kWin, kProbe, 99};
  EXPECT_EQ(raiseEvent(unbound), 0);
}

TEST_F(ComponentModel, RefusalNeedsAnExplicitFalse) {
  EventRecord refusedRecord{kWin, kProbe, 6};
  raiseEvent(refusedRecord);
  EXPECT_TRUE(refused(refusedRecord));
  EventRecord silent{kWin, kProbe, 5};
  raiseEvent(silent);
  EXPECT_FALSE(refused(silent));
}

TEST_F(ComponentModel, EventsOfChainAndMenuItems) {
  EventRecord viaLink{kWin, kSecond, 5};
  EXPECT_EQ(raiseEvent(viaLink), 1);  // kSecond borrows kProbe's bindings
  EventRecord click{kWin, kItem, 0};
  EXPECT_EQ(raiseEvent(click), 1);
  EventRecord own{kWin, 0, 0};
  EXPECT_EQ(raiseEvent(own), 1);
  EXPECT_EQ(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[2].first, 0u);
}

TEST_F(ComponentModel, MisuseIsFatal) {
  auto fatalMessage = [](auto&& f) {
    try {
      f();
    } catch (const FatalErrorThrown& e) {
      return e.message;
    }
    return std::string("no fatal error");
  };
  EXPECT_EQ(fatalMessage([] { readProperty(0x52000999, kProbe, 0); }),
            "未载入欲访问窗口组件所在的窗口");
  EXPECT_EQ(fatalMessage([] {
              EventRecord r{kWin, kSilent, 0};
              raiseEvent(r);
            }),
            "引发事件的窗口组件无效");
  EXPECT_EQ(fatalMessage([] {
              EventRecord r{kWin, 0x16990077, 0};
              raiseEvent(r);
            }),
            "未找到引发事件的窗口组件");
  EXPECT_EQ(fatalMessage([] { resolveUnit(kWin, 0x16990077); }),
            "指定窗口或窗口组件不存在或尚未载入");
  EXPECT_EQ(fatalMessage([] { clearParts(kWin, kProbe); }), "指定窗口或窗口组件不存在或尚未载入")
      << "a status bar command on a unit of another type";
  DestroyWindow(hwndOf(kProbe));
  EXPECT_EQ(fatalMessage([] { writeProperty(kWin, kProbe, 8, 1); }),
            "修改组件属性时发现指定窗口尚未载入");
  EXPECT_EQ(fatalMessage([] { readProperty(kWin, kProbe, 8); }),
            "读取组件属性时发现指定窗口尚未载入");
  // Common properties still answer from the record.
  EXPECT_EQ(readProperty(kWin, kProbe, 2).asInt(), 100);
}

TEST_F(ComponentModel, FatalMessageText) {
  EXPECT_EQ(fatalErrorText("坏了", 0, kWin, kProbe),
            "运行时出错!\r\n\r\n错误信息：坏了\r\n\r\n1385758721, 379125761\r\n\"probes\"\r\n"
            "\"probe\"\r\n");
  EXPECT_EQ(fatalErrorText("", 7, kWin, kItem),
            "运行时出错!\r\n\r\n错误代码：7\r\n\r\n1385758721, 647561217\r\n\"probes\"\r\n"
            "未找到所指定的窗口组件\r\n");
  EXPECT_EQ(fatalLocationText(0x52000999, 0), "\r\n1375734169, 0\r\n未找到所指定的窗口\r\n");
  EXPECT_EQ(fatalLocationText(0, 0), "\r\n0, 0\r\n");
}

PropertyValue pointerKind(uint8_t kind) {
  const uint8_t data[] = {kind, 0, 0, 0};
  return PropertyValue(ByteBuffer::copyOf(data, sizeof data));
}

TEST_F(ComponentModel, WritingThePointerDestroysThePreviousCursor) {
  const LoadedUnit* u = findLoadedWindow(kWin)->find(kProbe);
  for (uint8_t kind : {3, 11, 0}) {
    HCURSOR previous = u->cursor;
    writeProperty(kWin, kProbe, 7, pointerKind(kind));
    if (previous) {
      EXPECT_FALSE(isCursor(previous)) << "before kind " << int{kind};
    }
    EXPECT_EQ(u->cursor != nullptr, kind != 0);
  }
}

// A window description of `items` menu items (each recording its click) followed by a control
// that records event 0: a command id that ran one past the items would reach it.
struct MenuWindow {
  explicit MenuWindow(int items) {
    WindowDescription d;
    d.id = 0x52990002;
    d.unitIds.push_back(0x06990000);
    d.units.push_back(unitRecord(kProbeType));
    UnitRecord item;
    item.type = kMenuItemType;
    item.clickHandler = 0;
    for (int i = 0; i < items; ++i) {
      d.unitIds.push_back(0x26000000 + i);
      d.units.push_back(item);
    }
    d.unitIds.push_back(0x16990009);
    d.units.push_back(unitRecord(kProbeType, {{0, 0}}));
    form.windows = {std::move(d)};
    setForm(&form);
    setHandlerTable(kHandlers);
    window = &addLoadedWindow(form.windows[0]);
  }
  ~MenuWindow() { removeLoadedWindow(0x52990002); }
  FormDescription form;
  LoadedWindow* window;
};

TEST(MenuCommands, IdsFrom20000To57599ReachTheItemsAndNothingElse) {
  const struct {
    int items;
    UINT id;
    std::vector<UnitId> clicked;
  } cases[] = {
      {2, 20000, {0x26000000}},
      {2, 20001, {0x26000001}},
      {2, 20002, {}},  // past the last item
      {37601, 57599, {0x26000000 + 37599}},
      {37601, 57600, {}},  // ignored however many items there are
  };
  for (const auto& c : cases) {
    MenuWindow w(c.items);
    gSeen.clear();
    EXPECT_TRUE(handleMenuCommand(*w.window, c.id));
    std::vector<UnitId> clicked;
    for (const auto& seen : gSeen) clicked.push_back(seen.first);
    EXPECT_EQ(clicked, c.clicked) << c.id;
  }
}

TEST_F(ComponentModel, MenuItemPropertiesComeFromFlags) {
  EXPECT_STREQ(readProperty(kWin, kItem, 0).c_str(), "Item");
  EXPECT_EQ(readProperty(kWin, kItem, 3).asInt(), 1);
  EXPECT_EQ(readProperty(kWin, kItem, 1).asInt(), 0);
  EXPECT_TRUE(readProperty(kWin, kItem, 9).asText().isNull());
}

}  // namespace
