#include "tests/e2e_framework/e2e_util.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "gtest/gtest.h"
#include "unicode/utf.h"

namespace e2e {

using Clock = std::chrono::steady_clock;

std::unique_ptr<kivhost::ChildProcess> SpawnOnBareChannel(int* browser_end,
                                                          std::string* error) {
  *browser_end = -1;
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    *error = "socketpair failed";
    return nullptr;
  }
  kivhost::ChildProcess::Options options;
  options.executable = KIV_TEST_RENDERER;
  options.arguments = {"--type=renderer", "--channel-fd=3"};
  options.channel_fd = pair[1];
  std::unique_ptr<kivhost::ChildProcess> child =
      kivhost::ChildProcess::Spawn(options, error);
  close(pair[1]);
  if (!child) {
    close(pair[0]);
    return nullptr;
  }
  *browser_end = pair[0];
  return child;
}

std::unique_ptr<kivhost::RendererHost> StartRenderer(
    const ipc::WireValue& extra_info,
    const std::string& script,
    kivhost::RendererOptions options) {
  if (options.executable.empty())
    options.executable = KIV_TEST_RENDERER;
  std::string error;
  std::unique_ptr<kivhost::RendererHost> host =
      kivhost::RendererHost::Launch(options, &error);
  EXPECT_TRUE(host) << error;
  if (!host)
    return nullptr;
  EXPECT_TRUE(host->StartRenderThread(extra_info, &error)) << error;
  EXPECT_TRUE(host->CreateBrowser(1, &error)) << error;
  ipc::LoadFrame load;
  load.browser_id = 1;
  load.frame_id = 1;
  load.is_main = true;
  load.url = "test://page.js";
  load.script = unicode::Utf8ToUtf16(script);
  EXPECT_TRUE(host->LoadFrame(load, &error)) << error;
  return host;
}

std::vector<HostEvent> CollectUntil(
    kivhost::RendererHost* host,
    const std::function<bool(const HostEvent&)>& done,
    Millis timeout,
    bool* found) {
  std::vector<HostEvent> all;
  *found = false;
  const Clock::time_point deadline = Clock::now() + timeout;
  while (!*found) {
    auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
    if (left.count() <= 0)
      break;
    std::vector<HostEvent> batch;
    bool more = host->Poll(left, &batch);
    for (HostEvent& event : batch) {
      if (done(event))
        *found = true;
      all.push_back(std::move(event));
    }
    if (!more)
      break;
  }
  return all;
}

std::vector<HostEvent> SyncEvents(kivhost::RendererHost* host) {
  std::vector<HostEvent> events;
  bool idle = false;
  EXPECT_EQ(host->Sync(Millis(10000), &events, &idle),
            kivhost::RendererHost::SyncResult::kReplied);
  return events;
}

std::vector<ipc::ProcessMessageSent> Messages(
    const std::vector<HostEvent>& events,
    const std::string& name) {
  std::vector<ipc::ProcessMessageSent> out;
  for (const HostEvent& event : events) {
    const auto* wire = std::get_if<ipc::Event>(&event);
    if (!wire)
      continue;
    const auto* message = std::get_if<ipc::ProcessMessageSent>(wire);
    if (message && (name.empty() || message->name == name))
      out.push_back(*message);
  }
  return out;
}

std::vector<std::string> ConsoleTexts(const std::vector<HostEvent>& events) {
  std::vector<std::string> out;
  for (const HostEvent& event : events) {
    const auto* wire = std::get_if<ipc::Event>(&event);
    if (!wire)
      continue;
    if (const auto* console = std::get_if<ipc::ConsoleMessage>(wire))
      out.push_back(console->text);
  }
  return out;
}

std::vector<std::string> Describe(const std::vector<HostEvent>& events) {
  std::vector<std::string> out;
  for (const HostEvent& event : events)
    out.push_back(kivhost::DescribeHostEvent(event));
  return out;
}

bool IsExit(const HostEvent& event) {
  return std::holds_alternative<kivhost::ProcessExited>(event);
}

std::function<bool(const HostEvent&)> IsMessage(const std::string& name) {
  return [name](const HostEvent& event) {
    return !Messages({event}, name).empty();
  };
}

kivhost::ProcessExited WaitExit(kivhost::RendererHost* host,
                                Millis timeout,
                                std::vector<HostEvent>* events) {
  bool found = false;
  std::vector<HostEvent> seen = CollectUntil(host, IsExit, timeout, &found);
  EXPECT_TRUE(found) << "no exit within " << timeout.count() << " ms";
  kivhost::ProcessExited exited;
  for (const HostEvent& event : seen) {
    if (const auto* e = std::get_if<kivhost::ProcessExited>(&event))
      exited = *e;
  }
  if (events)
    *events = std::move(seen);
  return exited;
}

}  // namespace e2e
