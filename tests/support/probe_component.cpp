#include "tests/support/probe_component.h"

#include <cstring>

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
