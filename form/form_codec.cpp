#include "form/form_codec.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The layout is written once, in the transfer functions at the bottom; Reader and Writer give
// the same operations in the two directions, so decoding and encoding cannot drift apart.

uint32_t loadWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Once a read fails every later operation does nothing, so a transfer function runs to its
// end and the caller checks ok() once.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size, uint32_t handlerCount)
      : data_(data), size_(data ? size : 0), handlerCount_(handlerCount) {}

  bool ok() const { return ok_; }

  void word(uint32_t& v) {
    if (!need(4)) return;
    v = loadWord(data_ + pos_);
    pos_ += 4;
  }
  void number(int32_t& v) {
    uint32_t w = 0;
    word(w);
    v = static_cast<int32_t>(w);
  }
  // A slot the runtime fills; its stored value means nothing.
  void slot() {
    uint32_t ignored = 0;
    word(ignored);
  }
  void slot(uint32_t& v) {
    slot();
    v = 0;
  }
  void handler(uint32_t& v) {
    word(v);
    if (ok_ && v != kNoHandler && v >= handlerCount_) fail();
  }
  void text(std::string& s) {
    int32_t n = 0;
    number(n);
    s.clear();
    if (n <= 0 || !need(static_cast<size_t>(n))) return;
    const char* p = reinterpret_cast<const char*>(data_ + pos_);
    s.assign(p, strnlen(p, static_cast<size_t>(n)));
    pos_ += static_cast<size_t>(n);
  }
  void cstring(std::string& s) {
    if (!need(1)) return;
    const auto* start = data_ + pos_;
    const auto* end = static_cast<const uint8_t*>(std::memchr(start, 0, size_ - pos_));
    if (!end) return fail();
    s.assign(reinterpret_cast<const char*>(start), static_cast<size_t>(end - start));
    pos_ += static_cast<size_t>(end - start) + 1;
  }
  void bytes(std::vector<uint8_t>& b) {
    int32_t n = 0;
    number(n);
    b.clear();
    if (n <= 0 || !need(static_cast<size_t>(n))) return;
    b.assign(data_ + pos_, data_ + pos_ + n);
    pos_ += static_cast<size_t>(n);
  }
  void rest(std::vector<uint8_t>& b) {
    if (!ok_) return;
    b.assign(data_ + pos_, data_ + size_);
    pos_ = size_;
  }

  // A signed count, then that many items of at least minSize bytes each.
  template <class T, class Each>
  void list(std::vector<T>& items, size_t minSize, Each each) {
    int32_t n = 0;
    number(n);
    if (!ok_) return;
    if (n < 0 || static_cast<size_t>(n) > remaining() / minSize) return fail();
    items.assign(static_cast<size_t>(n), T{});
    for (auto& item : items) each(*this, item);
  }

  template <class Each>
  void windowTable(std::vector<WindowDescription>& windows, Each each) {
    int32_t length = 0;
    number(length);
    if (!ok_) return;
    if (length < 0 || length % 8 != 0 || static_cast<size_t>(length) > remaining()) return fail();
    windows.assign(static_cast<size_t>(length) / 8, WindowDescription{});
    for (auto& w : windows) word(w.id);
    for (size_t i = 0; i < windows.size(); ++i) slot();

    std::vector<UnitId> ids;
    for (const auto& w : windows) ids.push_back(w.id);
    std::sort(ids.begin(), ids.end());
    if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) return fail();

    for (auto& w : windows) {
      each(*this, w);
      if (!ok_) return;
    }
  }

  template <class Each>
  void unitTable(std::vector<UnitId>& ids, std::vector<UnitRecord>& units, Each each) {
    int32_t count = 0, length = 0;
    number(count);
    number(length);
    if (!ok_) return;
    if (count < 1 || length < 0 || static_cast<size_t>(length) > remaining() ||
        static_cast<size_t>(count) > static_cast<size_t>(length) / 8)
      return fail();
    Reader table(data_ + pos_, static_cast<size_t>(length), handlerCount_);
    pos_ += static_cast<size_t>(length);

    ids.assign(static_cast<size_t>(count), 0);
    std::vector<uint32_t> offsets(static_cast<size_t>(count));
    for (auto& id : ids) table.word(id);
    for (auto& offset : offsets) table.word(offset);
    const uint8_t* records = table.data_ + table.pos_;
    const size_t recordsSize = table.remaining();

    std::vector<Span> spans;
    if (!recordSpans(records, recordsSize, offsets, spans)) return fail();
    units.assign(static_cast<size_t>(count), UnitRecord{});
    for (size_t i = 0; i < units.size(); ++i) {
      Reader record(records + spans[i].begin + 4, spans[i].end - spans[i].begin - 4, handlerCount_);
      each(record, units[i]);
      if (!record.ok()) return fail();
    }
  }

 private:
  // A record with its length prefix, as offsets into the records.
  struct Span {
    size_t begin, end;
  };

  // Each unit's record within the records, and no two records overlapping: a damaged table
  // cannot decode to more than its own size, however many units name the same record.
  static bool recordSpans(const uint8_t* records, size_t size, const std::vector<uint32_t>& offsets,
                          std::vector<Span>& spans) {
    for (const size_t offset : offsets) {
      if (offset > size || size - offset < 4) return false;
      const size_t length = loadWord(records + offset);
      if (length > size - offset - 4) return false;
      spans.push_back({offset, offset + 4 + length});
    }
    std::vector<Span> sorted = spans;
    std::sort(sorted.begin(), sorted.end(),
              [](const Span& a, const Span& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < sorted.size(); ++i)
      if (sorted[i].begin < sorted[i - 1].end) return false;
    return true;
  }

  size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
  bool need(size_t n) {
    if (ok_ && n <= size_ - pos_) return true;
    ok_ = false;
    return false;
  }
  void fail() { ok_ = false; }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  uint32_t handlerCount_;
  bool ok_ = true;
};

