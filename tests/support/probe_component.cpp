#include "tests/support/probe_component.h"

#include <cstring>
#include <utility>

#include "tests/win/test_support.h"

int Probe::created = 0;
std::vector<std::pair<UnitId, int32_t>> gSeen;

namespace {

Component* createProbe(const CreateParams& p) {
  auto* probe = new Probe(p.window, p.unit);
  if (p.propertiesSize >= 4) std::memcpy(&probe->choice, p.properties, 4);
  ++Probe::created;
  return ProbeControl::create(probe, p, p.style | (p.parent ? WS_CHILD : WS_OVERLAPPEDWINDOW));
}

Probe& probe(Component& c) { return static_cast<Probe&>(c); }
const Probe& probe(const Component& c) { return static_cast<const Probe&>(c); }

void assign(std::vector<uint8_t>& to, const PropertyValue& v) {
  to.assign(v.asBytes().data(), v.asBytes().data() + v.asBytes().size());
}

// One property of each kind; the choice asks for re-creation when it changes.
// clang-format off
const PropertyRow kProbeProperties[] = {
    {8 + kInt, kKindInteger, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(probe(c).number); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       probe(c).number = v.asInt();
       return 0;
     }},
    {8 + kLogical, kKindLogical, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(probe(c).logical); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       probe(c).logical = v.asInt();
       return 0;
     }},
    {8 + kChoice, kKindChoice, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(probe(c).choice); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       return std::exchange(probe(c).choice, v.asInt()) != v.asInt() ? 1 : 0;
     }},
    {8 + kText, kKindText, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(probe(c).text.c_str()); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       probe(c).text = v.c_str();
       return 0;
     }},
    {8 + kBytes, kKindPicture, {},
     [](const Component& c, const PropertyRow&) {
       return PropertyValue(ByteBuffer::copyOf(probe(c).bytes.data(), probe(c).bytes.size()));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       assign(probe(c).bytes, v);
       return 0;
     }},
    {8 + kFont, kKindFont, {},
     [](const Component& c, const PropertyRow&) {
       const std::vector<uint8_t>& font = probe(c).font;
       if (font.empty()) return PropertyValue();
       return PropertyValue(ByteBuffer::copyOf(font.data(), font.size()));
     },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       assign(probe(c).font, v);
       return 0;
     }},
    {8 + kColour, kKindColourSystem, {},
     [](const Component& c, const PropertyRow&) { return PropertyValue(probe(c).colour); },
     [](Component& c, const PropertyRow&, const PropertyValue& v) {
       probe(c).colour = v.low();
       return 0;
     }},
};
// clang-format on

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
    case kOpSaveProperties:
      return operationFor<kOpSaveProperties>(&saveProbe);
  }
  return nullptr;
}

const ComponentType kProbeComponent = {"探针", "Probe", kStateEvents, kProbeProperties,
                                       &probeLookup};
const ComponentType kSilentComponent = {"哑", "Silent", 0, kProbeProperties, &probeLookup};
const bool kRegistered = registerComponentType(kProbeType, kProbeComponent) &&
                         registerComponentType(kSilentType, kSilentComponent);

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

}  // namespace

std::string fatalMessage(const std::function<void()>& f) {
  try {
    f();
  } catch (const FatalErrorThrown& e) {
    return e.message;
  }
  return "no fatal error";
}

void ProbeWindow::SetUp() {
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

void ProbeWindow::TearDown() {
  if (LoadedWindow* w = findLoadedWindow(kWin)) {
    if (HWND h = w->hwnd()) DestroyWindow(h);
    removeLoadedWindow(kWin);
  }
}
