#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The status bar's part list: a 32-bit count, then that many records {width, border, icon,
// text\0, tip\0}. A bar without parts holds 0 bytes. Nothing here needs a window system.

// Drawing types of a part (the high byte of SB_SETTEXT's wParam).
constexpr uint32_t kPartSunken = 0;
constexpr uint32_t kPartNoBorder = 0x100;  // SBT_NOBORDERS
constexpr uint32_t kPartRaised = 0x200;    // SBT_POPOUT

struct StatusPart {
  int32_t width = 50;  // -1: to the right end of the bar
  uint32_t border = kPartSunken;
  int32_t icon = -1;  // image list index; -1: none
  std::string text;
  std::string tip;

  friend bool operator==(const StatusPart&, const StatusPart&) = default;
};

// The records of a list. A damaged list (a record that runs past the end, a count larger
// than the records present) yields the records that are whole.
std::vector<StatusPart> parseParts(std::span<const uint8_t> list);
// No parts give the empty list (0 bytes).
std::vector<uint8_t> encodeParts(const std::vector<StatusPart>& parts);

// addPart's arguments; nullopt for one the caller left out.
struct PartArguments {
  std::optional<std::string> text;
  std::optional<int32_t> width;
  std::optional<std::string> tip;
  std::optional<int32_t> icon;
  std::optional<int32_t> border;  // 1 no border, 2 raised, anything else sunken
};
// The part addPart appends: defaults for omitted arguments, width and icon below -1 as -1.
StatusPart makePart(const PartArguments& args);
// Appends a part to the list and returns its index.
int32_t appendPart(std::vector<uint8_t>& list, const StatusPart& part);

// SB_SETPARTS edges: the running sum of the widths. A width of -1 gives -1 and ends the walk;
// the parts after it get 0. Sums beyond the 32-bit range stop at its ends.
std::vector<int32_t> rightEdges(const std::vector<StatusPart>& parts);
