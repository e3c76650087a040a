#include "runtime/message_box.h"

#include "runtime/convert.h"
#include "runtime/message_box_detail.h"
#include "runtime/system_code_page.h"

namespace {

LoadedWindowHandle gLoadedWindowHandle = nullptr;

Text messageText(const TypedValue& message) {
  if (message.tag == kTagText) return Text::copyOf(reinterpret_cast<const char*>(message.value));
  if ((message.tag & kTagArrayFlag) || numericWidth(message.tag) == 0) return Text();
  return toText(message);
}

HWND parentWindow(const TypedValue& parent) {
  if (parent.tag == kTagInt) return reinterpret_cast<HWND>(parent.value);
  if (parent.tag != kWindowType) return nullptr;
  HWND hwnd =
      gLoadedWindowHandle ? gLoadedWindowHandle(static_cast<UnitId>(parent.value)) : nullptr;
  return hwnd && IsWindow(hwnd) ? hwnd : nullptr;
}

// MessageBoxA's IDOK.. IDNO as the runtime's button numbers.
int messageBoxButton(int id) {
  switch (id) {
    case IDCANCEL:
      return 1;
    case IDABORT:
      return 2;
    case IDRETRY:
      return 3;
    case IDIGNORE:
      return 4;
    case IDYES:
      return 5;
    case IDNO:
      return 6;
    default:
      return 0;
  }
}

}  // namespace

void setLoadedWindowHandle(LoadedWindowHandle find) { gLoadedWindowHandle = find; }

MessageBoxRequest prepareMessageBox(const TypedValue& message, int32_t flags,
                                    const TypedValue& title, const TypedValue& parent) {
  MessageBoxRequest r;
  r.text = messageText(message);
  r.title = title.tag == kTagText ? Text::copyOf(reinterpret_cast<const char*>(title.value))
                                  : Text::copyOf("信息：");
  r.style = static_cast<UINT>(flags);
  if (!(r.style & MB_SYSTEMMODAL)) r.style |= MB_TASKMODAL;
  r.parent = parentWindow(parent);
  return r;
}

int showMessageBox(const TypedValue& message, int32_t flags, const TypedValue& title,
                   const TypedValue& parent) {
  MessageBoxRequest r = prepareMessageBox(message, flags, title, parent);
  SystemText shownText(r.text.c_str()), shownTitle(r.title.c_str());
  return messageBoxButton(MessageBoxA(r.parent, shownText.c_str(), shownTitle.c_str(), r.style));
}
