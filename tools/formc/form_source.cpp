#include "tools/formc/form_source.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "form/property_blob.h"
#include "tools/formc/gbk.h"
#include "tools/formc/source_error.h"

namespace {

struct Token {
  enum Kind { End, Word, Number, String, OpenBrace, CloseBrace, HandlerIndex };
  Kind kind = End;
  std::string text;       // Word: the word; String: the bytes after escapes
  std::vector<bool> raw;  // String: which bytes came from \xHH
  int64_t number = 0;
  int line = 0;
};

bool isWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string describe(const Token& t) {
  switch (t.kind) {
    case Token::End:
      return "end of file";
    case Token::Word:
      return "'" + t.text + "'";
    case Token::Number:
    case Token::HandlerIndex:
      return "a number";
    case Token::String:
      return "a string";
    case Token::OpenBrace:
      return "'{'";
    case Token::CloseBrace:
      return "'}'";
  }
  return "?";
}

class Lexer {
 public:
  Lexer(const std::string& path, std::string_view text) : path_(path), text_(text) {}

  const Token& peek() {
    if (!peeked_) peeked_ = scan(true);
    return *peeked_;
  }
  Token next() {
    Token t = peek();
    peeked_.reset();
    return t;
  }
  // In a handler position `#<digits>` is a handler index, not a comment.
  Token nextHandler() {
    if (!peeked_) {
      skipSpace(false);
      if (pos_ + 1 < text_.size() && text_[pos_] == '#' && isDigit(text_[pos_ + 1])) {
        ++pos_;
        Token t = scanNumber();
        t.kind = Token::HandlerIndex;
        return t;
      }
    }
    return next();
  }

  [[noreturn]] void fail(int line, const std::string& message) const {
    throw SourceError{path_, line, message};
  }

 private:
  void skipSpace(bool comments) {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '#' && comments) {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  Token scan(bool comments) {
    skipSpace(comments);
    Token t;
    t.line = line_;
    if (pos_ >= text_.size()) return t;
    const char c = text_[pos_];
    if (c == '{' || c == '}') {
      ++pos_;
      t.kind = c == '{' ? Token::OpenBrace : Token::CloseBrace;
    } else if (isWordStart(c)) {
      t.kind = Token::Word;
      while (pos_ < text_.size() && isWordChar(text_[pos_])) t.text += text_[pos_++];
      // A handler instance of a family carries its value: onFontSizeClicked(5).
      if (pos_ < text_.size() && text_[pos_] == '(') {
        size_t close = text_.find_first_of(")\n", pos_);
        if (close != std::string::npos && text_[close] == ')') {
          t.text += text_.substr(pos_, close + 1 - pos_);
          pos_ = close + 1;
        }
      }
    } else if (isDigit(c) || (c == '-' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1]))) {
      t = scanNumber();
    } else if (c == '"') {
      t = scanString();
    } else {
      fail(line_, std::string("unexpected character '") + c + "'");
    }
    return t;
  }

  Token scanNumber() {
    Token t;
    t.kind = Token::Number;
    t.line = line_;
    const bool negative = text_[pos_] == '-';
    if (negative) ++pos_;
    int base = 10;
    if (text_.compare(pos_, 2, "0x") == 0 || text_.compare(pos_, 2, "0X") == 0) {
      base = 16;
      pos_ += 2;
    }
    uint64_t value = 0;
    size_t digits = 0;
    for (; pos_ < text_.size(); ++pos_, ++digits) {
      const int d = hexValue(text_[pos_]);
      if (d < 0 || d >= base) break;
      value = value * base + d;
      if (value > 0xFFFFFFFFull) fail(line_, "number out of range");
    }
    if (digits == 0 || (pos_ < text_.size() && isWordChar(text_[pos_])))
      fail(line_, "malformed number");
    if (negative && value > 0x80000000ull) fail(line_, "number out of range");
    t.number = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return t;
  }

