// A browser side that stops reading the channel while the page keeps
// sending: the renderer's queued output stays bounded, what does not fit is
// refused (and said so), and the renderer serves again once it is read.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "gtest/gtest.h"
#include "host/child_process.h"
#include "ipc/channel.h"
#include "ipc/framing.h"
#include "ipc/messages.h"
#include "ipc/utf.h"
#include "tests/e2e_framework/e2e_util.h"

namespace {

using Clock = std::chrono::steady_clock;
using kivhost::ChildProcess;

// Logs 400 lines of 1 MiB as fast as they are taken (console lines are the
// cheapest large output a page has); then reports how many it logged, again
// and again until the report is taken.
const char kFloodingPage[] = R"(
var line = 'x'.repeat(1 << 20);
var logged = 0;
function report() {
  if (!testBridge.send('done', JSON.stringify([logged])))
    setTimeout(report, 20);
}
function pump() {
  for (var i = 0; i < 16; ++i) {
    if (logged == 400) {
      report();
      return;
    }
    console.log(line);
    ++logged;
  }
  setTimeout(pump, 0);
}
pump();
)";

class BacklogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int browser_end;
    std::string error;
    child_ = e2e::SpawnOnBareChannel(&browser_end, &error);
    ASSERT_TRUE(child_) << error;
    channel_ = std::make_unique<ipc::Channel>(browser_end);
  }

  void TearDown() override {
    channel_.reset();
    if (child_)
      child_->KillAndReap();
  }

  void Send(const ipc::Request& request) {
    std::vector<uint8_t> payload;
    std::string error;
    ASSERT_TRUE(ipc::EncodeRequest(request, &payload, &error)) << error;
    ASSERT_TRUE(channel_->SendBlocking(std::move(payload), &error)) << error;
  }

  // Reads the renderer's output until it holds |text|.
  bool WaitForOutput(const std::string& text,
                     std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      for (const std::string& line : child_->ReadOutputLines())
        output_ += line + "\n";
      if (output_.find(text) != std::string::npos)
        return true;
      if (Clock::now() >= deadline || child_->output_fd() < 0)
        return false;
      pollfd waiter = {child_->output_fd(), POLLIN, 0};
      poll(&waiter, 1, 100);
    }
  }

  // Reads events until one matches |done| or |timeout| passes.
  bool ReadUntil(const std::function<bool(const ipc::Event&)>& done,
                 std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
      pollfd waiter = {channel_->fd(), POLLIN, 0};
      poll(&waiter, 1, 100);
      std::vector<std::vector<uint8_t>> frames;
      std::string error;
      if (channel_->ReadAvailable(&frames, &error) !=
          ipc::Channel::Status::kOk) {
        ADD_FAILURE() << error;
        return false;
      }
      for (const std::vector<uint8_t>& frame : frames) {
        ipc::Event event;
        EXPECT_TRUE(ipc::DecodeEvent(frame, &event, &error)) << error;
        if (done(event))
          return true;
      }
    }
    return false;
  }

  std::unique_ptr<ChildProcess> child_;
  std::unique_ptr<ipc::Channel> channel_;
  std::string output_;
};

TEST_F(BacklogTest, APageCannotQueueWithoutBoundForABrowserThatDoesNotRead) {
  Send(ipc::StartRenderThread{});
  Send(ipc::CreateBrowser{1});
  ipc::LoadFrame load;
  load.browser_id = 1;
  load.frame_id = 1;
  load.is_main = true;
  load.url = "flood.js";
  load.script = ipc::Utf8ToUtf16(kFloodingPage);
  Send(load);

  // Nothing is read until the renderer says it refuses output.
  ASSERT_TRUE(WaitForOutput("does not read", std::chrono::seconds(60)))
      << output_;
  // The stall lasts until the browser side reads: nothing gets through
  // meanwhile, however small.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(WaitForOutput("reads again", std::chrono::milliseconds(0)))
      << output_;

  size_t big = 0;
  int logged = -1;
  ASSERT_TRUE(ReadUntil(
      [&](const ipc::Event& event) {
        const auto* line = std::get_if<ipc::ConsoleMessage>(&event);
        if (line && line->text.size() == (1u << 20))
          ++big;
        const auto* sent = std::get_if<ipc::ProcessMessageSent>(&event);
        if (sent && sent->name == "done")
          logged = sent->arguments.list_value().at(0).int_value();
        return logged >= 0;
      },
      std::chrono::seconds(60)));
  EXPECT_EQ(logged, 400);
  EXPECT_TRUE(WaitForOutput("reads again", std::chrono::seconds(10)))
      << output_;
  // About 128 MiB were queued; every line the renderer took arrived, and
  // the rest were refused and counted (with any report refused meanwhile).
  EXPECT_LT(big, 400u);
  EXPECT_GE(big, 100u);
  const size_t said = output_.find("reads again; ");
  ASSERT_NE(said, std::string::npos);
  EXPECT_GE(std::stoul(output_.substr(said + 13)), 400u - big) << output_;

  // The renderer serves requests again.
  Send(ipc::Sync{42});
  bool replied = false;
  ReadUntil(
      [&](const ipc::Event& event) {
        const auto* reply = std::get_if<ipc::SyncReply>(&event);
        replied = reply && reply->token == 42;
        return replied;
      },
      std::chrono::seconds(10));
  EXPECT_TRUE(replied);
  Send(ipc::Shutdown{0});
  ASSERT_TRUE(child_->WaitFor(std::chrono::seconds(10)));
  EXPECT_FALSE(child_->status()->signaled);
  EXPECT_EQ(child_->status()->code, 0);
}

}  // namespace
