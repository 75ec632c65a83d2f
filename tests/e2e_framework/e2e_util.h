// Helpers for end-to-end tests: renderers started through host/, and ways
// to wait for what they send.
#ifndef TESTS_E2E_FRAMEWORK_E2E_UTIL_H_
#define TESTS_E2E_FRAMEWORK_E2E_UTIL_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/child_process.h"
#include "host/renderer_host.h"

namespace e2e {

using kivhost::HostEvent;
using kivhost::Millis;

// A started test renderer: render thread started with |extra_info|, browser
// 1 created and main frame 1 loaded with |script| (if not empty); launched
// with |options| (the test renderer when they name no executable).
std::unique_ptr<kivhost::RendererHost> StartRenderer(
    const ipc::WireValue& extra_info = ipc::WireValue::List({}),
    const std::string& script = std::string(),
    kivhost::RendererOptions options = kivhost::RendererOptions());

// The test renderer started as a renderer on a bare socketpair, with none of
// the host library's requests sent; |browser_end| receives the other end of
// the channel (-1 when the start failed, with |error| set).
std::unique_ptr<kivhost::ChildProcess> SpawnOnBareChannel(int* browser_end,
                                                          std::string* error);

// Polls until an event matches |done| or |timeout| passes. Returns every
// event seen; |found| tells whether one matched.
std::vector<HostEvent> CollectUntil(
    kivhost::RendererHost* host,
    const std::function<bool(const HostEvent&)>& done,
    Millis timeout,
    bool* found);

// Sends a Sync and returns the events before its reply (fails the test if
// there is no reply).
std::vector<HostEvent> SyncEvents(kivhost::RendererHost* host);

// The process messages among |events|, optionally only those named |name|.
std::vector<ipc::ProcessMessageSent> Messages(
    const std::vector<HostEvent>& events,
    const std::string& name = std::string());
std::vector<std::string> ConsoleTexts(const std::vector<HostEvent>& events);
std::vector<std::string> Describe(const std::vector<HostEvent>& events);

// Matchers for CollectUntil.
bool IsExit(const HostEvent& event);
std::function<bool(const HostEvent&)> IsMessage(const std::string& name);

// Waits for the exit and returns its event (a failed test if none comes).
kivhost::ProcessExited WaitExit(kivhost::RendererHost* host,
                                Millis timeout,
                                std::vector<HostEvent>* events = nullptr);

}  // namespace e2e

#endif  // TESTS_E2E_FRAMEWORK_E2E_UTIL_H_
