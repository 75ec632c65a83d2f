// A renderer that misuses its channel or its output: what it cannot take is
// refused at once, and what it leaves behind does not hold the host.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "tests/e2e_framework/e2e_util.h"

namespace {

using kivhost::HostEvent;
using kivhost::Millis;
using kivhost::RendererHost;

std::unique_ptr<RendererHost> LaunchMisbehaving(const std::string& mode) {
  kivhost::RendererOptions options;
  options.executable = KIV_MISBEHAVING_RENDERER;
  options.extra_arguments = {mode};
  std::string error;
  std::unique_ptr<RendererHost> host = RendererHost::Launch(options, &error);
  EXPECT_TRUE(host) << error;
  return host;
}

bool IsOutput(const HostEvent& event, const std::string& text) {
  const auto* line = std::get_if<kivhost::OutputLine>(&event);
  return line && line->text == text;
}

TEST(MisbehaviourTest, AChannelThatNoLongerReadsFailsEverySend) {
  auto host = LaunchMisbehaving("--half-close");
  ASSERT_TRUE(host);
  bool ready = false;
  e2e::CollectUntil(
      host.get(), [](const HostEvent& e) { return IsOutput(e, "ready"); },
      Millis(5000), &ready);
  ASSERT_TRUE(ready);

  // The renderer stays alive, but nothing written reaches it any more.
  std::string error;
  EXPECT_FALSE(host->CreateBrowser(1, &error));
  EXPECT_NE(error.find("channel"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(host->CreateBrowser(2, &error));
  EXPECT_FALSE(error.empty());
  // A barrier that cannot be sent says so at once instead of waiting for a
  // reply that cannot come and killing the renderer as hung.
  std::vector<HostEvent> events;
  bool idle = false;
  EXPECT_EQ(host->Sync(Millis(3000), &events, &idle),
            RendererHost::SyncResult::kGone);
  EXPECT_FALSE(host->exited());

  // Closing the channel still ends it normally.
  host->CloseChannel();
  kivhost::ProcessExited exited = e2e::WaitExit(host.get(), Millis(5000));
  EXPECT_FALSE(exited.status.signaled);
  EXPECT_EQ(exited.status.code, 0);
}

// A renderer that stops reading cannot make the browser side queue without
// bound: process messages and scripts are refused past the bound, while the
// requests that end things still go.
TEST(MisbehaviourTest, WhatARendererLeavesUnreadIsBounded) {
  auto host = LaunchMisbehaving("--chatter");
  ASSERT_TRUE(host);
  const ipc::WireValue megabyte = ipc::WireValue::List(
      {ipc::WireValue::String(std::u16string(1 << 20, u'x'))});
  // The bound, and more than the socket's buffers can hold besides.
  const size_t most = RendererHost::kMaxQueuedOutput / (1 << 20) + 64;
  std::string error;
  size_t sent = 0;
  while (sent < most && host->SendProcessMessage(1, "fill", megabyte, &error))
    ++sent;
  EXPECT_LT(sent, most);
  EXPECT_NE(error.find("does not read"), std::string::npos) << error;
  EXPECT_EQ(-1, host->ExecuteScript(1, 1, std::string(1 << 20, ' '), &error));
  EXPECT_TRUE(host->DestroyBrowser(1, &error)) << error;
  host->Kill(SIGKILL);
  EXPECT_TRUE(e2e::WaitExit(host.get(), Millis(5000)).status.signaled);
}

// Stops the process whose pid a file names, after |delay| unless cancelled.
class OrphanStopper {
 public:
  OrphanStopper(std::string pid_file, Millis delay)
      : pid_file_(std::move(pid_file)), thread_([this, delay] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!cancelled_.wait_for(lock, delay, [this] { return cancel_; })) {
            fired_ = true;
            KillOrphan();
          }
        }) {}
  ~OrphanStopper() { Stop(); }

  // Cancels the timer and kills the orphan; true if the timer had fired.
  bool Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      cancel_ = true;
    }
    cancelled_.notify_all();
    if (thread_.joinable())
      thread_.join();
    KillOrphan();
    return fired_;
  }

 private:
  void KillOrphan() {
    int pid = 0;
    std::ifstream(pid_file_) >> pid;
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);  // fails harmlessly if it is not ours
    }
  }

  const std::string pid_file_;
  std::mutex mutex_;
  std::condition_variable cancelled_;
  bool cancel_ = false;
  bool fired_ = false;
  std::thread thread_;
};

