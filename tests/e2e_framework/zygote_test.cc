// Renderers forked from a zygote: they run pages, end, crash and are reaped
// exactly as exec'd ones are, and the zygote refuses what it cannot serve.

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "host/zygote.h"
#include "ipc/zygote_protocol.h"
#include "tests/e2e_framework/e2e_util.h"

namespace {

using kivhost::ChildProcess;
using kivhost::Millis;
using kivhost::Zygote;

std::unique_ptr<Zygote> StartZygote() {
  std::string error;
  std::unique_ptr<Zygote> zygote = Zygote::Start(KIV_TEST_RENDERER, &error);
  EXPECT_TRUE(zygote) << error;
  return zygote;
}

// The parent pid in /proc/<pid>/stat (the field after the parenthesized
// command name).
pid_t ParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)),
                   std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  if (close == std::string::npos)
    return -1;
  char state;
  int parent = -1;
  sscanf(text.c_str() + close + 1, " %c %d", &state, &parent);
  return parent;
}

// The arguments that /proc/<pid>/cmdline shows, after the program name.
std::vector<std::string> ShownArguments(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
  std::vector<std::string> words;
  std::string word;
  while (std::getline(file, word, '\0')) {
    if (!word.empty())
      words.push_back(word);
  }
  if (!words.empty())
    words.erase(words.begin());
  return words;
}

kivhost::RendererOptions ForkingFrom(Zygote* zygote) {
  kivhost::RendererOptions options;
  options.zygote = zygote;
  return options;
}

// A renderer launched with |options| whose page runs |script|; checks that
// the page logs |line| and whether the renderer was forked.
std::unique_ptr<kivhost::RendererHost> ExpectPageLogs(
    const kivhost::RendererOptions& options,
    const std::string& script,
    const std::string& line,
    bool forked) {
  auto host = e2e::StartRenderer(ipc::WireValue::List({}), script, options);
  EXPECT_TRUE(host);
  if (!host)
    return nullptr;
  EXPECT_EQ(host->forked(), forked);
  EXPECT_EQ(e2e::ConsoleTexts(e2e::SyncEvents(host.get())),
            std::vector<std::string>{line});
  return host;
}

// A renderer started through |zygote| whose page logs |text|.
std::unique_ptr<kivhost::RendererHost> ExpectPageRuns(Zygote* zygote,
                                                      const std::string& text,
                                                      bool forked) {
  return ExpectPageLogs(ForkingFrom(zygote), "console.log('" + text + "');",
                        text, forked);
}

// Everything an ended process wrote, one line after another.
std::string OutputOf(ChildProcess* process) {
  std::string output;
  while (process->output_fd() >= 0) {
    for (const std::string& line : process->ReadOutputLines())
      output += line + "\n";
  }
  return output;
}

