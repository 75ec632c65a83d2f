#include "ipc/zygote_protocol.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "gtest/gtest.h"
#include "ipc/wire_buffer.h"

namespace ipc {
namespace {

TEST(ZygoteProtocolTest, RequestsRoundTripAndRefuseWhatCannotBeAnArgument) {
  std::vector<uint8_t> packet;
  std::string error;
  const std::vector<std::string> arguments = {"--type=renderer",
                                              "--channel-fd=3", "", "é ✓"};
  ASSERT_TRUE(EncodeForkRequest(arguments, &packet, &error)) << error;
  std::vector<std::string> decoded;
  ASSERT_TRUE(DecodeForkRequest(packet.data(), packet.size(), &decoded, &error))
      << error;
  EXPECT_EQ(decoded, arguments);

  EXPECT_FALSE(EncodeForkRequest({std::string("a\0b", 3)}, &packet, &error));
  EXPECT_NE(error.find("NUL"), std::string::npos) << error;
  std::vector<std::string> many(2000, std::string(40, 'x'));
  EXPECT_FALSE(EncodeForkRequest(many, &packet, &error));
  EXPECT_NE(error.find("bytes"), std::string::npos) << error;
}

TEST(ZygoteProtocolTest, MalformedRequestsAreRefusedBeforeAllocating) {
  std::vector<std::string> decoded;
  std::string error;
  auto decode = [&](const std::vector<uint8_t>& packet) {
    error.clear();
    return DecodeForkRequest(packet.data(), packet.size(), &decoded, &error);
  };
  // A count far beyond the bytes that follow.
  std::vector<uint8_t> packet;
  WireWriter(&packet).WriteU32(0xFFFFFFFFu);
  EXPECT_FALSE(decode(packet));
  EXPECT_NE(error.find("exceeds"), std::string::npos) << error;

  packet.clear();
  WireWriter writer(&packet);
  writer.WriteU32(1);
  writer.WriteString8(std::string("a\0b", 3));
  EXPECT_FALSE(decode(packet));

  packet.clear();
  writer.WriteU32(1);
  const uint8_t bad_utf8[] = {0xC3};
  writer.WriteBytes(bad_utf8, 1);
  EXPECT_FALSE(decode(packet));

  packet.clear();
  writer.WriteU32(0);
  writer.WriteU8(0);
  EXPECT_FALSE(decode(packet));
  EXPECT_NE(error.find("after the end"), std::string::npos) << error;
  EXPECT_TRUE(decoded.empty());

  EXPECT_FALSE(decode({}));

  // Longer than a request may be, though well formed: refused, as the
  // encoder refuses to make it.
  packet.clear();
  writer.WriteU32(1);
  writer.WriteString8(std::string(kMaxForkRequestBytes, 'x'));
  EXPECT_FALSE(decode(packet));
  EXPECT_NE(error.find("more than"), std::string::npos) << error;
}

TEST(ZygoteProtocolTest, RepliesCarryEitherAPidOrAnError) {
  ForkReply reply;
  std::string error;
  reply.pid = 4242;
  std::vector<uint8_t> packet = EncodeForkReply(reply);
  ASSERT_EQ(packet.size(), kForkReplyBytes);
  ForkReply decoded;
  ASSERT_TRUE(DecodeForkReply(packet.data(), packet.size(), &decoded, &error));
  EXPECT_EQ(decoded.pid, 4242);
  EXPECT_EQ(decoded.error_number, 0);

  reply.pid = 0;
  reply.error_number = EAGAIN;
  packet = EncodeForkReply(reply);
  ASSERT_TRUE(DecodeForkReply(packet.data(), packet.size(), &decoded, &error));
  EXPECT_EQ(decoded.error_number, EAGAIN);

  for (ForkReply bad : {ForkReply{1, EAGAIN}, ForkReply{0, 0}, ForkReply{-5, 0},
                        ForkReply{0, -1}}) {
    packet = EncodeForkReply(bad);
    EXPECT_FALSE(
        DecodeForkReply(packet.data(), packet.size(), &decoded, &error))
        << bad.pid << " " << bad.error_number;
  }
  packet = EncodeForkReply(ForkReply{7, 0});
  packet.push_back(0);
  EXPECT_FALSE(DecodeForkReply(packet.data(), packet.size(), &decoded, &error));
}

class PacketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    a_.reset(fds[0]);
    b_.reset(fds[1]);
  }