  Token scanString() {
    Token t;
    t.kind = Token::String;
    t.line = line_;
    ++pos_;
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\n') fail(t.line, "unterminated string");
      const char c = text_[pos_++];
      if (c == '"') break;
      if (c != '\\') {
        t.text += c;
        t.raw.push_back(false);
        continue;
      }
      const char e = pos_ < text_.size() ? text_[pos_++] : '\0';
      char out = 0;
      bool raw = false;
      switch (e) {
        case '"':
        case '\\':
          out = e;
          break;
        case 'n':
          out = '\n';
          break;
        case 'r':
          out = '\r';
          break;
        case 't':
          out = '\t';
          break;
        case 'x': {
          const int hi = pos_ < text_.size() ? hexValue(text_[pos_]) : -1;
          const int lo = pos_ + 1 < text_.size() ? hexValue(text_[pos_ + 1]) : -1;
          if (hi < 0 || lo < 0) fail(line_, "\\x needs two hex digits");
          pos_ += 2;
          out = static_cast<char>(hi * 16 + lo);
          raw = true;
          break;
        }
        default:
          fail(line_, "unknown escape in string");
      }
      t.text += out;
      t.raw.push_back(raw);
    }
    return t;
  }

  std::string path_;
  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  std::optional<Token> peeked_;
};

struct Reference {
  int line;
  const char* what;
  UnitId id;
};

class Parser {
 public:
  Parser(const std::string& path, std::string_view text, const FormSourceContext& context)
      : lex_(path, text), context_(context) {}

  FormDescription parse() {
    while (lex_.peek().kind != Token::End) {
      const Token t = lex_.next();
      if (!isWord(t, "window")) fail(t, "unknown keyword " + describe(t) + ", expected 'window'");
      parseWindow(t);
    }
    return std::move(form_);
  }

 private:
  [[noreturn]] void fail(const Token& at, const std::string& message) const {
    lex_.fail(at.line, message);
  }
  static bool isWord(const Token& t, const char* word) {
    return t.kind == Token::Word && t.text == word;
  }
  bool peekWord(std::initializer_list<const char*> words) {
    const Token& t = lex_.peek();
    if (t.kind != Token::Word) return false;
    for (const char* w : words)
      if (t.text == w) return true;
    return false;
  }
  Token expect(Token::Kind kind, const std::string& what) {
    Token t = lex_.next();
    if (t.kind != kind) fail(t, "expected " + what + ", found " + describe(t));
    return t;
  }
  void expectWord(const char* word) {
    const Token t = lex_.next();
    if (!isWord(t, word)) fail(t, std::string("expected '") + word + "', found " + describe(t));
  }
  uint32_t word(const std::string& what) {
    return static_cast<uint32_t>(expect(Token::Number, what).number);
  }
  int32_t number(const std::string& what) {
    return static_cast<int32_t>(expect(Token::Number, what).number);
  }
  std::string text(const std::string& what) { return gbk(expect(Token::String, what)); }

  std::string gbk(const Token& t) const {
    std::string out;
    size_t i = 0;
    while (i < t.text.size()) {
      size_t j = i;
      while (j < t.text.size() && t.raw[j] == t.raw[i]) ++j;
      const std::string_view run(t.text.data() + i, j - i);
      if (t.raw[i]) {
        out += run;
      } else {
        const auto converted = utf8ToGbk(run);
        if (!converted) fail(t, "text is not UTF-8 or has a character GBK cannot hold");
        out += *converted;
      }
      i = j;
    }
    return out;
  }

