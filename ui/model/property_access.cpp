#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"
#include "ui/model/value_conversion.h"

namespace {

enum Common { kLeft = 0, kTop, kWidth, kHeight, kTag, kVisible, kDisabled, kPointer };
constexpr int32_t kMaxCoordinate = 32627;

LoadedWindow& loadedOrFatal(UnitId window, UnitId unit) {
  LoadedWindow* w = findLoadedWindow(window);
  if (!w) fatalError(FatalText::kWindowNotLoaded, 0, window, unit);
  return *w;
}

HWND liveWindow(const LoadedUnit& u) {
  HWND h = u.object ? u.object->hwnd() : nullptr;
  return h && IsWindow(h) ? h : nullptr;
}

struct PendingGeometry {
  HWND hwnd;
  RECT rect;
};
int gBatchDepth = 0;
std::vector<PendingGeometry> gPending;

PendingGeometry* pendingFor(HWND h) {
  for (auto& p : gPending)
    if (p.hwnd == h) return &p;
  return nullptr;
}

// The window rectangle in the parent's client coordinates (screen for a top-level window).
RECT placement(HWND h) {
  if (const PendingGeometry* p = pendingFor(h)) return p->rect;
  RECT r;
  GetWindowRect(h, &r);
  HWND parent = (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr;
  if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void setFlag(uint32_t& flags, uint32_t bit, bool on) {
  flags = on ? (flags | bit) : (flags & ~bit);
}

PropertyValue pointerValue(const std::vector<uint8_t>& data) {
  return PropertyValue(ByteBuffer::copyOf(data.data(), data.size()));
}

// --- menu items ----------------------------------------------------------------------------

PropertyValue readMenuItem(const UnitRecord& r, int index) {
  switch (index) {
    case 0:
      return PropertyValue(Text::copyOf(r.caption));
    case 1:
      return PropertyValue((r.menuFlags & kMenuChecked) ? 1 : 0);
    case 2:
      return PropertyValue((r.menuFlags & kMenuDisabled) ? 1 : 0);
    case 3:
      return PropertyValue((r.menuFlags & kMenuHidden) ? 0 : 1);
    default:
      return PropertyValue();
  }
}

void writeMenuItem(LoadedWindow& w, UnitRecord& r, int index, const PropertyValue& v) {
  bool changed = false;
  if (index == 0) {
    std::string caption = v.c_str();
    changed = caption != r.caption;
    r.caption = caption;
  } else if (index >= 1 && index <= 3) {
    uint32_t bit = index == 1 ? kMenuChecked : index == 2 ? kMenuDisabled : kMenuHidden;
    bool on = index == 3 ? !v.asBool() : v.asBool();
    uint32_t before = r.menuFlags;
    setFlag(r.menuFlags, bit, on);
    changed = before != r.menuFlags;
  }
  if (changed && w.hwnd()) SendMessageA(w.hwnd(), UM_MENU_CHANGED, 0, 0);
}

// --- common properties ---------------------------------------------------------------------

PropertyValue readCommon(const LoadedUnit& u, int index) {
  const UnitRecord& r = *u.record;
  HWND h = liveWindow(u);
  switch (index) {
    case kLeft:
      return PropertyValue(h ? static_cast<int32_t>(placement(h).left) : r.left);
    case kTop:
      return PropertyValue(h ? static_cast<int32_t>(placement(h).top) : r.top);
    case kWidth: {
      if (!h) return PropertyValue(r.width);
      RECT rc = placement(h);
      return PropertyValue(static_cast<int32_t>(rc.right - rc.left));
    }
    case kHeight: {
      if (!h) return PropertyValue(r.height);
      RECT rc = placement(h);
      return PropertyValue(static_cast<int32_t>(rc.bottom - rc.top));
    }
    case kTag:
      return PropertyValue(Text::copyOf(r.tag));
    case kVisible:
      return PropertyValue(h ? (IsWindowVisible(h) ? 1 : 0) : (r.flags & kUnitVisible ? 1 : 0));
    case kDisabled:
      return PropertyValue(h ? (IsWindowEnabled(h) ? 0 : 1) : (r.flags & kUnitDisabled ? 1 : 0));
    default:
      return pointerValue(r.pointerData);
  }
}

// Inside a geometry batch a control's new rectangle is only noted.
bool deferred(HWND h, const RECT& rect) {
  if (gBatchDepth == 0 || !(GetWindowLongA(h, GWL_STYLE) & WS_CHILD)) return false;
  if (PendingGeometry* p = pendingFor(h)) {
    p->rect = rect;
  } else {
    gPending.push_back({h, rect});
  }
  return true;
}

void moveUnit(HWND h, int x, int y) {
  RECT rc = placement(h);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  if (deferred(h, {x, y, x + width, y + height})) return;
  MoveWindow(h, x, y, width, height, TRUE);
}

void resizeUnit(HWND h, int width, int height) {
  RECT rc = placement(h);
  if (deferred(h, {rc.left, rc.top, rc.left + width, rc.top + height})) return;
  SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void writePosition(LoadedUnit& u, int index, int32_t value) {
  UnitRecord& r = *u.record;
  int32_t v = std::clamp(value, -kMaxCoordinate, kMaxCoordinate);
  (index == kLeft ? r.left : r.top) = v;
  if (HWND h = liveWindow(u)) {
    RECT rc = placement(h);
    moveUnit(h, index == kLeft ? v : rc.left, index == kTop ? v : rc.top);
  }
}

void writeSize(LoadedUnit& u, int index, int32_t value) {
  UnitRecord& r = *u.record;
  int32_t v = std::clamp(value, 0, kMaxCoordinate);
  (index == kWidth ? r.width : r.height) = v;
  if (HWND h = liveWindow(u)) {
    RECT rc = placement(h);
    resizeUnit(h, index == kWidth ? v : rc.right - rc.left,
               index == kHeight ? v : rc.bottom - rc.top);
  }
}

void writeVisible(LoadedWindow& w, LoadedUnit& u, bool visible) {
  setFlag(u.record->flags, kUnitVisible, visible);
  HWND h = liveWindow(u);
  if (!h) return;
  if (!visible) {
    ShowWindow(h, SW_HIDE);
  } else if (&u == &w.units[0]) {
    SendMessageA(h, UM_SHOW_FIRST, 0, 0);
  } else if (!(u.type && (u.type->state & kStateNeverShown))) {
    // No tab control type exists in this program, so no unit waits for its page.
    ShowWindow(h, SW_SHOW);
  }
}

void writePointer(LoadedUnit& u, const PropertyValue& v) {
  if (u.cursor) DestroyCursor(u.cursor);
  const ByteBuffer& b = v.asBytes();
  u.record->pointerData.assign(b.data(), b.data() + b.size());
  u.cursor = makeCursor(u.record->pointerData);
  if (liveWindow(u)) {
    POINT p;
    GetCursorPos(&p);
    SetCursorPos(p.x, p.y);
  }
}

void writeCommon(LoadedWindow& w, LoadedUnit& u, int index, const PropertyValue& v) {
  switch (index) {
    case kLeft:
    case kTop:
      writePosition(u, index, v.asInt());
      break;
    case kWidth:
    case kHeight:
      writeSize(u, index, v.asInt());
      break;
    case kTag:
      u.record->tag = v.c_str();
      break;
    case kVisible:
      writeVisible(w, u, v.asBool());
      break;
    case kDisabled: {
      setFlag(u.record->flags, kUnitDisabled, v.asBool());
      if (HWND h = liveWindow(u)) EnableWindow(h, !v.asBool());
      break;
    }
    default:
      writePointer(u, v);
      break;
  }
}

// --- type-specific properties --------------------------------------------------------------

PropertyKind kindOf(const LoadedUnit& u, int index) {
  const PropertyRow* row = findProperty(u.type->properties, index);
  return row ? row->kind : kKindInteger;
}

LogFont currentFont(const LoadedUnit& u, int index) {
  PropertyValue raw;
  std::vector<uint8_t> bytes;
  if (getProperty(u.type->properties, *u.object, index, raw) &&
      raw.asBytes().size() == sizeof(LogFont))
    bytes.assign(raw.asBytes().data(), raw.asBytes().data() + sizeof(LogFont));
  else
    bytes = logFontBytes(nullptr);
  LogFont f;
  std::memcpy(&f, bytes.data(), sizeof f);
  return f;
}

PropertyValue readSpecific(const LoadedUnit& u, int index, int sub) {
  PropertyKind kind = kindOf(u, index);
  if (kind == kKindFont) return readFontField(currentFont(u, index), sub, screenDpiY());
  PropertyValue raw;
  if (!getProperty(u.type->properties, *u.object, index, raw)) return PropertyValue();
  return convertForRead(kind, std::move(raw));
}

void writeSpecific(LoadedWindow& w, int unitIndex, int index, int sub, const PropertyValue& v) {
  LoadedUnit& u = w.units[unitIndex];
  PropertyKind kind = kindOf(u, index);
  PropertyValue converted;
  if (kind == kKindFont) {
    const std::optional<LogFont> f = writeFontField(currentFont(u, index), sub, v, screenDpiY());
    if (!f) return;
    converted = PropertyValue(ByteBuffer::copyOf(&*f, sizeof *f));
  } else if (!writtenUnchanged(kind)) {
    converted = convertForWrite(kind, v);
  }
  const PropertyValue& value = writtenUnchanged(kind) ? v : converted;
  if (setProperty(u.type->properties, *u.object, index, value) == 1 && liveWindow(u))
    recreateUnit(w, unitIndex);
}

}  // namespace

void beginGeometryBatch() { ++gBatchDepth; }

void endGeometryBatch() {
  if (gBatchDepth == 0 || --gBatchDepth > 0) return;
  std::vector<PendingGeometry> pending;
  pending.swap(gPending);
  for (const PendingGeometry& p : pending) {
    if (!IsWindow(p.hwnd)) continue;
    const RECT now = placement(p.hwnd);
    if (EqualRect(&now, &p.rect)) continue;
    SetWindowPos(p.hwnd, nullptr, p.rect.left, p.rect.top, p.rect.right - p.rect.left,
                 p.rect.bottom - p.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

PropertyValue readProperty(UnitId window, UnitId unit, int index, int sub) {
  LoadedWindow& w = loadedOrFatal(window, unit);
  LoadedUnit* u = w.find(unit);
  if (!u) fatalError(FatalText::kWindowNotLoaded, 0, window, unit);
  if (u->record->isMenuItem()) return readMenuItem(*u->record, index);
  if (index < 8) return readCommon(*u, index);
  if (!liveWindow(*u) || !u->type) fatalError(FatalText::kReadNoWindow, 0, window, unit);
  return readSpecific(*u, index, sub);
}

void writeProperty(UnitId window, UnitId unit, int index, int sub, const PropertyValue& value) {
  LoadedWindow& w = loadedOrFatal(window, unit);
  int i = w.indexOf(unit);
  if (i < 0) fatalError(FatalText::kWindowNotLoaded, 0, window, unit);
  LoadedUnit& u = w.units[i];
  if (u.record->isMenuItem()) return writeMenuItem(w, *u.record, index, value);
  if (index < 8) return writeCommon(w, u, index, value);
  if (!liveWindow(u) || !u.type) fatalError(FatalText::kWriteNoWindow, 0, window, unit);
  writeSpecific(w, i, index, sub, value);
}
