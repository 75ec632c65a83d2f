#include "browser_process/browser_process.h"

#include <signal.h>

#include <algorithm>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

#include "base/message_loop.h"
#include "base/request_impl.h"
#include "base/value_scope.h"
#include "browser_process/browser_impl.h"
#include "include/cef_browser_process_handler.h"
#include "process/value_convert.h"
#include "unicode/utf.h"

namespace cef_browser_process {

using Clock = std::chrono::steady_clock;

// One renderer process and what the loop knows about it.
struct RendererSlot {
  int number = 0;
  std::unique_ptr<kivhost::RendererHost> host;
  // Until its exit has been reported.
  bool running = true;
  // Something was sent since the last barrier answered.
  bool unsynced = false;
};

namespace {

// Rounds of barriers Settle runs at most: a page and a client that answer
// each other for ever must not hold the loop.
constexpr int kMaxSettleRounds = 1000;
// With several renderers each is polled in turn for at most this long.
constexpr Millis kPollSlice(5);
// How long a renderer that refused a write may take to be seen exiting.
constexpr Millis kExitAfterFailedWrite(1000);

Millis Until(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
  return left.count() > 0 ? left : Millis(0);
}

// Asks the application for the start-up list of a new renderer on a thread
// of its own, as the framework does on its IO thread. The list is writable
// and valid only during the call.
bool AskExtraInfo(CefRefPtr<CefApp> app,
                  ipc::WireValue* extra_info,
                  std::string* error) {
  *extra_info = ipc::WireValue::List({});
  CefRefPtr<CefBrowserProcessHandler> handler;
  if (app.get())
    handler = app->GetBrowserProcessHandler();
  if (!handler.get())
    return true;
  bool ok = false;
  std::thread io([&] {
    cef_base::CallbackScope<CefListValue> scope(
        cef_base::CreateCallbackScopedList(CefRefPtr<CefListValue>(), false));
    handler->OnRenderProcessThreadCreated(scope.get());
    ok = cef_process::ListToWire(scope.get(), extra_info, error);
  });
  io.join();
  if (!ok)
    *error = "the start-up list cannot be sent: " + *error;
  return ok;
}

}  // namespace

bool TerminationStatusOf(const kivhost::ExitStatus& status,
                         cef_termination_status_t* out) {
  if (status.signaled) {
    *out =
        status.signal == SIGKILL ? TS_PROCESS_WAS_KILLED : TS_PROCESS_CRASHED;
    return true;
  }
  if (status.code != 0) {
    *out = TS_ABNORMAL_TERMINATION;
    return true;
  }
  return false;
}

BrowserProcess::BrowserProcess(CefRefPtr<CefApp> app,
                               std::string renderer_executable)
    : app_(app),
      executable_(std::move(renderer_executable)),
      loop_(std::make_unique<cef_base::MessageLoop>()) {
  loop_->RegisterAsThread(TID_UI);
}

BrowserProcess::~BrowserProcess() {
  std::vector<CefRefPtr<BrowserImpl>> open;
  for (auto& entry : browsers_)
    open.push_back(entry.second);
  for (CefRefPtr<BrowserImpl>& browser : open)
    CloseBrowser(browser.get());
  for (auto& entry : renderers_)
    ShutdownRenderer(entry.first);
  // Tasks still queued are released without running.
  loop_->Shutdown();
}

int BrowserProcess::StartRenderer(std::string* error) {
  // Renderer numbers and browser ids are never used twice; the last int is
  // the end of them (++ past it would overflow).
  if (next_renderer_ == std::numeric_limits<int>::max()) {
    *error = "no renderer number is left";
    return 0;
  }
  ipc::WireValue extra_info;
  if (!AskExtraInfo(app_, &extra_info, error))
    return 0;
  kivhost::RendererOptions options;
  options.executable = executable_;
  options.zygote = zygotes_.zygote();
  std::unique_ptr<kivhost::RendererHost> host =
      kivhost::RendererHost::Launch(options, error);
  if (!host)
    return 0;
  error->clear();  // what a failed fork said before Launch fell back to exec
  zygotes_.RendererStarted(executable_);
  if (!host->StartRenderThread(extra_info, error))
    return 0;
  auto slot = std::make_shared<RendererSlot>();
  slot->number = next_renderer_++;
  slot->host = std::move(host);
  slot->unsynced = true;
  renderers_[slot->number] = slot;
  return slot->number;
}

bool BrowserProcess::RendererForked(int renderer) const {
  RendererSlot* slot = FindRenderer(renderer);
  return slot && slot->host->forked();
}

RendererSlot* BrowserProcess::FindRenderer(int renderer) const {
  auto it = renderers_.find(renderer);
  return it == renderers_.end() ? nullptr : it->second.get();
}

BrowserImpl* BrowserProcess::FindBrowser(int renderer, int browser_id) const {
  auto it = browsers_.find(browser_id);
  if (it == browsers_.end() || it->second->renderer() != renderer)
    return nullptr;
  return it->second.get();
}

CefRefPtr<CefBrowser> BrowserProcess::CreateBrowser(int renderer,
                                                    CefRefPtr<CefClient> client,
                                                    std::string* error) {
  RendererSlot* slot = FindRenderer(renderer);
  if (!slot || !slot->running) {
    *error = "renderer " + std::to_string(renderer) + " is not running";
    return NULL;
  }
  if (next_browser_ == std::numeric_limits<int>::max()) {
    *error = "no browser id is left";
    return NULL;
  }
  const int id = next_browser_++;
  if (!slot->host->CreateBrowser(id, error))
    return NULL;
  slot->unsynced = true;
  CefRefPtr<BrowserImpl> browser(new BrowserImpl(this, id, renderer, client));
  browsers_[id] = browser;
  if (client.get()) {
    CefRefPtr<CefLifeSpanHandler> handler = client->GetLifeSpanHandler();
    if (handler.get())
      handler->OnAfterCreated(browser.get());
  }
  return browser.get();
}

bool BrowserProcess::HasLiveRenderer(const BrowserImpl& browser) const {
  const RendererSlot* slot = FindRenderer(browser.renderer());
  return slot && slot->running && slot->host->channel_open();
}

bool BrowserProcess::Rehost(BrowserImpl* browser, std::string* error) {
  const int renderer = StartRenderer(error);
  if (!renderer)
    return false;
  if (!FindRenderer(renderer)->host->CreateBrowser(browser->id(), error)) {
    // A renderer that died between its start and the browser hosts nothing:
    // it is ended now, not left running until this object goes.
    ShutdownRenderer(renderer);
    return false;
  }
  browser->set_renderer(renderer);
  return true;
}

bool BrowserProcess::LoadMainFrame(CefRefPtr<CefBrowser> browser,
                                   const std::string& url,
                                   const std::string& script,
                                   std::string* error) {
  error->clear();
  auto it = browsers_.find(browser.get() ? browser->GetIdentifier() : 0);
  if (it == browsers_.end()) {
    *error = "the browser is closed";
    return false;
  }
  CefRefPtr<BrowserImpl> impl = it->second;
  CefRefPtr<CefClient> client = impl->client();
  CefRefPtr<CefRequestHandler> handler;
  if (client.get())
    handler = client->GetRequestHandler();
  if (handler.get()) {
    CefRefPtr<cef_base::RequestImpl> request(new cef_base::RequestImpl());
    request->SetURL(url);
    request->SetReadOnly();
    CefRefPtr<CefFrame> frame(new FrameImpl(impl, impl->url()));
    if (handler->OnBeforeBrowse(impl.get(), frame, request.get(), false))
      return false;
    // The handler may have closed the browser: nothing is loaded for it,
    // and no renderer is started to host it.
    if (impl->closed()) {
      *error = "the browser is closed";
      return false;
    }
  }
  if (!HasLiveRenderer(*impl) && !Rehost(impl.get(), error))
    return false;
  ipc::LoadFrame load;
  load.browser_id = impl->id();
  load.frame_id = impl->main_frame_id();
  load.is_main = true;
  load.url = url;
  load.script = unicode::Utf8ToUtf16(script);
  if (!SendLoad(impl.get(), load, error))
    return false;
  impl->set_url(url);
  return true;
}

bool BrowserProcess::SendLoad(BrowserImpl* browser,
                              const ipc::LoadFrame& load,
                              std::string* error) {
  for (bool first = true;; first = false) {
    RendererSlot* slot = FindRenderer(browser->renderer());
    if (slot->host->LoadFrame(load, error)) {
      slot->unsynced = true;
      return true;
    }
    if (!first || !slot->host->write_failed())
      return false;
    // The renderer closed its end before the loop saw it go (killed, or
    // crashed): its end is reported, then the page loads in a new renderer.
    const int failed = browser->renderer();
    std::vector<kivhost::HostEvent> events;
    slot->host->WaitForExit(kExitAfterFailedWrite, &events);
    Report(slot, &events);
    if (browser->closed()) {
      *error = "the browser is closed";
      return false;
    }
    // A client that reloaded the page from the report has given the browser
    // a new renderer already; another would be left running beside it.
    const bool rehosted =
        browser->renderer() != failed && HasLiveRenderer(*browser);
    if (!rehosted && !Rehost(browser, error))
      return false;
  }
}

bool BrowserProcess::CloseBrowser(CefRefPtr<CefBrowser> browser) {
  auto it = browsers_.find(browser.get() ? browser->GetIdentifier() : 0);
  if (it == browsers_.end())
    return false;
  CefRefPtr<BrowserImpl> impl = it->second;
  browsers_.erase(it);
  RendererSlot* slot = FindRenderer(impl->renderer());
  if (slot && slot->running) {
    std::string error;
    if (slot->host->DestroyBrowser(impl->id(), &error))
      slot->unsynced = true;
  }
  impl->Detach();
  CefRefPtr<CefClient> client = impl->client();
  if (client.get()) {
    CefRefPtr<CefLifeSpanHandler> handler = client->GetLifeSpanHandler();
    if (handler.get())
      handler->OnBeforeClose(impl.get());
  }
  return true;
}

bool BrowserProcess::KillRenderer(int renderer, int signal) {
  RendererSlot* slot = FindRenderer(renderer);
  return slot && slot->running && slot->host->Kill(signal);
}

void BrowserProcess::ShutdownRenderer(int renderer) {
  RendererSlot* slot = FindRenderer(renderer);
  if (!slot || !slot->running)
    return;
  std::vector<kivhost::HostEvent> events;
  std::string error;
  if (!slot->host->Shutdown(0, &error))
    slot->host->CloseChannel();
  slot->host->WaitForExit(timeout_, &events);
  Report(slot, &events);
}

pid_t BrowserProcess::RendererPid(int renderer) const {
  RendererSlot* slot = FindRenderer(renderer);
  return slot ? slot->host->pid() : 0;
}

int BrowserProcess::RendererOf(CefRefPtr<CefBrowser> browser) const {
  auto it = browsers_.find(browser.get() ? browser->GetIdentifier() : 0);
  return it == browsers_.end() ? 0 : it->second->renderer();
}

bool BrowserProcess::RendererRunning(int renderer) const {
  RendererSlot* slot = FindRenderer(renderer);
  return slot && slot->running;
}

bool BrowserProcess::SendToRenderer(const BrowserImpl& browser,
                                    CefRefPtr<CefProcessMessage> message) {
  RendererSlot* slot = FindRenderer(browser.renderer());
  if (!slot || !slot->running)
    return false;
  ipc::WireValue arguments;
  std::string error;
  if (!cef_process::ListToWire(message->GetArgumentList(), &arguments,
                               &error)) {
    return false;
  }
  const std::string name = message->GetName().ToString();
  if (!slot->host->SendLentProcessMessage(browser.id(), name, &arguments,
                                          &error)) {
    return false;
  }
  slot->unsynced = true;
  if (observer_)
    observer_->OnMessageToRenderer(browser.id(), name, arguments);
  return true;
}

void BrowserProcess::RunTasks() {
  loop_->ClearWake();
  loop_->RunReadyTasks();
}

void BrowserProcess::Report(RendererSlot* slot,
                            std::vector<kivhost::HostEvent>* events) {
  // Handling an event may send requests, which never touch |events|.
  for (kivhost::HostEvent& event : *events)
    Handle(slot, event);
  events->clear();
}

void BrowserProcess::Handle(RendererSlot* slot, kivhost::HostEvent& event) {
  if (observer_)
    observer_->OnRendererEvent(slot->number, event);
  if (auto* exited = std::get_if<kivhost::ProcessExited>(&event)) {
    HandleExit(slot, *exited);
    return;
  }
  auto* wire = std::get_if<ipc::Event>(&event);
  if (!wire)
    return;
  if (auto* sent = std::get_if<ipc::ProcessMessageSent>(wire)) {
    // A renderer speaks only for the browsers it hosts.
    CefRefPtr<BrowserImpl> browser =
        FindBrowser(slot->number, sent->browser_id);
    if (!browser.get() || !browser->client().get())
      return;
    // The converted tree becomes the received message itself, without a
    // copy, and the wire form goes before the client sees it: the observer
    // has had it, and nothing reads the event after this. For a message of
    // many values each tree is as large as the frame many times over.
    std::unique_ptr<cef_base::Value> arguments =
        cef_base::ReleaseList(cef_process::WireToList(sent->arguments));
    sent->arguments = ipc::WireValue();
    if (!arguments)
      return;
    cef_base::CallbackScope<CefProcessMessage> scope(
        cef_base::NewCallbackScopedMessage(sent->name, std::move(arguments),
                                           true));
    if (!scope.get().get())
      return;
    browser->client()->OnProcessMessageReceived(browser.get(), PID_RENDERER,
                                                scope.get());
  } else if (auto* console = std::get_if<ipc::ConsoleMessage>(wire)) {
    CefRefPtr<BrowserImpl> browser =
        FindBrowser(slot->number, console->browser_id);
    if (!browser.get() || !browser->client().get())
      return;
    CefRefPtr<CefDisplayHandler> handler =
        browser->client()->GetDisplayHandler();
    if (handler.get()) {
      handler->OnConsoleMessage(browser.get(), console->text, browser->url(),
                                0);
    }
  }
}

void BrowserProcess::HandleExit(RendererSlot* slot,
                                const kivhost::ProcessExited& exited) {
  slot->running = false;
  cef_termination_status_t status;
  if (!TerminationStatusOf(exited.status, &status))
    return;
  std::vector<CefRefPtr<BrowserImpl>> hosted;
  for (auto& entry : browsers_) {
    if (entry.second->renderer() == slot->number)
      hosted.push_back(entry.second);
  }
  for (CefRefPtr<BrowserImpl>& browser : hosted) {
    // A callback for an earlier one may have closed it: a closed browser
    // hears nothing after OnBeforeClose.
    if (browser->closed())
      continue;
    CefRefPtr<CefClient> client = browser->client();
    CefRefPtr<CefRequestHandler> handler;
    if (client.get())
      handler = client->GetRequestHandler();
    if (handler.get())
      handler->OnRenderProcessTerminated(browser.get(), status);
  }
}

void BrowserProcess::PollRenderers(Millis wait) {
  std::vector<RendererSlot*> live;
  for (auto& entry : renderers_) {
    if (entry.second->running)
      live.push_back(entry.second.get());
  }
  if (live.empty()) {
    loop_->WaitForWork(wait.count());
    return;
  }
  Millis slice = live.size() == 1 ? wait : std::min(wait, kPollSlice);
  std::vector<kivhost::HostEvent> events;
  for (RendererSlot* slot : live) {
    slot->host->Poll(slice, &events, loop_->wake_fd());
    Report(slot, &events);
    slice = Millis(0);
  }
}

void BrowserProcess::RunFor(Millis duration) {
  RunUntil(nullptr, duration);
}

bool BrowserProcess::RunUntil(const std::function<bool()>& done,
                              Millis timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    RunTasks();
    if (done && done())
      return true;
    Millis wait = Until(deadline);
    if (wait.count() == 0)
      return false;
    // From here a post from another thread writes the wake descriptor that
    // PollRenderers watches; read the queue only after the switch, so that
    // a post in between is seen either way.
    const int64 next_task = loop_->PrepareToSleep();
    if (next_task >= 0 && next_task < wait.count())
      wait = Millis(next_task);
    PollRenderers(wait);
    if (done && done())
      return true;
  }
}

bool BrowserProcess::Settle(bool* idle) {
  bool all_idle = true;
  bool answered = true;
  for (int round = 0; round < kMaxSettleRounds; ++round) {
    RunTasks();
    all_idle = true;
    for (auto& entry : renderers_) {
      RendererSlot* slot = entry.second.get();
      if (!slot->running)
        continue;
      slot->unsynced = false;
      std::vector<kivhost::HostEvent> events;
      bool slot_idle = false;
      kivhost::RendererHost::SyncResult result =
          slot->host->Sync(timeout_, &events, &slot_idle);
      Report(slot, &events);
      if (result == kivhost::RendererHost::SyncResult::kTimedOut)
        answered = false;
      if (result == kivhost::RendererHost::SyncResult::kReplied)
        all_idle = all_idle && slot_idle;
    }
    RunTasks();
    bool more = loop_->MillisUntilNextTask() == 0;
    for (auto& entry : renderers_)
      more = more || (entry.second->running && entry.second->unsynced);
    if (!more)
      break;
  }
  if (idle)
    *idle = all_idle;
  return answered;
}

}  // namespace cef_browser_process