  std::vector<uint8_t> hexBytes() {
    const Token t = expect(Token::String, "a hex string");
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : t.text) {
      if (c == ' ') continue;
      const int v = hexValue(c);
      if (v < 0) fail(t, "bad hex digit in hex string");
      if (high < 0) {
        high = v;
      } else {
        out.push_back(static_cast<uint8_t>(high * 16 + v));
        high = -1;
      }
    }
    if (high >= 0) fail(t, "odd number of hex digits");
    return out;
  }

  std::vector<uint8_t> fileBytes() {
    const Token t = expect(Token::String, "a file name");
    const std::filesystem::path name(t.text);
    std::vector<std::filesystem::path> candidates;
    if (name.is_absolute()) {
      candidates.push_back(name);
    } else {
      for (const auto& dir : context_.fileDirs)
        candidates.push_back(std::filesystem::path(dir) / name);
    }
    for (const auto& path : candidates) {
      std::error_code ec;
      if (!std::filesystem::is_regular_file(path, ec)) continue;
      std::ifstream in(path, std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
      if (!in.eof() && in.fail()) fail(t, "cannot read file '" + t.text + "'");
      return bytes;
    }
    fail(t, "cannot find file '" + t.text + "'");
  }

  std::vector<uint8_t> font() {
    expect(Token::OpenBrace, "'{' after 'font'");
    static const char* const kLongs[] = {"height", "width", "escapement", "orientation", "weight"};
    static const char* const kBytes[] = {"italic",       "underline",     "strikeout", "charset",
                                         "outprecision", "clipprecision", "quality",   "pitch"};
    std::vector<uint8_t> out(60);
    for (;;) {
      const Token key = lex_.next();
      if (key.kind == Token::CloseBrace) break;
      if (key.kind != Token::Word) fail(key, "expected a font field, found " + describe(key));
      bool known = false;
      for (size_t i = 0; i < std::size(kLongs); ++i) {
        if (key.text != kLongs[i]) continue;
        const uint32_t v = word(key.text);
        for (int b = 0; b < 4; ++b) out[i * 4 + b] = static_cast<uint8_t>(v >> (8 * b));
        known = true;
      }
      for (size_t i = 0; i < std::size(kBytes); ++i) {
        if (key.text != kBytes[i]) continue;
        const Token v = expect(Token::Number, key.text);
        if (v.number < 0 || v.number > 255) fail(v, key.text + " must be 0 to 255");
        out[20 + i] = static_cast<uint8_t>(v.number);
        known = true;
      }
      if (key.text == "face") {
        const std::string face = text("a face name");
        if (face.size() > 31) fail(key, "face name longer than 31 bytes");
        std::memcpy(out.data() + 28, face.data(), face.size());
        known = true;
      }
      if (!known) fail(key, "unknown font field '" + key.text + "'");
    }
    return out;
  }

  uint32_t handlerRef() {
    const Token t = lex_.nextHandler();
    if (t.kind == Token::HandlerIndex) return static_cast<uint32_t>(t.number);
    if (t.kind != Token::Word) fail(t, "expected a handler name, 'none' or #index");
    if (t.text == "none") return kNoHandler;
    for (size_t i = 0; i < context_.handlers.size(); ++i)
      if (context_.handlers[i] == t.text) return static_cast<uint32_t>(i);
    fail(t, "unknown handler '" + t.text + "'");
  }

  void addUnit(WindowDescription& w, const Token& at, UnitId id, UnitRecord unit) {
    if (w.find(id) >= 0) fail(at, "duplicate unit id");
    w.unitIds.push_back(id);
    w.units.push_back(std::move(unit));
  }

  void parseWindow(const Token& keyword) {
    WindowDescription w;
    const Token idToken = expect(Token::Number, "a window id");
    w.id = static_cast<UnitId>(idToken.number);
    if (!isWindowDescriptionId(w.id)) fail(idToken, "not a window description id");
    if (form_.find(w.id)) fail(idToken, "duplicate window id");
    while (peekWord({"wordA", "wordB", "name", "comment"})) {
      const Token key = lex_.next();
      if (key.text == "wordA") w.wordA = word("wordA");
      if (key.text == "wordB") w.wordB = word("wordB");
      if (key.text == "name") w.name = text("a name");
      if (key.text == "comment") w.comment = text("a comment");
    }

    std::vector<Reference> references;
    for (;;) {
      const Token& t = lex_.peek();
      if (t.kind == Token::End || isWord(t, "window")) break;
      const Token entry = lex_.next();
      if (isWord(entry, "unit")) {
        parseUnit(w, references);
      } else if (isWord(entry, "menu")) {
        if (w.units.empty()) fail(entry, "a window's first entry must be its own unit");
        parseMenu(w, references);
      } else {
        fail(entry, "unknown keyword " + describe(entry));
      }
    }
    if (w.units.empty()) fail(keyword, "window has no units");
    for (const auto& r : references)
      if (r.id != 0 && w.find(r.id) < 0)
        lex_.fail(r.line, std::string(r.what) + " names no unit of this window");
    form_.windows.push_back(std::move(w));
  }

  void parseUnit(WindowDescription& w, std::vector<Reference>& references) {
    const Token idToken = expect(Token::Number, "a unit id");
    const UnitId id = static_cast<UnitId>(idToken.number);
    if (unitKind(id) != 6 || isMenuItemId(id)) fail(idToken, "not a window or control unit id");

    UnitRecord u;
    expectWord("type");
    const Token typeToken = lex_.next();
    const BlobLayout* layout = nullptr;
    if (typeToken.kind == Token::Word) {
      layout = blobLayoutNamed(typeToken.text);
      if (!layout) fail(typeToken, "unknown type '" + typeToken.text + "'");
      u.type = layout->type;
    } else if (typeToken.kind == Token::Number) {
      u.type = static_cast<TypeId>(typeToken.number);
      if (u.type == kMenuItemType) fail(typeToken, "menu items are written with 'menu'");
    } else {
      fail(typeToken, "expected a type name or TypeId, found " + describe(typeToken));
    }
    u.pointerData.assign(4, 0);

    std::optional<PropertyBlob> props;
    if (layout) props.emplace(*layout);
    std::map<int, int> propertyLines;  // field -> line
    std::optional<uint32_t> version;
    std::optional<std::vector<uint8_t>> rawBlob;
    int firstLayoutLine = 0, blobLine = 0;

    Token t = lex_.next();
    while (isWord(t, "name") || isWord(t, "comment")) {
      (t.text == "name" ? u.name : u.comment) = text("a string");
      t = lex_.next();
    }
    if (t.kind != Token::OpenBrace) fail(t, "expected '{', found " + describe(t));

    for (;;) {
      const Token key = lex_.next();
      if (key.kind == Token::CloseBrace) break;
      if (key.kind == Token::End) fail(idToken, "unit has no closing '}'");
      if (key.kind != Token::Word) fail(key, "expected a unit keyword, found " + describe(key));
      const std::string& k = key.text;
      if (k == "name") {
        u.name = text("a name");
      } else if (k == "comment") {
        u.comment = text("a comment");
      } else if (k == "geometry") {
        u.left = number("left");
        u.top = number("top");
        u.width = number("width");
        u.height = number("height");
      } else if (k == "flags") {
        u.flags = 0;
        while (peekWord({"visible", "tabstop", "disabled"})) {
          const std::string flag = lex_.next().text;
          u.flags |= flag == "visible"   ? kUnitVisible
                     : flag == "tabstop" ? kUnitTabStop
                                         : kUnitDisabled;
        }
      } else if (k == "taborder") {
        u.tabOrder = word("a tab order");
      } else if (k == "parent") {
        u.parent = word("a parent unit id");
        references.push_back({key.line, "parent", u.parent});
      } else if (k == "children") {
        u.children.clear();
        while (lex_.peek().kind == Token::Number) {
          const Token child = lex_.next();
          u.children.push_back(static_cast<UnitId>(child.number));
          references.push_back({child.line, "child", u.children.back()});
        }
      } else if (k == "pointer") {
        expectWord("hex");
        u.pointerData = hexBytes();
      } else if (k == "tag") {
        u.tag = text("a tag");
      } else if (k == "eventsof") {
        u.eventsOf = word("a unit id");
        references.push_back({key.line, "eventsof", u.eventsOf});
      } else if (k == "bind") {
        EventBinding b;
        b.event = number("an event number");
        b.handler = handlerRef();
        u.bindings.push_back(b);
      } else if (k == "property") {
        if (!layout) fail(key, "a raw TypeId takes only 'blob' lines");
        const Token name = expect(Token::Word, "a property name");
        const int field = layout->fieldIndex(name.text);
        if (field < 0) fail(name, "unknown property '" + name.text + "' of " + layout->typeName);
        if (!propertyLines.emplace(field, key.line).second)
          fail(name, "property '" + name.text + "' given twice");
        propertyValue(*props, static_cast<size_t>(field));
        if (!firstLayoutLine) firstLayoutLine = key.line;
      } else if (k == "version") {
        if (!layout) fail(key, "a raw TypeId takes only 'blob' lines");
        version = word("a version");
        if (!firstLayoutLine) firstLayoutLine = key.line;
      } else if (k == "blob") {
        blobLine = key.line;
        const Token how = lex_.next();
        if (isWord(how, "empty")) {
          rawBlob.emplace();
        } else if (isWord(how, "hex")) {
          rawBlob = hexBytes();
        } else {
          fail(how, "expected 'empty' or 'hex' after 'blob'");
        }
      } else {
        fail(key, "unknown keyword '" + k + "'");
      }
    }

    if (rawBlob) {
      if (firstLayoutLine) lex_.fail(blobLine, "a blob line excludes property and version lines");
      u.properties = std::move(*rawBlob);
    } else if (firstLayoutLine) {
      const uint32_t v = version.value_or(layout->version);
      for (const auto& [field, line] : propertyLines)
        if (layout->fields[field].sinceVersion > v)
          lex_.fail(line, std::string("property '") + layout->fields[field].name +
                              "' needs version " +
                              std::to_string(layout->fields[field].sinceVersion));
      u.properties = props->write(v);
    }
    addUnit(w, idToken, id, std::move(u));
  }

  void propertyValue(PropertyBlob& props, size_t field) {
    const BlobField& f = props.layout().fields[field];
    switch (f.kind) {
      case FieldKind::Int32:
        props.setNumber(field, number(f.name));
        return;
      case FieldKind::Int16: {
        const Token v = expect(Token::Number, f.name);
        if (v.number < -32768 || v.number > 65535) fail(v, std::string(f.name) + " is 16 bits");
        props.setNumber(field, static_cast<int16_t>(static_cast<uint16_t>(v.number)));
        return;
      }
      case FieldKind::Text: {
        const Token v = expect(Token::String, std::string("a string for ") + f.name);
        const std::string s = gbk(v);
        if (s.find('\0') != std::string::npos) fail(v, "text cannot hold a NUL byte");
        props.setText(field, s);
        return;
      }
      case FieldKind::Bytes: {
        const Token& how = lex_.peek();
        if (how.kind == Token::String) {
          props.setBytes(field, bytesOf(gbk(lex_.next())));
        } else if (isWord(how, "hex")) {
          lex_.next();
          props.setBytes(field, hexBytes());
        } else if (isWord(how, "file")) {
          lex_.next();
          props.setBytes(field, fileBytes());
        } else if (isWord(how, "font")) {
          lex_.next();
          props.setBytes(field, font());
        } else {
          fail(how, std::string("expected hex, file, font or a string for ") + f.name);
        }
        return;
      }
    }
  }

  static std::vector<uint8_t> bytesOf(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
  }

  void parseMenu(WindowDescription& w, std::vector<Reference>& references) {
    const Token idToken = expect(Token::Number, "a menu item id");
    const UnitId id = static_cast<UnitId>(idToken.number);
    if (!isMenuItemId(id)) fail(idToken, "not a menu item id");
    UnitRecord u;
    u.type = kMenuItemType;
    while (peekWord(
        {"level", "caption", "shortcut", "flags", "click", "eventsof", "name", "comment"})) {
      const Token key = lex_.next();
      const std::string& k = key.text;
      if (k == "level") {
        u.level = word("a level");
      } else if (k == "caption") {
        u.caption = text("a caption");
      } else if (k == "shortcut") {
        u.shortcut = word("a shortcut number");
      } else if (k == "flags") {
        u.menuFlags = 0;
        while (peekWord({"hidden", "disabled", "checked"})) {
          const std::string flag = lex_.next().text;
          u.menuFlags |= flag == "hidden"     ? kMenuHidden
                         : flag == "disabled" ? kMenuDisabled
                                              : kMenuChecked;
        }
      } else if (k == "click") {
        u.clickHandler = handlerRef();
      } else if (k == "eventsof") {
        u.eventsOf = word("a unit id");
        references.push_back({key.line, "eventsof", u.eventsOf});
      } else if (k == "name") {
        u.name = text("a name");
      } else {
        u.comment = text("a comment");
      }
    }
    addUnit(w, idToken, id, std::move(u));
  }

  Lexer lex_;
  const FormSourceContext& context_;
  FormDescription form_;
};

}  // namespace

FormDescription compileFormSource(const std::string& path, const std::string& text,
                                  const FormSourceContext& context) {
  std::string_view body = text;
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  return Parser(path, body, context).parse();
}
