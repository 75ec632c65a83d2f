#include "ipc/channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "gtest/gtest.h"

namespace ipc {
namespace {

struct SocketPair {
  SocketPair() {
    int fds[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    a = fds[0];
    b = fds[1];
  }
  int a = -1;
  int b = -1;
};

// Reads from |channel| until |count| frames arrived or the stream ended.
Channel::Status ReadFrames(Channel* channel,
                           size_t count,
                           std::vector<std::vector<uint8_t>>* frames,
                           std::string* error) {
  while (frames->size() < count) {
    pollfd waiter = {channel->fd(), POLLIN, 0};
    if (poll(&waiter, 1, 5000) <= 0)
      return Channel::Status::kError;
    Channel::Status status = channel->ReadAvailable(frames, error);
    if (status != Channel::Status::kOk)
      return status;
  }
  return Channel::Status::kOk;
}

TEST(ChannelTest, FramesArriveInOrderBothWays) {
  SocketPair pair;
  Channel left(pair.a), right(pair.b);
  std::string error;
  for (uint8_t i = 0; i < 50; ++i)
    ASSERT_TRUE(left.SendBlocking({i, i}, &error)) << error;
  right.Queue({200});
  ASSERT_EQ(right.FlushSome(&error), Channel::Status::kOk);

  std::vector<std::vector<uint8_t>> at_right, at_left;
  ASSERT_EQ(ReadFrames(&right, 50, &at_right, &error), Channel::Status::kOk);
  ASSERT_EQ(ReadFrames(&left, 1, &at_left, &error), Channel::Status::kOk);
  ASSERT_EQ(at_right.size(), 50u);
  for (uint8_t i = 0; i < 50; ++i)
    EXPECT_EQ(at_right[i], (std::vector<uint8_t>{i, i}));
  EXPECT_EQ(at_left, (std::vector<std::vector<uint8_t>>{{200}}));
}

TEST(ChannelTest, LargeFrameCrossesWhileThePeerReads) {
  SocketPair pair;
  Channel sender(pair.a), receiver(pair.b);
  std::vector<uint8_t> big(8 * 1024 * 1024);
  for (size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<uint8_t>(i * 31);
  std::string send_error;
  bool sent = false;
  std::thread writer([&] { sent = sender.SendBlocking(big, &send_error); });
  std::vector<std::vector<uint8_t>> frames;
  std::string error;
  EXPECT_EQ(ReadFrames(&receiver, 1, &frames, &error), Channel::Status::kOk);
  writer.join();
  EXPECT_TRUE(sent) << send_error;
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], big);
}

TEST(ChannelTest, PeerCloseAtAFrameBoundaryIsAClose) {
  SocketPair pair;
  Channel receiver(pair.b);
  {
    Channel sender(pair.a);
    std::string error;
    ASSERT_TRUE(sender.SendBlocking({1}, &error));
  }
  std::vector<std::vector<uint8_t>> frames;
  std::string error;
  EXPECT_EQ(ReadFrames(&receiver, 2, &frames, &error),
            Channel::Status::kClosed);
  EXPECT_EQ(frames.size(), 1u) << "the frame before the close is kept";
}

// The peer ends the stream inside a frame: with end-of-file, or with
// ECONNRESET when it closed with bytes of ours still unread. Either way a
// frame cut short is an error.
TEST(ChannelTest, StreamEndingInsideAFrameIsAnError) {
  for (bool reset : {false, true}) {
    SCOPED_TRACE(reset ? "reset" : "end-of-file");
    SocketPair pair;
    Channel receiver(pair.b);
    if (reset) {
      const uint8_t unread[] = {1, 0, 0, 0, 5};
      ASSERT_EQ(write(pair.b, unread, sizeof unread),
                static_cast<ssize_t>(sizeof unread));
    }
    const uint8_t partial[] = {10, 0, 0, 0, 1, 2, 3};
    ASSERT_EQ(write(pair.a, partial, sizeof partial),
              static_cast<ssize_t>(sizeof partial));
    close(pair.a);
    std::vector<std::vector<uint8_t>> frames;
    std::string error;
    EXPECT_EQ(ReadFrames(&receiver, 1, &frames, &error),
              Channel::Status::kError);
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_TRUE(receiver.malformed());
    EXPECT_TRUE(frames.empty());
  }
}

TEST(ChannelTest, OversizedFrameBreaksTheStream) {
  SocketPair pair;
  Channel receiver(pair.b, /*max_frame_size=*/8);
  const uint8_t frames_bytes[] = {1, 0, 0, 0, 42, 9, 0, 0, 0};
  ASSERT_EQ(write(pair.a, frames_bytes, sizeof frames_bytes),
            static_cast<ssize_t>(sizeof frames_bytes));
  std::vector<std::vector<uint8_t>> frames;
  std::string error;
  EXPECT_EQ(ReadFrames(&receiver, 2, &frames, &error), Channel::Status::kError);
  EXPECT_EQ(frames, (std::vector<std::vector<uint8_t>>{{42}}));
  EXPECT_TRUE(receiver.malformed());
  // The failure sticks.
  EXPECT_EQ(receiver.ReadAvailable(&frames, &error), Channel::Status::kError);
  close(pair.a);
}

TEST(ChannelTest, SendingToAClosedPeerFailsWithoutSignal) {
  SocketPair pair;
  Channel sender(pair.a);
  close(pair.b);
  std::string error;
  // SIGPIPE would end the test process; MSG_NOSIGNAL turns it into EPIPE.
  EXPECT_FALSE(sender.SendBlocking(std::vector<uint8_t>(100000, 1), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(sender.SendBlocking({1}, &error));
}

// The first failed write decides how the stream ended: a later flush, from
// whichever caller, reports the same status and reason, so that a peer that
// closed is not later taken for a broken channel.
TEST(ChannelTest, AFailedWriteIsReportedAlikeToEveryLaterFlush) {
  SocketPair pair;
  Channel sender(pair.a);
  close(pair.b);
  sender.Queue(std::vector<uint8_t>(1000, 1));
  std::string first;
  EXPECT_EQ(sender.FlushSome(&first), Channel::Status::kClosed);
  EXPECT_FALSE(first.empty());
  std::string again;
  EXPECT_EQ(sender.FlushSome(&again), Channel::Status::kClosed);
  EXPECT_EQ(again, first);
}

// What is queued and not yet taken by the peer, headers included.
TEST(ChannelTest, PendingBytesFollowWhatThePeerTakes) {
  SocketPair pair;
  Channel sender(pair.a);
  Channel receiver(pair.b);
  EXPECT_EQ(sender.PendingBytes(), 0u);
  const size_t kSize = 8 * 1024 * 1024;  // more than a socket buffer holds
  sender.Queue(std::vector<uint8_t>(kSize, 7));
  sender.Queue(std::vector<uint8_t>(10, 8));
  EXPECT_EQ(sender.PendingBytes(), kSize + 10 + 2 * kFrameHeaderSize);
  std::string error;
  ASSERT_EQ(sender.FlushSome(&error), Channel::Status::kOk) << error;
  const size_t after_first_flush = sender.PendingBytes();
  EXPECT_GT(after_first_flush, 0u);
  EXPECT_LT(after_first_flush, kSize + 10 + 2 * kFrameHeaderSize);

  std::vector<std::vector<uint8_t>> frames;
  while (frames.size() < 2) {
    ASSERT_EQ(sender.FlushSome(&error), Channel::Status::kOk) << error;
    pollfd waiter = {receiver.fd(), POLLIN, 0};
    ASSERT_GT(poll(&waiter, 1, 5000), 0);
    ASSERT_EQ(receiver.ReadAvailable(&frames, &error), Channel::Status::kOk);
  }
  EXPECT_EQ(sender.PendingBytes(), 0u);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1], std::vector<uint8_t>(10, 8));
  sender.Queue(std::vector<uint8_t>(3, 1));
  sender.Close();
  EXPECT_EQ(sender.PendingBytes(), 0u);
}

TEST(ChannelTest, UsableChannelChecks) {
  std::string reason;
  EXPECT_FALSE(IsUsableChannel(-1, &reason));

  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  EXPECT_FALSE(IsUsableChannel(pipe_fds[0], &reason));
  EXPECT_NE(reason.find("not a socket"), std::string::npos) << reason;
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  EXPECT_FALSE(IsUsableChannel(pipe_fds[0], &reason));
  EXPECT_NE(reason.find("not open"), std::string::npos) << reason;

  int datagram[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM, 0, datagram), 0);
  EXPECT_FALSE(IsUsableChannel(datagram[0], &reason));
  close(datagram[0]);
  close(datagram[1]);

  SocketPair pair;
  EXPECT_TRUE(IsUsableChannel(pair.a, &reason)) << reason;
  close(pair.a);
  close(pair.b);
}

}  // namespace
}  // namespace ipc
