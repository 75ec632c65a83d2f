// CefExecuteProcess as a real process sees it: the process kinds, the
// channel switch, the exit codes, and the ends of a renderer's life.

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "host/child_process.h"
#include "ipc/framing.h"
#include "ipc/messages.h"
#include "tests/e2e_framework/e2e_util.h"

namespace {

using kivhost::ChildProcess;
using kivhost::Millis;

struct Finished {
  kivhost::ExitStatus status;
  std::string output;
};

// Runs the test renderer with |args| and descriptor 3 set to |fd3| (a
// socketpair end when -1), and waits for it to end.
Finished RunDirect(const std::vector<std::string>& args, int fd3 = -1) {
  int pair[2] = {-1, -1};
  if (fd3 < 0) {
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    fd3 = pair[1];
  }
  ChildProcess::Options options;
  options.executable = KIV_TEST_RENDERER;
  options.arguments = args;
  options.channel_fd = fd3;
  std::string error;
  std::unique_ptr<ChildProcess> child = ChildProcess::Spawn(options, &error);
  if (pair[1] >= 0)
    close(pair[1]);
  Finished finished;
  EXPECT_TRUE(child) << error;
  if (!child)
    return finished;
  EXPECT_TRUE(child->WaitFor(std::chrono::seconds(5)))
      << "the process should end at once";
  child->KillAndReap();
  for (const std::string& line : child->ReadOutputLines())
    finished.output += line + "\n";
  finished.status = *child->status();
  if (pair[0] >= 0)
    close(pair[0]);
  return finished;
}

TEST(ProcessEntryTest, ExitCodesOfProcessKindsWithoutWork) {
  // The browser process (no --type): -1, which the shell sees as 255.
  Finished browser = RunDirect({});
  EXPECT_FALSE(browser.status.signaled);
  EXPECT_EQ(browser.status.code, 255);

  Finished unknown = RunDirect({"--type=no-such-kind", "--channel-fd=3"});
  EXPECT_EQ(unknown.status.code, 1);
  EXPECT_NE(unknown.output.find("no-such-kind"), std::string::npos)
      << unknown.output;

  // A renderer without a usable channel says why on standard error.
  Finished no_switch = RunDirect({"--type=renderer"});
  EXPECT_EQ(no_switch.status.code, 2);
  EXPECT_NE(no_switch.output.find("no --channel-fd"), std::string::npos)
      << no_switch.output;

  Finished not_a_number = RunDirect({"--type=renderer", "--channel-fd=x3"});
  EXPECT_EQ(not_a_number.status.code, 2);

  int pipe_fds[2];
  ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);
  Finished pipe_channel =
      RunDirect({"--type=renderer", "--channel-fd=3"}, pipe_fds[0]);
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  EXPECT_EQ(pipe_channel.status.code, 2);
  EXPECT_NE(pipe_channel.output.find("not a socket"), std::string::npos)
      << pipe_channel.output;

  Finished closed_fd = RunDirect({"--type=renderer", "--channel-fd=9"});
  EXPECT_EQ(closed_fd.status.code, 2);
}

