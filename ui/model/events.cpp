#include "ui/model/events.h"

#include "runtime/typed_value.h"

int32_t EventCall::arg(int i) const {
  if (i < 0 || i >= argCount()) return 0;
  if (plain_) return plain_->args[i];
  const TypedArgument& a = typed_->args[i];
  if (a.flags & kArgByAddress)
    return *reinterpret_cast<const int32_t*>(static_cast<uintptr_t>(a.value));
  return static_cast<int32_t>(a.value);
}

const char* EventCall::textArg(int i) const {
  if (!typed_ || i < 0 || i >= typed_->argCount) return "";
  const TypedArgument& a = typed_->args[i];
  if (a.type != kTagText) return "";
  uintptr_t address = static_cast<uintptr_t>(a.value);
  if (a.flags & kArgByAddress) address = *reinterpret_cast<const uintptr_t*>(address);
  const char* text = reinterpret_cast<const char*>(address);
  return text ? text : "";
}

void EventCall::returns(int64_t v) {
  if (plain_) {
    plain_->hasReturn = 1;
    plain_->returnValue = static_cast<int32_t>(v);
  } else {
    typed_->hasReturn = 1;
    typed_->returnValue = v;
  }
}