// Both ends of a channel for a process started by hand.
struct ChannelPair {
  ChannelPair() {
    int pair[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    ours.reset(pair[0]);
    theirs.reset(pair[1]);
  }
  ipc::ScopedFd ours;
  ipc::ScopedFd theirs;
};

TEST(ZygoteTest, ForkedRenderersRunTheirOwnPagesAsChildrenOfTheHost) {
  std::unique_ptr<Zygote> zygote = StartZygote();
  ASSERT_TRUE(zygote);
  std::vector<std::unique_ptr<kivhost::RendererHost>> hosts;
  std::set<pid_t> pids;
  for (int i = 0; i < 3; ++i) {
    hosts.push_back(
        ExpectPageRuns(zygote.get(), "page " + std::to_string(i), true));
    ASSERT_TRUE(hosts.back());
    pids.insert(hosts.back()->pid());
    // Reparented to this process, which reaps them.
    EXPECT_EQ(ParentOf(hosts.back()->pid()), getpid());
    // Shown with their own arguments, as many as fit where the zygote's
    // were ("--type=zygote --channel-fd=3"): the type, not the zygote's.
    EXPECT_EQ(ShownArguments(hosts.back()->pid()),
              std::vector<std::string>{"--type=renderer"});
  }
  EXPECT_EQ(pids.size(), 3u);
  EXPECT_EQ(pids.count(zygote->pid()), 0u);
  // Exit codes, a crash and a kill reach this process through waitpid.
  std::string error;
  ASSERT_TRUE(hosts[0]->Shutdown(7, &error)) << error;
  kivhost::ProcessExited exited = e2e::WaitExit(hosts[0].get(), Millis(5000));
  EXPECT_FALSE(exited.status.signaled);
  EXPECT_EQ(exited.status.code, 7);

  ASSERT_TRUE(hosts[1]->SendProcessMessage(1, "crash", ipc::WireValue::List({}),
                                           &error))
      << error;
  exited = e2e::WaitExit(hosts[1].get(), Millis(5000));
  EXPECT_TRUE(exited.status.signaled);
  EXPECT_EQ(exited.status.signal, SIGABRT);
  EXPECT_EQ(exited.reason, "died");

  ASSERT_TRUE(hosts[2]->Kill(SIGKILL));
  exited = e2e::WaitExit(hosts[2].get(), Millis(5000));
  EXPECT_EQ(exited.status.signal, SIGKILL);
  EXPECT_EQ(exited.reason, "killed");

  // The zygote outlives its renderers and still serves.
  EXPECT_TRUE(zygote->alive());
  ExpectPageRuns(zygote.get(), "again", true);
}

TEST(ZygoteTest, ForkedRendererTakesItsOwnArguments) {
  std::unique_ptr<Zygote> zygote = StartZygote();
  ASSERT_TRUE(zygote);
  // V8 flags reach the forked renderer's V8, which the zygote never set up.
  kivhost::RendererOptions options = ForkingFrom(zygote.get());
  options.extra_arguments = {"--js-flags=--expose-gc"};
  ExpectPageLogs(options, "console.log(typeof gc);", "function", true);
  // And a renderer forked after it does not inherit them.
  ExpectPageLogs(ForkingFrom(zygote.get()), "console.log(typeof gc);",
                 "undefined", true);
}

TEST(ZygoteTest, ForkedProcessWritesToItsOwnOutput) {
  std::unique_ptr<Zygote> zygote = StartZygote();
  ASSERT_TRUE(zygote);
  ChannelPair channel;
  std::string error;
  // No channel switch: the forked renderer says so on its standard error.
  std::unique_ptr<ChildProcess> child =
      zygote->Fork({"--type=renderer"}, channel.theirs.get(), &error);
  ASSERT_TRUE(child) << error;
  ASSERT_TRUE(child->WaitFor(Millis(5000)));
  EXPECT_EQ(child->status()->code, 2);
  const std::string output = OutputOf(child.get());
  EXPECT_EQ(output,
            "renderer: no usable channel to the browser process: no "
            "--channel-fd switch\n");
}

TEST(ZygoteTest, RefusesAZygoteAndKeepsServing) {
  std::unique_ptr<Zygote> zygote = StartZygote();
  ASSERT_TRUE(zygote);
  ChannelPair channel;
  std::string error;
  EXPECT_FALSE(zygote->Fork({"--type=zygote", "--channel-fd=3"},
                            channel.theirs.get(), &error));
  EXPECT_NE(error.find("does not start another zygote"), std::string::npos)
      << error;
  // The switch read as the forked process reads it: a single dash, any case
  // of its name, the last of several.
  const std::vector<std::vector<std::string>> spellings = {
      {"-type=zygote", "--channel-fd=3"},
      {"--TYPE=zygote", "--channel-fd=3"},
      {"--type=renderer", "--Type=zygote", "--channel-fd=3"}};
  for (const std::vector<std::string>& arguments : spellings) {
    error.clear();
    EXPECT_FALSE(zygote->Fork(arguments, channel.theirs.get(), &error))
        << arguments[0];
    EXPECT_NE(error.find("does not start another zygote"), std::string::npos)
        << error;
  }
  EXPECT_TRUE(zygote->alive());
  ExpectPageRuns(zygote.get(), "ok", true);
}

// Whether |pid| still exists, as a zombie or stopped included.
bool Exists(pid_t pid) {
  return kill(pid, 0) == 0;
}

TEST(ZygoteTest, AGoneZygoteLeavesRenderersToStartWithoutIt) {
  std::unique_ptr<Zygote> zygote = StartZygote();
  ASSERT_TRUE(zygote);
  ASSERT_EQ(kill(zygote->pid(), SIGKILL), 0);
  ExpectPageRuns(zygote.get(), "exec", false);
  EXPECT_FALSE(zygote->alive());
  // Reaped once given up, not left a zombie for as long as the object lives.
  EXPECT_FALSE(Exists(zygote->pid()));
}

void IgnoreSignal(int) {}

TEST(ZygoteTest, AZygoteThatStopsAnsweringIsGivenUpWhileSignalsArrive) {
  std::unique_ptr<Zygote> zygote = StartZygote();
  ASSERT_TRUE(zygote);
  // A handler without SA_RESTART: every signal interrupts the wait.
  struct sigaction action = {};
  action.sa_handler = IgnoreSignal;
  struct sigaction previous;
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  ASSERT_EQ(kill(zygote->pid(), SIGSTOP), 0);
  const pthread_t waiting = pthread_self();
  const pid_t zygote_pid = zygote->pid();
  std::atomic<bool> done{false};
  std::thread interrupter([&done, waiting, zygote_pid]() {
    const auto start = std::chrono::steady_clock::now();
    bool resumed = false;
    while (!done) {
      pthread_kill(waiting, SIGUSR1);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      // Past any reasonable wait, let the zygote answer so that a wait
      // that never gives up still ends (and fails the checks below).
      if (!resumed &&
          std::chrono::steady_clock::now() - start > std::chrono::seconds(40)) {
        kill(zygote_pid, SIGCONT);
        resumed = true;
      }
    }
  });
  ChannelPair channel;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<ChildProcess> child =
      zygote->Fork({"--type=renderer"}, channel.theirs.get(), &error);
  const auto took = std::chrono::duration_cast<Millis>(
      std::chrono::steady_clock::now() - start);
  done = true;
  interrupter.join();
  sigaction(SIGUSR1, &previous, nullptr);
  // A zygote given up is ended, not left stuck beside the host.
  const bool left_running = Exists(zygote_pid);
  // Only a zygote still there is ours to wake: a reaped one's pid may
  // already belong to another process.
  if (left_running)
    kill(zygote_pid, SIGCONT);
  EXPECT_FALSE(child);
  EXPECT_EQ(error, "the zygote did not answer");
  EXPECT_LT(took.count(), 30000);
  EXPECT_FALSE(zygote->alive());
  EXPECT_FALSE(left_running);
}

// A pid that is not a child of this process would be signalled and waited
// for as a renderer: the zygote is taken to be broken.
TEST(ZygoteTest, AnAnswerNamingAProcessNotStartedForUsIsRefused) {
  for (const char* answer : {"own-child", "self"}) {
    ASSERT_EQ(setenv("FAKE_ZYGOTE_ANSWER", answer, 1), 0);
    std::string error;
    std::unique_ptr<Zygote> zygote = Zygote::Start(KIV_FAKE_ZYGOTE, &error);
    unsetenv("FAKE_ZYGOTE_ANSWER");
    ASSERT_TRUE(zygote) << error;
    ChannelPair channel;
    std::unique_ptr<ChildProcess> child =
        zygote->Fork({"--type=renderer"}, channel.theirs.get(), &error);
    EXPECT_FALSE(child) << answer << ": adopted pid " << child->pid();
    EXPECT_NE(error.find("not a process started for"), std::string::npos)
        << answer << ": " << error;
    EXPECT_FALSE(zygote->alive()) << answer;
    // The fake's own child came here when the fake was ended; end it too.
    const size_t at = error.find("pid ");
    const pid_t named = at == std::string::npos ? 0 : atoi(&error[at + 4]);
    if (named > 0 && named != zygote->pid())
      ChildProcess::Adopt(named, -1)->KillAndReap();
  }
}

// The zygote's side of the protocol, driven by hand.
class ZygoteProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0), 0);
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    control_.reset(pair[0]);
    ipc::ScopedFd zygote_end(pair[1]);
    ChildProcess::Options options;
    options.executable = KIV_TEST_RENDERER;
    options.arguments = {"--type=zygote", "--channel-fd=3"};
    options.channel_fd = zygote_end.get();
    std::string error;
    zygote_ = ChildProcess::Spawn(options, &error);
    ASSERT_TRUE(zygote_) << error;
  }

  ipc::ForkReply Send(const std::vector<uint8_t>& packet,
                      const std::vector<int>& fds) {
    std::string error;
    EXPECT_TRUE(
        ipc::SendPacket(control_.get(), packet, fds.data(), fds.size(), &error))
        << error;
    std::vector<uint8_t> reply_packet;
    std::vector<ipc::ScopedFd> reply_fds;
    EXPECT_EQ(ipc::ReceivePacket(control_.get(), ipc::kForkReplyBytes, 0,
                                 &reply_packet, &reply_fds, &error),
              ipc::PacketStatus::kOk)
        << error;
    ipc::ForkReply reply;
    EXPECT_TRUE(ipc::DecodeForkReply(reply_packet.data(), reply_packet.size(),
                                     &reply, &error))
        << error;
    return reply;
  }

  ipc::ScopedFd control_;
  std::unique_ptr<ChildProcess> zygote_;
};