// A sub-process whose standard error nobody reads any more is not ended by
// SIGPIPE when it writes there: it ignores the signal, as the framework's
// processes do, and goes on.
TEST(ProcessEntryTest, AClosedErrorOutputDoesNotEndASubProcess) {
  int output[2];
  ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
  close(output[0]);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    dup2(output[1], STDERR_FILENO);
    execl(KIV_TEST_RENDERER, KIV_TEST_RENDERER, "--type=no-such-kind",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(output[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_FALSE(WIFSIGNALED(status)) << "signal " << WTERMSIG(status);
  ASSERT_TRUE(WIFEXITED(status));
  // The exit code of an unknown kind, after its (unread) complaint.
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST(ProcessEntryTest, OtherKindsWaitForTheChannelToClose) {
  for (const char* kind : {"gpu-process", "utility", "plugin", "worker"}) {
    kivhost::RendererOptions options;
    options.executable = KIV_TEST_RENDERER;
    options.process_type = kind;
    std::string error;
    auto host = kivhost::RendererHost::Launch(options, &error);
    ASSERT_TRUE(host) << error;
    std::vector<kivhost::HostEvent> events;
    host->Poll(Millis(200), &events);
    EXPECT_FALSE(host->exited()) << kind << " must wait for its channel";

    auto closed_at = std::chrono::steady_clock::now();
    host->CloseChannel();
    kivhost::ProcessExited exited = e2e::WaitExit(host.get(), Millis(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - closed_at,
              std::chrono::seconds(1));
    EXPECT_FALSE(exited.status.signaled) << kind;
    EXPECT_EQ(exited.status.code, 0) << kind;
    EXPECT_EQ(exited.reason, "channel closed");
  }
}

TEST(ProcessEntryTest, RendererEndsWithinASecondWhenTheChannelCloses) {
  // A pending timer must not keep it alive.
  auto host = e2e::StartRenderer(ipc::WireValue::List({}),
                                 "setTimeout(function() {}, 60000);");
  ASSERT_TRUE(host);
  e2e::SyncEvents(host.get());
  auto closed_at = std::chrono::steady_clock::now();
  host->CloseChannel();
  kivhost::ProcessExited exited = e2e::WaitExit(host.get(), Millis(3000));
  EXPECT_LT(std::chrono::steady_clock::now() - closed_at,
            std::chrono::seconds(1));
  EXPECT_EQ(exited.status.code, 0);
  EXPECT_FALSE(exited.status.signaled);
}

TEST(ProcessEntryTest, ShutdownReleasesEverythingAndExitsWithItsCode) {
  auto host = e2e::StartRenderer(
      ipc::WireValue::List({}),
      "console.log('loaded'); setTimeout(function() {}, 60000);");
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->Shutdown(7, &error)) << error;
  std::vector<kivhost::HostEvent> events;
  kivhost::ProcessExited exited =
      e2e::WaitExit(host.get(), Millis(5000), &events);
  EXPECT_EQ(exited.status.code, 7);
  EXPECT_EQ(exited.reason, "shut down");
  EXPECT_EQ(e2e::ConsoleTexts(events), std::vector<std::string>{"loaded"});
}

// A malformed frame ends the renderer with code 3 and a one-line reason;
// frames before it were served, nothing of it or after it was.
class MalformedFrameTest : public ::testing::Test {
 protected:
  Finished Send(const std::vector<std::vector<uint8_t>>& frames,
                std::vector<ipc::Event>* events) {
    int browser_end;
    std::string error;
    std::unique_ptr<ChildProcess> child =
        e2e::SpawnOnBareChannel(&browser_end, &error);
    EXPECT_TRUE(child) << error;
    if (!child)
      return Finished();
    std::vector<uint8_t> bytes;
    for (const std::vector<uint8_t>& frame : frames)
      bytes.insert(bytes.end(), frame.begin(), frame.end());
    EXPECT_EQ(write(browser_end, bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
    Finished finished;
    EXPECT_TRUE(child->WaitFor(std::chrono::seconds(5)));
    child->KillAndReap();
    finished.status = *child->status();
    for (const std::string& line : child->ReadOutputLines())
      finished.output += line + "\n";
    // Everything the renderer wrote before it ended.
    ipc::Channel channel(browser_end);
    std::vector<std::vector<uint8_t>> payloads;
    channel.ReadAvailable(&payloads, &error);
    for (const std::vector<uint8_t>& payload : payloads) {
      ipc::Event event;
      EXPECT_TRUE(ipc::DecodeEvent(payload, &event, &error)) << error;
      events->push_back(event);
    }
    return finished;
  }

  static std::vector<uint8_t> Frame(const ipc::Request& request) {
    std::vector<uint8_t> payload;
    std::string error;
    EXPECT_TRUE(ipc::EncodeRequest(request, &payload, &error)) << error;
    return ipc::MakeFrame(payload);
  }

  static std::vector<uint8_t> Echo() {
    ipc::DeliverMessage echo;
    echo.browser_id = 1;
    echo.name = "echo";
    echo.arguments = ipc::WireValue::List({ipc::WireValue::Int(1)});
    return Frame(echo);
  }

  std::vector<std::vector<uint8_t>> Prefix() {
    return {Frame(ipc::StartRenderThread{}), Frame(ipc::CreateBrowser{1}),
            Echo(), Frame(ipc::Sync{1})};
  }

  static size_t CountEchoes(const std::vector<ipc::Event>& events) {
    size_t echoes = 0;
    for (const ipc::Event& event : events) {
      const auto* sent = std::get_if<ipc::ProcessMessageSent>(&event);
      if (sent && sent->name == "echo")
        ++echoes;
    }
    return echoes;
  }
};

TEST_F(MalformedFrameTest, TrailingByteInADeliveredMessage) {
  std::vector<std::vector<uint8_t>> frames = Prefix();
  std::vector<uint8_t> bad = Echo();
  bad.push_back(0);                           // one byte more than the record
  bad[0] = static_cast<uint8_t>(bad[0] + 1);  // and a header that says so
  frames.push_back(bad);
  frames.push_back(Echo());  // never served
  std::vector<ipc::Event> events;
  Finished finished = Send(frames, &events);
  EXPECT_EQ(finished.status.code, 3);
  EXPECT_EQ(finished.output.find("renderer: protocol error: "), 0u)
      << finished.output;
  EXPECT_NE(finished.output.find("trailing"), std::string::npos)
      << finished.output;
  EXPECT_EQ(std::count(finished.output.begin(), finished.output.end(), '\n'), 1)
      << "one line: " << finished.output;
  EXPECT_EQ(CountEchoes(events), 1u) << "only the echo before the bad frame";
}

// A well-formed frame whose list is longer than the framework's lists can
// be is refused whole: the handler never sees it cut to the limit.
TEST_F(MalformedFrameTest, ListBeyondTheListLimit) {
  const uint32_t items = (uint32_t{1} << 24) + 1;
  std::vector<uint8_t> payload = {0x05, 1, 0,   0,   0,   4,   0,
                                  0,    0, 'e', 'c', 'h', 'o', 0x08};
  for (int shift = 0; shift < 32; shift += 8)
    payload.push_back(static_cast<uint8_t>(items >> shift));
  payload.resize(payload.size() + items, 0x01);  // nulls
  std::vector<std::vector<uint8_t>> frames = Prefix();
  frames.push_back(ipc::MakeFrame(payload));
  std::vector<ipc::Event> events;
  Finished finished = Send(frames, &events);
  EXPECT_EQ(finished.status.code, 3);
  EXPECT_NE(finished.output.find("exceeds the limit"), std::string::npos)
      << finished.output;
  EXPECT_EQ(CountEchoes(events), 1u) << "nothing of the long list arrives";
}

TEST_F(MalformedFrameTest, OversizedAndLyingFrames) {
  {
    std::vector<std::vector<uint8_t>> frames = Prefix();
    frames.push_back({0xff, 0xff, 0xff, 0x7f, 0x05});  // a 2 GiB frame
    std::vector<ipc::Event> events;
    Finished finished = Send(frames, &events);
    EXPECT_EQ(finished.status.code, 3);
    EXPECT_NE(finished.output.find("protocol error"), std::string::npos);
    EXPECT_EQ(CountEchoes(events), 1u);
  }
  {
    // A list that claims a billion entries inside a small frame.
    std::vector<uint8_t> payload = {0x05, 1,   0,   0,   0,    4, 0, 0, 0,
                                    'e',  'c', 'h', 'o', 0x08, 0, 0, 0, 0x40};
    std::vector<std::vector<uint8_t>> frames = Prefix();
    frames.push_back(ipc::MakeFrame(payload));
    std::vector<ipc::Event> events;
    Finished finished = Send(frames, &events);
    EXPECT_EQ(finished.status.code, 3);
    EXPECT_EQ(CountEchoes(events), 1u);
  }
  {
    // An event record sent the wrong way.
    std::vector<uint8_t> payload;
    std::string error;
    ASSERT_TRUE(ipc::EncodeEvent(ipc::SyncReply{1, true}, &payload, &error));
    std::vector<std::vector<uint8_t>> frames = Prefix();
    frames.push_back(ipc::MakeFrame(payload));
    std::vector<ipc::Event> events;
    Finished finished = Send(frames, &events);
    EXPECT_EQ(finished.status.code, 3);
    EXPECT_NE(finished.output.find("unknown request type"), std::string::npos)
        << finished.output;
  }
}

TEST_F(MalformedFrameTest, StreamEndingInsideAFrame) {
  std::vector<std::vector<uint8_t>> frames = Prefix();
  std::vector<uint8_t> cut = Echo();
  cut.resize(cut.size() - 2);
  frames.push_back(cut);
  // The browser side stops writing in the middle of the last frame.
  int browser_end;
  std::string error;
  auto child = e2e::SpawnOnBareChannel(&browser_end, &error);
  ASSERT_TRUE(child) << error;
  for (const auto& frame : frames)
    ASSERT_EQ(write(browser_end, frame.data(), frame.size()),
              static_cast<ssize_t>(frame.size()));
  shutdown(browser_end, SHUT_WR);
  ASSERT_TRUE(child->WaitFor(std::chrono::seconds(5)));
  EXPECT_EQ(child->status()->code, 3);
  std::string output;
  for (const std::string& line : child->ReadOutputLines())
    output += line;
  EXPECT_NE(output.find("truncated"), std::string::npos) << output;
  close(browser_end);
}

}  // namespace
