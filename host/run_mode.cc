#include "host/run_mode.h"

#include <algorithm>
#include <utility>

#include "browser/kiv_bridge.h"
#include "browser_process/browser_process.h"
#include "host/run_transcript.h"
#include "host/script_file.h"
#include "include/cef_app.h"
#include "include/cef_client.h"

namespace kivhost {

namespace {

using Clock = std::chrono::steady_clock;

// Answers every query once with its own argument.
class EchoHandler : public KivQueryHandler {
 public:
  // KivQueryHandler methods:
  void OnQuery(CefRefPtr<CefBrowser> browser,
               const CefString& name,
               CefRefPtr<CefListValue> args,
               CefRefPtr<KivResponder> responder) override {
    responder->Reply(true, args, 0, nullptr);
    responder->Finish();
  }

 private:
  IMPLEMENT_REFCOUNTING(EchoHandler);
};

// The application as a browser process wires the bridge: names announced to
// every renderer, messages and browser life forwarded to it.
class RunApp : public CefApp, public CefBrowserProcessHandler {
 public:
  explicit RunApp(CefRefPtr<KivBridge> bridge) : bridge_(bridge) {}

  // CefApp methods:
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override {
    return this;
  }

  // CefBrowserProcessHandler methods:
  void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) override {
    bridge_->OnRenderProcessThreadCreated(extra_info);
  }

 private:
  const CefRefPtr<KivBridge> bridge_;

  IMPLEMENT_REFCOUNTING(RunApp);
};

class RunClient : public CefClient,
                  public CefLifeSpanHandler,
                  public CefRequestHandler {
 public:
  RunClient(CefRefPtr<KivBridge> bridge, Transcript* transcript)
      : bridge_(bridge), transcript_(transcript) {}

  // CefClient methods:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override {
    const KivBridge::Counts before = bridge_->GetCounts();
    if (!bridge_->OnProcessMessageReceived(browser, source_process, message))
      return false;
    const KivBridge::Counts after = bridge_->GetCounts();
    if (after.malformed != before.malformed) {
      transcript_->Print(
          "-- not a query (expected [request id, query name, [argument]]); "
          "dropped");
    } else if (after.unannounced != before.unannounced) {
      transcript_->Print("-- a query of a name never announced; dropped");
    }
    return true;
  }

  // CefLifeSpanHandler methods:
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
    bridge_->OnAfterCreated(browser);
  }
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override {
    bridge_->OnBeforeClose(browser);
  }

  // CefRequestHandler methods:
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request,
                      bool is_redirect) override {
    return bridge_->OnBeforeBrowse(browser, frame, request, is_redirect);
  }
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 TerminationStatus status) override {
    bridge_->OnRenderProcessTerminated(browser, status);
  }

 private:
  const CefRefPtr<KivBridge> bridge_;
  Transcript* const transcript_;  // not owned; outlives the client's use

  IMPLEMENT_REFCOUNTING(RunClient);
};

class PageRun {
 public:
  PageRun(const RunOptions& options,
          const std::function<void(const std::string&)>& write_line)
      : options_(options), transcript_(write_line) {}

  int Run();

 private:
  void Print(const std::string& line) { transcript_.Print(line); }
  bool Register();
  void RaiseTick();
  // Until the renderer has reported all that was sent so far caused; |idle|
  // (may be null) tells whether it then had nothing queued.
  bool Settle(bool* idle);
  int Finish();

  const RunOptions& options_;
  Transcript transcript_;
  CefRefPtr<KivBridge> bridge_;
  std::unique_ptr<cef_browser_process::BrowserProcess> process_;
  int renderer_ = 0;
  int ticks_sent_ = 0;
};

bool PageRun::Register() {
  bridge_ = new KivBridge();
  CefRefPtr<EchoHandler> echo(new EchoHandler());
  std::string error;
  for (const std::string& name : options_.query_names) {
    if (!bridge_->AddQuery(name, echo.get(), &error)) {
      Print("kivhost: query " + QuotedText(name) + ": " + error);
      return false;
    }
  }
  for (const std::string& name : options_.event_names) {
    if (!bridge_->AddEvent(name, &error)) {
      Print("kivhost: event " + QuotedText(name) + ": " + error);
      return false;
    }
  }
  return true;
}

