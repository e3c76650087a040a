#pragma once
#include "runtime/typed_value.h"

// The runtime's value conversions. Neither ever fails loudly: a value they cannot convert
// gives the empty result.
ByteBuffer toBytes(const TypedValue& v);
Text toText(const TypedValue& v);

inline ByteBuffer toBytes(const Text& t) { return toBytes(textArg(t)); }
inline Text toText(const ByteBuffer& b) { return toText(bytesArg(b)); }
// The same text, made in the buffer's own block: a file of hundreds of megabytes is not
// copied on its way to becoming the document. The buffer is used up.
Text toText(ByteBuffer&& b);
