// A renderer that dies, hangs or is killed is noticed and reported, and the
// host never leaves a zombie behind.

#include <errno.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "tests/e2e_framework/e2e_util.h"

namespace {

using ipc::WireValue;
using kivhost::Millis;
using kivhost::RendererHost;

// True once |pid| is neither running nor a zombie of ours.
bool Gone(pid_t pid) {
  return kill(pid, 0) != 0 && errno == ESRCH;
}

TEST(RobustnessTest, ASignalFromOutsideIsReported) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  e2e::SyncEvents(host.get());
  ASSERT_EQ(kill(host->pid(), SIGKILL), 0);
  std::vector<kivhost::HostEvent> events;
  kivhost::ProcessExited exited =
      e2e::WaitExit(host.get(), Millis(5000), &events);
  EXPECT_TRUE(exited.status.signaled);
  EXPECT_EQ(exited.status.signal, SIGKILL);
  EXPECT_EQ(exited.reason, "died");
  EXPECT_EQ(exited.status.Describe(), "signal 9 (SIGKILL)");
  // The end of the channel comes before the exit.
  ASSERT_GE(events.size(), 2u);
  EXPECT_TRUE(
      std::holds_alternative<kivhost::ChannelEnded>(events[events.size() - 2]));
  std::string error;
  EXPECT_FALSE(host->CreateBrowser(3, &error));
  EXPECT_FALSE(error.empty());
}

TEST(RobustnessTest, ACrashInAHandlerIsReported) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(
      host->SendProcessMessage(1, "crash", WireValue::List({}), &error));
  std::vector<kivhost::HostEvent> events;
  bool idle = false;
  EXPECT_EQ(host->Sync(Millis(5000), &events, &idle),
            RendererHost::SyncResult::kGone);
  // The exit may have come with the end of the channel already.
  host->WaitForExit(Millis(5000), &events);
  ASSERT_FALSE(events.empty());
  const auto* exited = std::get_if<kivhost::ProcessExited>(&events.back());
  ASSERT_NE(exited, nullptr) << testing::PrintToString(e2e::Describe(events));
  EXPECT_TRUE(exited->status.signaled);
  EXPECT_EQ(exited->status.signal, SIGABRT);
  EXPECT_EQ(exited->reason, "died");
}

TEST(RobustnessTest, AnEarlyExitIsReportedWithItsCode) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->SendProcessMessage(
      1, "exit", WireValue::List({WireValue::Int(9)}), &error));
  kivhost::ProcessExited exited = e2e::WaitExit(host.get(), Millis(5000));
  EXPECT_FALSE(exited.status.signaled);
  EXPECT_EQ(exited.status.code, 9);
  EXPECT_EQ(exited.reason, "ended by itself");
}

TEST(RobustnessTest, AHungRendererIsDetectedAndKilled) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  e2e::SyncEvents(host.get());
  std::string error;
  ASSERT_TRUE(host->SendProcessMessage(1, "hang", WireValue::List({}), &error));
  std::vector<kivhost::HostEvent> events;
  bool idle = false;
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(host->Sync(Millis(300), &events, &idle),
            RendererHost::SyncResult::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::seconds(3));
  ASSERT_TRUE(host->exited()) << "the time-out kills and reaps the renderer";
  ASSERT_FALSE(events.empty());
  const auto* exited = std::get_if<kivhost::ProcessExited>(&events.back());
  ASSERT_NE(exited, nullptr);
  EXPECT_EQ(exited->reason, "hung");
  EXPECT_EQ(exited->status.signal, SIGKILL);
  EXPECT_TRUE(Gone(host->pid()));
}

TEST(RobustnessTest, ABusyRendererStillEndsWhenTheChannelCloses) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->SendProcessMessage(1, "hang", WireValue::List({}), &error));
  bool never = false;
  e2e::CollectUntil(
      host.get(), [](const kivhost::HostEvent&) { return false; }, Millis(100),
      &never);
  host->CloseChannel();
  std::vector<kivhost::HostEvent> events;
  kivhost::ProcessExited exited =
      e2e::WaitExit(host.get(), Millis(5000), &events);
  EXPECT_FALSE(exited.status.signaled) << "it ends by itself";
  EXPECT_EQ(exited.status.code, 0);
  bool said_why = false;
  for (const std::string& line : e2e::Describe(events))
    said_why |= line.find("render thread is busy") != std::string::npos;
  EXPECT_TRUE(said_why) << testing::PrintToString(e2e::Describe(events));
}

TEST(RobustnessTest, AShutdownKeptBusyEndsWithItsCodeWhenTheChannelCloses) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->SendProcessMessage(1, "hang_on_release",
                                       WireValue::List({}), &error));
  ASSERT_TRUE(host->Shutdown(7, &error));
  bool never = false;
  e2e::CollectUntil(
      host.get(), [](const kivhost::HostEvent&) { return false; }, Millis(100),
      &never);
  host->CloseChannel();
  kivhost::ProcessExited exited = e2e::WaitExit(host.get(), Millis(5000));
  EXPECT_FALSE(exited.status.signaled) << "it ends by itself";
  EXPECT_EQ(exited.status.code, 7);
}

TEST(RobustnessTest, AHungShutdownEndsInAKill) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->SendProcessMessage(1, "hang", WireValue::List({}), &error));
  ASSERT_TRUE(host->Shutdown(0, &error));
  std::vector<kivhost::HostEvent> events;
  host->WaitForExit(Millis(300), &events);
  ASSERT_TRUE(host->exited());
  const auto* exited = std::get_if<kivhost::ProcessExited>(&events.back());
  ASSERT_NE(exited, nullptr);
  EXPECT_EQ(exited->reason, "hung");
}

TEST(RobustnessTest, NoZombieWhateverWayTheHostEnds) {
  pid_t running;
  {
    auto host = e2e::StartRenderer();
    ASSERT_TRUE(host);
    running = host->pid();
  }  // destroyed while the renderer runs
  EXPECT_TRUE(Gone(running));

  pid_t hung;
  {
    auto host = e2e::StartRenderer();
    ASSERT_TRUE(host);
    std::string error;
    ASSERT_TRUE(
        host->SendProcessMessage(1, "hang", WireValue::List({}), &error));
    bool never = false;
    e2e::CollectUntil(
        host.get(), [](const kivhost::HostEvent&) { return false; },
        Millis(100), &never);
    hung = host->pid();
  }  // a renderer that ignores the closed channel is killed
  EXPECT_TRUE(Gone(hung));

  pid_t ended;
  {
    auto host = e2e::StartRenderer();
    ASSERT_TRUE(host);
    std::string error;
    ASSERT_TRUE(host->Shutdown(0, &error));
    // The renderer exits, but the host never asks.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ended = host->pid();
  }
  EXPECT_TRUE(Gone(ended));
  // Nothing is left to reap in this process.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(RobustnessTest, AnExecutableThatCannotRunIsAnError) {
  kivhost::RendererOptions options;
  options.executable = "/nonexistent/kiv-subprocess";
  std::string error;
  EXPECT_EQ(RendererHost::Launch(options, &error), nullptr);
  EXPECT_NE(error.find("cannot run /nonexistent/kiv-subprocess"),
            std::string::npos)
      << error;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "the failed child is reaped";
}

}  // namespace
