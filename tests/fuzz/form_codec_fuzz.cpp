#include <cstddef>
#include <cstdint>

#include "form/form_codec.h"
#include "form/property_blob.h"

namespace {

void checkBlob(const BlobLayout& layout, const std::vector<uint8_t>& data) {
  const auto blob = PropertyBlob::read(layout, data.data(), data.size());
  if (!blob) return;
  const auto written = blob->write();
  const auto again = PropertyBlob::read(layout, written.data(), written.size());
  if (!again || again->storedVersion() != layout.version) __builtin_trap();
  for (size_t i = 0; i < layout.fieldCount; ++i)
    if (again->number(i) != blob->number(i) || again->bytes(i) != blob->bytes(i)) __builtin_trap();
}

// Bytes copied out of the block: no more than the block holds, as no two records overlap.
size_t copiedBytes(const FormDescription& form) {
  size_t n = 0;
  for (const auto& window : form.windows)
    for (const auto& u : window.units)
      n += u.properties.size() + u.pointerData.size() + u.name.size() + u.comment.size() +
           u.tag.size() + u.caption.size();
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr uint32_t kHandlers = 40;
  FormDescription form;
  if (!decodeForm(data, size, kHandlers, form)) return 0;
  if (copiedBytes(form) > size) __builtin_trap();

  for (const auto& window : form.windows) {
    for (size_t i = 0; i < window.units.size(); ++i) {
      const auto& unit = window.units[i];
      if (const BlobLayout* layout = blobLayoutFor(unit.type); layout && !unit.isMenuItem())
        checkBlob(*layout, unit.properties);
      if (findHandler(window, static_cast<int>(i), 0) != kNoHandler &&
          findHandler(window, static_cast<int>(i), 0) >= kHandlers)
        __builtin_trap();
    }
    window.menuItemRun();
  }

  const auto encoded = encodeForm(form);
  FormDescription again;
  if (!decodeForm(encoded.data(), encoded.size(), kHandlers, again) || !(again == form))
    __builtin_trap();
  return 0;
}
