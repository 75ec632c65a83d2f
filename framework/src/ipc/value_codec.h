// Binary encoding of WireValue trees (the layout is in docs/wire-format.md).
// Every kind survives exactly: int versus double, the double's bit pattern,
// UTF-16 code units, binary bytes, and the order of dictionary entries.

#ifndef FRAMEWORK_SRC_IPC_VALUE_CODEC_H_
#define FRAMEWORK_SRC_IPC_VALUE_CODEC_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ipc/wire_buffer.h"
#include "ipc/wire_value.h"

namespace ipc {

// Containers may nest this deep; a scalar counts as depth 1.
constexpr int kMaxValueDepth = 100;

// Appends the encoding of |value| to |out|. Returns false and leaves |out| as
// it was when the value nests deeper than kMaxValueDepth or holds a string,
// binary or container too large for a 32-bit count; |error| then says why.
bool EncodeValue(const WireValue& value,
                 std::vector<uint8_t>* out,
                 std::string* error);

// Reads one value. On failure returns false, records the reason in |reader|
// and leaves |out| untouched: a malformed value never yields a partial tree.
// Rejected: an unknown tag, a bad boolean byte, a count or length that runs
// past the end, nesting deeper than kMaxValueDepth, and a dictionary that
// repeats a key.
bool DecodeValue(WireReader* reader, WireValue* out);

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_VALUE_CODEC_H_