TEST_F(ZygoteProcessTest, MalformedRequestsAreAnsweredWithAnErrorEach) {
  ChannelPair channel;
  std::vector<uint8_t> valid;
  std::string error;
  ASSERT_TRUE(ipc::EncodeForkRequest({"--type=gpu-process", "--channel-fd=3"},
                                     &valid, &error));
  const int fd = channel.theirs.get();

  EXPECT_EQ(Send(valid, {}).error_number, EINVAL);            // no descriptors
  EXPECT_EQ(Send(valid, {fd, fd, fd}).error_number, EINVAL);  // three
  EXPECT_EQ(Send({1, 2, 3}, {fd, fd}).error_number, EINVAL);  // not a request
  EXPECT_EQ(
      Send(std::vector<uint8_t>(ipc::kMaxForkRequestBytes + 1, 0), {fd, fd})
          .error_number,
      EINVAL);

  // A valid request after them all still starts a process, a child of ours.
  ipc::ForkReply started = Send(valid, {fd, fd});
  ASSERT_GT(started.pid, 0);
  std::unique_ptr<ChildProcess> child = ChildProcess::Adopt(started.pid, -1);
  channel.theirs.reset();
  channel.ours.reset();  // the gpu-process ends when its channel closes
  ASSERT_TRUE(child->WaitFor(Millis(5000)));
  EXPECT_EQ(child->status()->code, 0);

  // Closing the control socket ends the zygote with 0.
  control_.reset();
  ASSERT_TRUE(zygote_->WaitFor(Millis(5000)));
  EXPECT_EQ(zygote_->status()->code, 0);
  EXPECT_FALSE(zygote_->status()->signaled);
}

TEST(ZygoteEntryTest, NeedsAPacketSocket) {
  ChannelPair channel;
  ChildProcess::Options options;
  options.executable = KIV_TEST_RENDERER;
  options.arguments = {"--type=zygote", "--channel-fd=3"};
  options.channel_fd = channel.theirs.get();
  std::string error;
  std::unique_ptr<ChildProcess> zygote = ChildProcess::Spawn(options, &error);
  ASSERT_TRUE(zygote) << error;
  ASSERT_TRUE(zygote->WaitFor(Millis(5000)));
  EXPECT_EQ(zygote->status()->code, 2);
  const std::string output = OutputOf(zygote.get());
  EXPECT_NE(output.find("not a packet socket"), std::string::npos) << output;
}

}  // namespace
