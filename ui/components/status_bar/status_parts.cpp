#include "ui/components/status_bar/status_parts.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}

  bool word(uint32_t& out) {
    if (data_.size() - pos_ < 4) return false;
    std::memcpy(&out, data_.data() + pos_, 4);
    pos_ += 4;
    return true;
  }
  bool signedWord(int32_t& out) {
    uint32_t u;
    if (!word(u)) return false;
    out = static_cast<int32_t>(u);
    return true;
  }
  bool zeroTerminated(std::string& out) {
    auto rest = data_.subspan(pos_);
    auto end = std::find(rest.begin(), rest.end(), uint8_t{0});
    if (end == rest.end()) return false;
    out.assign(rest.begin(), end);
    pos_ += out.size() + 1;
    return true;
  }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

bool readPart(Reader& in, StatusPart& part) {
  return in.signedWord(part.width) && in.word(part.border) && in.signedWord(part.icon) &&
         in.zeroTerminated(part.text) && in.zeroTerminated(part.tip);
}

void appendWord(std::vector<uint8_t>& out, uint32_t w) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
}

void appendText(std::vector<uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), std::find(s.begin(), s.end(), '\0'));
  out.push_back(0);
}

}  // namespace

std::vector<StatusPart> parseParts(std::span<const uint8_t> list) {
  Reader in(list);
  uint32_t count = 0;
  std::vector<StatusPart> parts;
  if (!in.word(count)) return parts;
  for (uint32_t i = 0; i < count; ++i) {
    StatusPart part;
    if (!readPart(in, part)) break;
    parts.push_back(std::move(part));
  }
  return parts;
}

std::vector<uint8_t> encodeParts(const std::vector<StatusPart>& parts) {
  std::vector<uint8_t> out;
  if (parts.empty()) return out;
  appendWord(out, static_cast<uint32_t>(parts.size()));
  for (const auto& p : parts) {
    appendWord(out, static_cast<uint32_t>(p.width));
    appendWord(out, p.border);
    appendWord(out, static_cast<uint32_t>(p.icon));
    appendText(out, p.text);
    appendText(out, p.tip);
  }
  return out;
}

StatusPart makePart(const PartArguments& args) {
  StatusPart part;
  part.width = std::max(args.width.value_or(50), -1);
  int32_t border = args.border.value_or(0);
  part.border = border == 1 ? kPartNoBorder : border == 2 ? kPartRaised : kPartSunken;
  part.icon = std::max(args.icon.value_or(-1), -1);
  part.text = args.text.value_or("");
  part.tip = args.tip.value_or("");
  return part;
}

// Re-encoding keeps a sound list byte for byte and drops whatever a damaged one carries
// past its last whole record, so the new part always lands where the count says.
int32_t appendPart(std::vector<uint8_t>& list, const StatusPart& part) {
  auto parts = parseParts(list);
  parts.push_back(part);
  list = encodeParts(parts);
  return static_cast<int32_t>(parts.size() - 1);
}

std::vector<int32_t> rightEdges(const std::vector<StatusPart>& parts) {
  std::vector<int32_t> edges(parts.size(), 0);
  int64_t sum = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].width == -1) {
      edges[i] = -1;
      break;
    }
    sum = std::clamp<int64_t>(sum + parts[i].width, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max());
    edges[i] = static_cast<int32_t>(sum);
  }
  return edges;
}
