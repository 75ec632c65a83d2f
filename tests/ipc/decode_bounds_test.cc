// What a hostile peer's counts can make a decoder allocate. Both decoders
// (the browser side's, into WireValue, and the renderer's, straight into the
// framework's containers) read the same frame of nested lists, each claiming
// as many items as there are bytes after its count. Every claim passes the
// check against the bytes left, so a decoder that reserved what counts claim
// would ask for hundreds of GiB; the allocator below records the largest
// request and refuses anything huge, so such a decoder fails here instead of
// exhausting the machine.

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "ipc/messages.h"
#include "ipc/record_codec.h"
#include "ipc/wire_buffer.h"
#include "process/list_codec.h"

namespace {

size_t g_largest_request = 0;
constexpr size_t kRefusedRequest = size_t{256} << 20;

}  // namespace

void* operator new(size_t size) {
  if (size > g_largest_request)
    g_largest_request = size;
  if (size > kRefusedRequest)
    throw std::bad_alloc();
  if (void* block = std::malloc(size ? size : 1))
    return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, size_t) noexcept {
  std::free(block);
}

namespace ipc {
namespace {

constexpr size_t kFrameBytes = 8 << 20;

// A record of |type| whose last field is |levels| nested lists, each
// claiming every byte after its count, ending in bytes that are no value.
std::vector<uint8_t> NestedClaims(uint8_t type, int levels) {
  std::vector<uint8_t> payload;
  WireWriter writer(&payload);
  writer.WriteU8(type);
  writer.WriteI32(1);
  writer.WriteString8("kiv_jsapi");
  for (int level = 0; level < levels; ++level) {
    writer.WriteU8(8);
    const size_t count_at = payload.size();
    writer.WriteU32(0);
    writer.PatchU32(count_at,
                    static_cast<uint32_t>(kFrameBytes - payload.size()));
  }
  payload.resize(kFrameBytes, 0);  // tag 0: not a value
  return payload;
}

TEST(DecodeBoundsTest, NestedCountClaimsAllocateNothingLarge) {
  // One level short of the depth limit, so that depth is not what stops it.
  const std::vector<uint8_t> request = NestedClaims(0x05, kMaxValueDepth - 1);
  const std::vector<uint8_t> event = NestedClaims(0x41, kMaxValueDepth - 1);
  std::string error;

  g_largest_request = 0;
  Request browser_side;
  EXPECT_FALSE(DecodeRequest(request, &browser_side, &error));
  EXPECT_NE(error.find("unknown value tag 0"), std::string::npos) << error;
  Event from_renderer;
  EXPECT_FALSE(DecodeEvent(event, &from_renderer, &error));
  EXPECT_NE(error.find("unknown value tag 0"), std::string::npos) << error;
  EXPECT_LT(g_largest_request, size_t{1} << 20);

  g_largest_request = 0;
  RequestOf<cef_process::ReceivedList> renderer_side;
  error.clear();
  EXPECT_FALSE(
      DecodeRequestOf(request.data(), request.size(), &renderer_side, &error));
  EXPECT_NE(error.find("unknown value tag 0"), std::string::npos) << error;
  EXPECT_LT(g_largest_request, size_t{1} << 20);
}

}  // namespace
}  // namespace ipc