void PageRun::RaiseTick() {
  ++ticks_sent_;
  std::string error;
  for (const std::string& name : options_.event_names) {
    if (!bridge_->SendEventToAll(name, ticks_sent_, &error))
      Print("-- not sent: " + error);
  }
}

bool PageRun::Settle(bool* idle) {
  if (transcript_.exited())
    return false;
  if (!process_->Settle(idle)) {
    Print("-- the renderer did not answer within " +
          std::to_string(options_.timeout.count()) + " ms");
    return false;
  }
  return true;
}

int PageRun::Finish() {
  if (!transcript_.exited()) {
    Print("-> shut down");
    process_->ShutdownRenderer(renderer_);
  }
  return transcript_.exit_code();
}

int PageRun::Run() {
  std::string script;
  std::string error;
  const std::string page = "the page " + QuotedText(options_.page);
  if (!ReadScriptFile(options_.page, page, page, &script, &error)) {
    Print("kivhost: " + error);
    return kRunStartFailed;
  }
  if (!Register())
    return kRunUsageError;

  process_ = std::make_unique<cef_browser_process::BrowserProcess>(
      new RunApp(bridge_), options_.renderer);
  process_->set_observer(&transcript_);
  process_->set_timeout(options_.timeout);
  process_->set_use_zygote(options_.use_zygote);
  renderer_ = process_->StartRenderer(&error);
  if (!renderer_) {
    Print("kivhost: " + error);
    return kRunStartFailed;
  }
  Print("kivhost: renderer " + options_.renderer + " started (pid " +
        std::to_string(process_->RendererPid(renderer_)) + ")");
  Print("-> start render thread: callback names " +
        NameListText(options_.event_names) + ", query names " +
        NameListText(options_.query_names));

  CefRefPtr<RunClient> client(new RunClient(bridge_, &transcript_));
  Print("-> create browser 1");
  CefRefPtr<CefBrowser> browser =
      process_->CreateBrowser(renderer_, client.get(), &error);
  const std::string url = options_.url.empty() ? options_.page : options_.url;
  bool loaded = false;
  if (browser.get()) {
    Print("-> load main frame 1 with " + url + " (" +
          std::to_string(script.size()) + " bytes)");
    loaded = process_->LoadMainFrame(browser, url, script, &error);
    if (!loaded)
      Print("-- not loaded: " + error);
  } else {
    Print("-- " + error);
  }
  if (!loaded) {
    // Nothing of the page runs: the renderer's exit code would tell nothing.
    Finish();
    process_.reset();
    return kRunStartFailed;
  }

  const Clock::time_point limit = Clock::now() + options_.time_limit;
  const bool ticking = !options_.event_names.empty() && options_.ticks > 0;
  // The page has loaded once the renderer answers a first barrier; the
  // ticks start from there.
  Settle(nullptr);
  Clock::time_point next_tick = Clock::now() + options_.tick_interval;
  while (!transcript_.exited()) {
    const Clock::time_point now = Clock::now();
    if (now >= limit) {
      Print("-- time limit of " + std::to_string(options_.time_limit.count()) +
            " ms reached");
      break;
    }
    const bool ticks_left = ticking && ticks_sent_ < options_.ticks;
    if (ticks_left && now >= next_tick) {
      RaiseTick();
      Settle(nullptr);
      next_tick = Clock::now() + options_.tick_interval;
      continue;
    }
    if (!ticks_left) {
      bool idle = false;
      if (Settle(&idle) && idle) {
        Print("-- the page has nothing left to do");
        break;
      }
      if (transcript_.exited())
        break;
    }
    Clock::time_point wake = ticks_left ? std::min(next_tick, limit) : limit;
    Millis wait = std::chrono::duration_cast<Millis>(wake - Clock::now());
    if (!ticks_left && wait > Millis(50))
      wait = Millis(50);  // look again soon whether the page has settled
    if (wait.count() > 0) {
      process_->RunFor(wait);
      Settle(nullptr);
    }
  }
  const int code = Finish();
  process_.reset();
  return code;
}

}  // namespace

int RunPage(const RunOptions& options,
            const std::function<void(const std::string&)>& write_line) {
  PageRun run(options, write_line);
  return run.Run();
}

}  // namespace kivhost