  static bool IsOpen(int fd) { return fcntl(fd, F_GETFD) >= 0; }

  ScopedFd a_;
  ScopedFd b_;
};

TEST_F(PacketTest, DescriptorsTravelWithTheirPacket) {
  int pipe_fds[2];
  ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);
  ScopedFd read_end(pipe_fds[0]);
  ScopedFd write_end(pipe_fds[1]);
  std::string error;
  const int sent[2] = {read_end.get(), write_end.get()};
  ASSERT_TRUE(SendPacket(a_.get(), {1, 2, 3}, sent, 2, &error)) << error;

  std::vector<uint8_t> packet;
  std::vector<ScopedFd> fds;
  ASSERT_EQ(ReceivePacket(b_.get(), 16, 2, &packet, &fds, &error),
            PacketStatus::kOk)
      << error;
  EXPECT_EQ(packet, (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_EQ(fds.size(), 2u);
  EXPECT_TRUE(fcntl(fds[0].get(), F_GETFD) & FD_CLOEXEC);
  // The received write end feeds the original read end.
  ASSERT_EQ(write(fds[1].get(), "z", 1), 1);
  char byte = 0;
  ASSERT_EQ(read(read_end.get(), &byte, 1), 1);
  EXPECT_EQ(byte, 'z');

  a_.reset();
  EXPECT_EQ(ReceivePacket(b_.get(), 16, 2, &packet, &fds, &error),
            PacketStatus::kClosed);
}

TEST_F(PacketTest, OversizedPacketsAndSurplusDescriptorsAreRefusedAndClosed) {
  std::string error;
  std::vector<uint8_t> packet;
  std::vector<ScopedFd> fds;
  int pipe_fds[2];
  ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK), 0);
  ScopedFd read_end(pipe_fds[0]);
  ScopedFd write_end(pipe_fds[1]);
  const int three[3] = {write_end.get(), write_end.get(), write_end.get()};

  // Exactly one byte more than allowed.
  ASSERT_TRUE(
      SendPacket(a_.get(), std::vector<uint8_t>(17, 9), three, 1, &error));
  EXPECT_EQ(ReceivePacket(b_.get(), 16, 2, &packet, &fds, &error),
            PacketStatus::kRefused);
  EXPECT_NE(error.find("longer than 16"), std::string::npos) << error;
  EXPECT_TRUE(fds.empty());

  ASSERT_TRUE(SendPacket(a_.get(), {1}, three, 3, &error));
  EXPECT_EQ(ReceivePacket(b_.get(), 16, 2, &packet, &fds, &error),
            PacketStatus::kRefused);
  EXPECT_NE(error.find("3 descriptors"), std::string::npos) << error;
  EXPECT_TRUE(fds.empty());

  // Every copy of the write end that arrived was closed: the pipe reads its
  // end (not "try again") once the original goes too.
  write_end.reset();
  char byte;
  EXPECT_EQ(read(read_end.get(), &byte, 1), 0);

  // The connection still works after a refusal.
  ASSERT_TRUE(SendPacket(a_.get(), {5}, nullptr, 0, &error));
  EXPECT_EQ(ReceivePacket(b_.get(), 16, 2, &packet, &fds, &error),
            PacketStatus::kOk);
  EXPECT_EQ(packet, std::vector<uint8_t>{5});
}

}  // namespace
}  // namespace ipc
