#include "ipc/framing.h"

#include <algorithm>

#include "gtest/gtest.h"

namespace ipc {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) {
  return std::vector<uint8_t>(bytes);
}

TEST(FramingTest, HeaderIsLittleEndianLength) {
  EXPECT_EQ(MakeFrame(Bytes({7, 8, 9})), Bytes({3, 0, 0, 0, 7, 8, 9}));
  EXPECT_EQ(MakeFrame({}), Bytes({0, 0, 0, 0}));
}

TEST(FramingTest, FramesSurviveAnySplitOfTheStream) {
  std::vector<uint8_t> stream;
  const std::vector<std::vector<uint8_t>> sent = {
      Bytes({1}), {}, std::vector<uint8_t>(300, 0x5a), Bytes({2, 3})};
  for (const auto& payload : sent) {
    std::vector<uint8_t> frame = MakeFrame(payload);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  for (size_t chunk : {size_t{1}, size_t{3}, size_t{5}, stream.size()}) {
    FrameAssembler assembler;
    std::vector<std::vector<uint8_t>> received;
    for (size_t at = 0; at < stream.size(); at += chunk) {
      assembler.Append(stream.data() + at, std::min(chunk, stream.size() - at));
      std::vector<uint8_t> payload;
      std::string error;
      FrameAssembler::Status status;
      while ((status = assembler.Next(&payload, &error)) ==
             FrameAssembler::Status::kFrame) {
        received.push_back(payload);
      }
      ASSERT_EQ(status, FrameAssembler::Status::kNeedMore) << error;
    }
    EXPECT_EQ(received, sent) << "chunk size " << chunk;
    EXPECT_EQ(assembler.buffered(), 0u);
  }
}

TEST(FramingTest, PartialFrameIsHeldBack) {
  FrameAssembler assembler;
  std::vector<uint8_t> frame = MakeFrame(Bytes({1, 2, 3, 4}));
  assembler.Append(frame.data(), frame.size() - 1);
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_EQ(assembler.Next(&payload, &error),
            FrameAssembler::Status::kNeedMore);
  EXPECT_EQ(assembler.buffered(), frame.size() - 1);
  EXPECT_TRUE(payload.empty());
}

// Reads reserve room and commit only what arrived; a large frame's buffer is
// given back once it has been handed over, a small one's is kept for reuse.
TEST(FramingTest, ReservedRoomHoldsOnlyWhatWasCommitted) {
  FrameAssembler assembler;
  const std::vector<uint8_t> small = MakeFrame(Bytes({9, 8, 7}));
  uint8_t* room = assembler.Reserve(64 * 1024);
  std::copy(small.begin(), small.end() - 1, room);
  assembler.Commit(small.size() - 1);
  EXPECT_EQ(assembler.buffered(), small.size() - 1);
  // The last byte in a second read, after the first read's bytes.
  room = assembler.Reserve(64 * 1024);
  *room = small.back();
  assembler.Commit(1);
  std::vector<uint8_t> payload;
  std::string error;
  ASSERT_EQ(assembler.Next(&payload, &error), FrameAssembler::Status::kFrame);
  EXPECT_EQ(payload, Bytes({9, 8, 7}));
  EXPECT_EQ(assembler.buffered(), 0u);
  EXPECT_GE(assembler.capacity(), 64u * 1024);

  const std::vector<uint8_t> large =
      MakeFrame(std::vector<uint8_t>(FrameAssembler::kKeptCapacity + 1, 0x33));
  for (size_t at = 0; at < large.size(); at += 64 * 1024) {
    const size_t size = std::min<size_t>(64 * 1024, large.size() - at);
    std::copy(large.begin() + at, large.begin() + at + size,
              assembler.Reserve(64 * 1024));
    assembler.Commit(size);
  }
  ASSERT_EQ(assembler.Next(&payload, &error), FrameAssembler::Status::kFrame);
  EXPECT_EQ(payload.size(), FrameAssembler::kKeptCapacity + 1);
  EXPECT_EQ(payload.back(), 0x33);
  EXPECT_EQ(assembler.capacity(), 0u);
}

TEST(FramingTest, OversizedLengthIsRefusedAtTheHeader) {
  FrameAssembler assembler(/*max_frame_size=*/16);
  // Only the header of a 17-byte frame has arrived: refused already.
  std::vector<uint8_t> header = Bytes({17, 0, 0, 0});
  assembler.Append(header.data(), header.size());
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_EQ(assembler.Next(&payload, &error), FrameAssembler::Status::kError);
  EXPECT_NE(error.find("exceeds the limit"), std::string::npos) << error;

  // The stream stays broken: a good frame after it is not delivered.
  std::vector<uint8_t> good = MakeFrame(Bytes({1}));
  assembler.Append(good.data(), good.size());
  EXPECT_EQ(assembler.Next(&payload, &error), FrameAssembler::Status::kError);
  EXPECT_TRUE(payload.empty());

  FrameAssembler at_limit(16);
  std::vector<uint8_t> exact = MakeFrame(std::vector<uint8_t>(16, 1));
  at_limit.Append(exact.data(), exact.size());
  EXPECT_EQ(at_limit.Next(&payload, &error), FrameAssembler::Status::kFrame);
  EXPECT_EQ(payload.size(), 16u);
}

TEST(FramingTest, HugeLengthWithDefaultLimitIsRefused) {
  FrameAssembler assembler;
  std::vector<uint8_t> header = Bytes({0xff, 0xff, 0xff, 0xff});
  assembler.Append(header.data(), header.size());
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_EQ(assembler.Next(&payload, &error), FrameAssembler::Status::kError);
}

}  // namespace
}  // namespace ipc
