// Binary encoding of WireValue trees (the layout is in docs/wire-format.md).
// Every kind survives exactly: int versus double, the double's bit pattern,
// UTF-16 code units, binary bytes, and the order of dictionary entries.

#ifndef FRAMEWORK_SRC_IPC_VALUE_CODEC_H_
#define FRAMEWORK_SRC_IPC_VALUE_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ipc/framing.h"
#include "ipc/wire_buffer.h"
#include "ipc/wire_value.h"

namespace ipc {

// Containers may nest this deep; a scalar counts as depth 1.
constexpr int kMaxValueDepth = 100;
// A list holds at most this many items (the framework's list limit).
constexpr uint32_t kMaxListItems = uint32_t{1} << 24;
// Smallest encodings, used to bound counts against the bytes that are left:
// a value is at least its tag; a dictionary entry is a key header and a
// value.
constexpr size_t kMinValueSize = 1;
constexpr size_t kMinEntrySize = 4 + kMinValueSize;
// A decoder reserves room for at most this many items of a container ahead
// of those it has read, so that counts (checked against the bytes left, but
// at every nesting level against the same bytes) never turn into large
// allocations before the items are really there.
constexpr uint32_t kMaxReserveAhead = 1024;

// Appends the encoding of |value| to |out|. Returns false and leaves |out| as
// it was when the value nests deeper than kMaxValueDepth, holds a list longer
// than kMaxListItems or a string, binary or dictionary too large for its
// count; |error| then says why.
bool EncodeValue(const WireValue& value,
                 std::vector<uint8_t>* out,
                 std::string* error);
// The same through a writer; on failure the writer's output may hold part
// of the value (a record encoder then drops the whole payload).
bool EncodeValue(const WireValue& value,
                 WireWriter* writer,
                 std::string* error);

// Reads one value. On failure returns false, records the reason in |reader|
// and leaves |out| untouched: a malformed value never yields a partial tree.
// Rejected: an unknown tag, a bad boolean byte, a count or length that runs
// past the end, a list longer than kMaxListItems, nesting deeper than
// kMaxValueDepth, a string not in its one encoding, and a dictionary that
// repeats a key.
bool DecodeValue(WireReader* reader, WireValue* out);

// Shared by the decoders of both value models.
// Reads a list's item count and checks it against the list limit.
bool ReadListCount(WireReader* reader, uint32_t* count);
// Fails |reader| when |depth| exceeds kMaxValueDepth.
bool CheckDepth(WireReader* reader, int depth);
// Fails |reader| with the unknown tag's reason.
void FailUnknownTag(WireReader* reader, uint8_t tag, size_t at);

// Shared by the encoders of both value models, which stop as soon as a value
// can no longer fit a frame and refuse text and bytes that cannot before
// they are copied. Whether |least| more bytes still fit a frame after what
// |writer| holds (0: whether what it holds fits). Inline: it runs for every
// string.
inline bool FrameHasRoomFor(const WireWriter& writer, size_t least) {
  return writer.size() <= kMaxFrameSize &&
         least <= kMaxFrameSize - writer.size();
}
// Sets |error| to the frame limit's refusal; returns false.
bool FrameLimitError(std::string* error);

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_VALUE_CODEC_H_