TEST(MisbehaviourTest, AProcessLeftWritingToTheOutputDoesNotHoldTheExit) {
  char dir[] = "/tmp/kiv_orphan_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string pid_file = std::string(dir) + "/pid";
  std::vector<HostEvent> events;
  bool held = false;
  {
    auto host = LaunchMisbehaving("--orphan-output=" + pid_file);
    ASSERT_TRUE(host);
    // The renderer exits at once; the process it left keeps the output
    // pipe open and busy. Should the host wait for the pipe's end, the
    // stopper ends that wait after a while, and the test fails.
    OrphanStopper stopper(pid_file, Millis(3000));
    host->WaitForExit(Millis(10000), &events);
    held = stopper.Stop();
    ASSERT_TRUE(host->exited());
  }
  unlink(pid_file.c_str());
  rmdir(dir);
  EXPECT_FALSE(held) << "the exit was reported only once the orphan died";
  ASSERT_FALSE(events.empty());
  const auto* exited = std::get_if<kivhost::ProcessExited>(&events.back());
  ASSERT_NE(exited, nullptr);
  EXPECT_FALSE(exited->status.signaled);
  EXPECT_EQ(exited->status.code, 0);
  EXPECT_EQ(exited->reason, "ended by itself");
}

// A frame length above the limit is a malformed frame like any other: the
// renderer is killed at once for it, not left to time out as hung.
TEST(MisbehaviourTest, AnOversizedFrameIsAProtocolError) {
  auto host = LaunchMisbehaving("--oversized-frame");
  ASSERT_TRUE(host);
  std::vector<HostEvent> events;
  kivhost::ProcessExited exited =
      e2e::WaitExit(host.get(), Millis(5000), &events);
  EXPECT_EQ(exited.reason, "protocol error");
  ASSERT_GE(events.size(), 2u);
  const auto* ended =
      std::get_if<kivhost::ChannelEnded>(&events[events.size() - 2]);
  ASSERT_NE(ended, nullptr);
  EXPECT_EQ(ended->error,
            "malformed frame from the renderer: frame of 67108865 bytes "
            "exceeds the limit of 67108864");
}

// What a renderer wrote before it exited is read to the end, however much
// of it the socket still held when the exit was noticed.
TEST(MisbehaviourTest, EverythingWrittenBeforeTheExitArrives) {
  constexpr int kMessages = 200;  // 3.2 MiB
  auto host = LaunchMisbehaving("--burst=" + std::to_string(kMessages));
  ASSERT_TRUE(host);
  // Not read meanwhile, so that as much as the socket holds is left in it.
  usleep(500 * 1000);
  std::vector<HostEvent> events;
  kivhost::ProcessExited exited =
      e2e::WaitExit(host.get(), Millis(10000), &events);
  EXPECT_EQ(exited.status.code, 0);
  const std::vector<std::string> texts = e2e::ConsoleTexts(events);
  ASSERT_EQ(texts.size(), static_cast<size_t>(kMessages));
  EXPECT_EQ(texts.back().rfind("burst " + std::to_string(kMessages - 1), 0),
            0u);
  for (const HostEvent& event : events) {
    if (const auto* ended = std::get_if<kivhost::ChannelEnded>(&event)) {
      EXPECT_EQ(ended->error, "");
    }
  }
}

}  // namespace