class Writer {
 public:
  std::vector<uint8_t> out;

  void word(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
  }
  void number(int32_t v) { word(static_cast<uint32_t>(v)); }
  void slot() { word(0); }
  void slot(uint32_t) { word(0); }
  void handler(uint32_t v) { word(v); }
  void text(const std::string& s) {
    word(static_cast<uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
  void cstring(const std::string& s) {
    out.insert(out.end(), s.begin(), std::find(s.begin(), s.end(), '\0'));
    out.push_back(0);
  }
  void bytes(const std::vector<uint8_t>& b) {
    word(static_cast<uint32_t>(b.size()));
    out.insert(out.end(), b.begin(), b.end());
  }
  void rest(const std::vector<uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); }

  template <class T, class Each>
  void list(const std::vector<T>& items, size_t, Each each) {
    word(static_cast<uint32_t>(items.size()));
    for (const auto& item : items) each(*this, item);
  }

  template <class Each>
  void windowTable(const std::vector<WindowDescription>& windows, Each each) {
    word(static_cast<uint32_t>(windows.size() * 8));
    for (const auto& w : windows) word(w.id);
    for (size_t i = 0; i < windows.size(); ++i) slot();
    for (const auto& w : windows) each(*this, w);
  }

  template <class Each>
  void unitTable(const std::vector<UnitId>& ids, const std::vector<UnitRecord>& units, Each each) {
    Writer records;
    std::vector<uint32_t> offsets;
    for (const auto& unit : units) {
      offsets.push_back(static_cast<uint32_t>(records.out.size()));
      Writer record;
      each(record, unit);
      records.word(static_cast<uint32_t>(record.out.size()));
      records.rest(record.out);
    }
    word(static_cast<uint32_t>(units.size()));
    word(static_cast<uint32_t>(units.size() * 8 + records.out.size()));
    for (size_t i = 0; i < units.size(); ++i) word(i < ids.size() ? ids[i] : 0);
    for (uint32_t offset : offsets) word(offset);
    rest(records.out);
  }
};

// Unit is UnitRecord when decoding and const UnitRecord when encoding; likewise below.
template <class IO, class Unit>
void transferUnit(IO& io, Unit& u) {
  io.word(u.type);
  io.word(u.eventsOf);
  for (auto& r : u.reserved) io.word(r);
  io.cstring(u.name);
  io.cstring(u.comment);

  if (u.type == kMenuItemType) {
    io.word(u.shortcut);
    io.word(u.level);
    io.word(u.menuFlags);
    io.cstring(u.caption);
    io.handler(u.clickHandler);
    for (auto& s : u.slots) io.slot(s);
    return;
  }

  io.slot();
  io.number(u.left);
  io.number(u.top);
  io.number(u.width);
  io.number(u.height);
  io.slot();
  io.word(u.parent);
  io.list(u.children, 4, [](auto& io, auto& child) { io.word(child); });
  io.bytes(u.pointerData);
  io.cstring(u.tag);
  io.word(u.reserved2);
  io.word(u.flags);
  io.word(u.tabOrder);
  io.list(u.bindings, 8, [](auto& io, auto& b) {
    io.number(b.event);
    io.handler(b.handler);
  });
  for (auto& r : u.reserved3) io.word(r);
  io.rest(u.properties);
}

template <class IO, class Window>
void transferWindow(IO& io, Window& w) {
  io.word(w.wordA);
  io.word(w.wordB);
  io.text(w.name);
  io.text(w.comment);
  io.unitTable(w.unitIds, w.units, [](auto& record, auto& unit) { transferUnit(record, unit); });
}

template <class IO, class Form>
void transferForm(IO& io, Form& form) {
  io.windowTable(form.windows, [](auto& io, auto& window) { transferWindow(io, window); });
}

}  // namespace

bool decodeForm(const uint8_t* data, size_t size, uint32_t handlerCount, FormDescription& out) {
  try {
    FormDescription form;
    Reader reader(data, size, handlerCount);
    transferForm(reader, form);
    if (!reader.ok()) return false;
    out = std::move(form);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::vector<uint8_t> encodeForm(const FormDescription& form) {
  Writer writer;
  transferForm(writer, form);
  return std::move(writer.out);
}
