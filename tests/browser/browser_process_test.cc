// The framework's browser process on its own: threads, callback-scoped
// values, message direction and what a renderer's end is reported as.

#include <signal.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "browser_process/browser_process.h"
#include "gtest/gtest.h"
#include "tests/support/process_state.h"

namespace {

using cef_browser_process::BrowserProcess;
using cef_browser_process::Millis;
using test_support::DeadButNotReaped;

class ProbeApp : public CefApp, public CefBrowserProcessHandler {
 public:
  bool on_ui_thread = true;
  CefRefPtr<CefListValue> kept;

  // CefApp methods:
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override {
    return this;
  }

  // CefBrowserProcessHandler methods:
  void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) override {
    on_ui_thread = CefCurrentlyOn(TID_UI);
    EXPECT_EQ(0u, extra_info->GetSize());
    EXPECT_FALSE(extra_info->IsReadOnly());
    CefRefPtr<CefListValue> names = CefListValue::Create();
    names->SetString(0, "ask");
    extra_info->SetList(0, CefListValue::Create());
    extra_info->SetList(1, names);
    kept = extra_info;
  }

 private:
  IMPLEMENT_REFCOUNTING(ProbeApp);
};

class ProbeClient : public CefClient, public CefRequestHandler {
 public:
  CefRefPtr<CefProcessMessage> kept;
  std::string name;
  int terminations = 0;
  cef_termination_status_t status = TS_ABNORMAL_TERMINATION;

  // CefClient methods:
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override {
    EXPECT_TRUE(CefCurrentlyOn(TID_UI));
    EXPECT_EQ(PID_RENDERER, source_process);
    EXPECT_TRUE(message->IsReadOnly());
    name = message->GetName().ToString();
    kept = message;
    return true;
  }

  // CefRequestHandler methods:
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 TerminationStatus termination) override {
    ++terminations;
    status = termination;
    // Reloads the page, as an application may after a crash.
    if (reload_in) {
      std::string error;
      EXPECT_TRUE(
          reload_in->LoadMainFrame(browser, "test://reload.js", "", &error))
          << error;
    }
  }

  BrowserProcess* reload_in = nullptr;

 private:
  IMPLEMENT_REFCOUNTING(ProbeClient);
};

class BrowserProcessTest : public ::testing::Test {
 protected:
  BrowserProcessTest()
      : app_(new ProbeApp()),
        client_(new ProbeClient()),
        process_(app_.get(), KIV_SUBPROCESS_PATH) {}

  CefRefPtr<CefBrowser> Open(const std::string& script) {
    std::string error;
    renderer_ = process_.StartRenderer(&error);
    EXPECT_GT(renderer_, 0) << error;
    CefRefPtr<CefBrowser> browser =
        process_.CreateBrowser(renderer_, client_.get(), &error);
    EXPECT_TRUE(browser.get()) << error;
    EXPECT_TRUE(
        process_.LoadMainFrame(browser, "test://page.js", script, &error))
        << error;
    EXPECT_TRUE(process_.Settle(nullptr));
    return browser;
  }

  // Kills |renderer| and waits until it is dead but not reaped: the loop
  // has not seen the end.
  bool KillUnseen(int renderer) {
    const pid_t pid = process_.RendererPid(renderer);
    if (!process_.KillRenderer(renderer, SIGKILL))
      return false;
    for (int i = 0; i < 500 && !DeadButNotReaped(pid); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return DeadButNotReaped(pid);
  }

  CefRefPtr<ProbeApp> app_;
  CefRefPtr<ProbeClient> client_;
  BrowserProcess process_;
  int renderer_ = 0;
};

TEST_F(BrowserProcessTest, CallbackValuesAreScopedAndThreadsAreTheFrameworks) {
  CefRefPtr<CefBrowser> browser = Open("kivApi.query({name: 'ask', args: 1});");
  EXPECT_FALSE(app_->on_ui_thread);
  ASSERT_TRUE(app_->kept.get());
  EXPECT_FALSE(app_->kept->IsValid());  // valid only during the call
  EXPECT_EQ("kiv_jsapi", client_->name);
  ASSERT_TRUE(client_->kept.get());
  EXPECT_FALSE(client_->kept->IsValid());

  // Process messages go out only on the UI thread and only to the renderer.
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("x");
  EXPECT_TRUE(browser->SendProcessMessage(PID_RENDERER, message));
  EXPECT_FALSE(browser->SendProcessMessage(PID_BROWSER, message));
  bool sent_elsewhere = true;
  std::thread other([&] {
    sent_elsewhere = browser->SendProcessMessage(PID_RENDERER, message);
  });
  other.join();
  EXPECT_FALSE(sent_elsewhere);

  // CefPostTask(TID_UI) runs on the loop of the thread that owns it.
  class Flag : public CefTask {
   public:
    explicit Flag(bool* ran) : ran_(ran) {}
    void Execute() override { *ran_ = CefCurrentlyOn(TID_UI); }

   private:
    bool* ran_;
    IMPLEMENT_REFCOUNTING(Flag);
  };
  bool ran = false;
  std::thread poster([&] { EXPECT_TRUE(CefPostTask(TID_UI, new Flag(&ran))); });
  poster.join();
  EXPECT_FALSE(ran);
  EXPECT_TRUE(process_.RunUntil([&] { return ran; }, Millis(5000)));

  // A closed browser sends nothing.
  EXPECT_TRUE(process_.CloseBrowser(browser));
  EXPECT_FALSE(browser->SendProcessMessage(PID_RENDERER, message));
  EXPECT_FALSE(process_.CloseBrowser(browser));
}

// A task posted while the UI loop waits on a live renderer's channel wakes
// the loop at once: the wait would otherwise last until its time-out.
TEST_F(BrowserProcessTest, APostFromAnotherThreadWakesAWaitingLoop) {
  Open("");
  class Count : public CefTask {
   public:
    explicit Count(int* ran) : ran_(ran) {}
    void Execute() override { ++*ran_; }

   private:
    int* ran_;
    IMPLEMENT_REFCOUNTING(Count);
  };
  int ran = 0;
  for (int round = 1; round <= 3; ++round) {
    std::thread poster([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      EXPECT_TRUE(CefPostTask(TID_UI, new Count(&ran)));
    });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(process_.RunUntil([&] { return ran == round; }, Millis(20000)));
    poster.join();
    // A missed wake-up shows as a wait to the very end of the time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::seconds(10))
        << "round " << round;
  }
}

// In the browser process a browser may be asked about its page from any
// thread while the UI thread navigates it.
TEST_F(BrowserProcessTest, ABrowserCanBeReadOnAnotherThreadDuringANavigation) {
  CefRefPtr<CefBrowser> browser = Open("");
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop.load()) {
      const std::string url = browser->GetMainFrame()->GetURL().ToString();
      EXPECT_TRUE(url == "test://page.js" || url == "test://next.js") << url;
      EXPECT_TRUE(browser->HasDocument());
    }
  });
  std::string error;
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(process_.LoadMainFrame(
        browser, i % 2 ? "test://page.js" : "test://next.js", "", &error))
        << error;
  }
  stop.store(true);
  reader.join();
  EXPECT_TRUE(process_.Settle(nullptr));
}

TEST_F(BrowserProcessTest, OnlyAnUnexpectedEndIsATermination) {
  CefRefPtr<CefBrowser> browser = Open("");
  process_.ShutdownRenderer(renderer_);
  EXPECT_FALSE(process_.RendererRunning(renderer_));
  EXPECT_EQ(0, client_->terminations);

  Open("");
  ASSERT_TRUE(process_.KillRenderer(renderer_, SIGKILL));
  ASSERT_TRUE(process_.RunUntil([&] { return client_->terminations > 0; },
                                Millis(5000)));
  EXPECT_EQ(TS_PROCESS_WAS_KILLED, client_->status);

  kivhost::ExitStatus status;
  cef_termination_status_t termination;
  status.signaled = true;
  status.signal = SIGSEGV;
  ASSERT_TRUE(cef_browser_process::TerminationStatusOf(status, &termination));
  EXPECT_EQ(TS_PROCESS_CRASHED, termination);
  status.signaled = false;
  status.code = 3;
  ASSERT_TRUE(cef_browser_process::TerminationStatusOf(status, &termination));
  EXPECT_EQ(TS_ABNORMAL_TERMINATION, termination);
  status.code = 0;
  EXPECT_FALSE(cef_browser_process::TerminationStatusOf(status, &termination));
}

// A navigation right after its renderer died, before the loop saw the end,
// hears of the end first and then loads in a new renderer; when the report
// of the end reloads the page, in the renderer the reload started, with no
// other left running.
TEST_F(BrowserProcessTest, ANavigationAfterAKillLoadsInANewRenderer) {
  for (const bool reload : {false, true}) {
    SCOPED_TRACE(reload ? "reloaded on the report" : "not reloaded");
    client_->reload_in = reload ? &process_ : nullptr;
    client_->terminations = 0;
    client_->name.clear();
    CefRefPtr<CefBrowser> browser = Open("");
    const int killed = renderer_;
    ASSERT_TRUE(KillUnseen(killed));
    std::string error;
    ASSERT_TRUE(process_.LoadMainFrame(browser, "test://next.js",
                                       "kivApi.query({name: 'ask', args: 2});",
                                       &error))
        << error;
    EXPECT_EQ(1, client_->terminations);
    EXPECT_EQ(TS_PROCESS_WAS_KILLED, client_->status);
    EXPECT_EQ(killed + 1, process_.RendererOf(browser));
    EXPECT_FALSE(process_.RendererRunning(killed + 2));
    ASSERT_TRUE(process_.RunUntil([&] { return client_->name == "kiv_jsapi"; },
                                  Millis(5000)));
  }
}

TEST_F(BrowserProcessTest, RenderersFromTheThirdOnAreForkedAndEndAlike) {
  for (int i = 0; i < 2; ++i) {
    Open("");
    EXPECT_FALSE(process_.RendererForked(renderer_));
    process_.ShutdownRenderer(renderer_);
  }
  // The zygote started beside the second renderer; a forked renderer runs
  // its page, and its end is seen as an exec'd one's.
  CefRefPtr<CefBrowser> browser = Open("kivApi.query({name: 'ask', args: 1});");
  EXPECT_TRUE(process_.RendererForked(renderer_));
  EXPECT_EQ("kiv_jsapi", client_->name);
  EXPECT_TRUE(process_.RendererRunning(renderer_));
  ASSERT_TRUE(process_.KillRenderer(renderer_, SIGKILL));
  ASSERT_TRUE(process_.RunUntil([&] { return client_->terminations > 0; },
                                Millis(5000)));
  EXPECT_EQ(TS_PROCESS_WAS_KILLED, client_->status);
  EXPECT_EQ(1, client_->terminations);
}

TEST(BrowserProcessZygoteTest, WithoutTheZygoteEveryRendererIsExeced) {
  BrowserProcess process(nullptr, KIV_SUBPROCESS_PATH);
  process.set_use_zygote(false);
  std::string error;
  for (int i = 0; i < 3; ++i) {
    int renderer = process.StartRenderer(&error);
    ASSERT_GT(renderer, 0) << error;
    EXPECT_FALSE(process.RendererForked(renderer));
    process.ShutdownRenderer(renderer);
  }
}

// Closes a browser from inside another callback, as an application may.
class ClosingClient : public CefClient,
                      public CefLifeSpanHandler,
                      public CefRequestHandler {
 public:
  explicit ClosingClient(BrowserProcess* process) : process_(process) {}

  CefRefPtr<CefBrowser> close_on_termination;
  bool close_on_navigation = false;
  std::vector<std::string> log;

  // CefClient methods:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

  // CefLifeSpanHandler methods:
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override {
    log.push_back("close " + std::to_string(browser->GetIdentifier()));
  }

  // CefRequestHandler methods:
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request,
                      bool is_redirect) override {
    if (close_on_navigation)
      process_->CloseBrowser(browser);
    return false;
  }
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 TerminationStatus termination) override {
    log.push_back("terminated " + std::to_string(browser->GetIdentifier()));
    if (close_on_termination.get()) {
      process_->CloseBrowser(close_on_termination);
      close_on_termination = NULL;
    }
  }

 private:
  BrowserProcess* const process_;

  IMPLEMENT_REFCOUNTING(ClosingClient);
};

TEST(BrowserProcessCloseTest, ABrowserClosedInACallbackHearsNothingMore) {
  BrowserProcess process(nullptr, KIV_SUBPROCESS_PATH);
  CefRefPtr<ClosingClient> client(new ClosingClient(&process));
  std::string error;
  const int renderer = process.StartRenderer(&error);
  ASSERT_GT(renderer, 0) << error;
  CefRefPtr<CefBrowser> first =
      process.CreateBrowser(renderer, client.get(), &error);
  CefRefPtr<CefBrowser> second =
      process.CreateBrowser(renderer, client.get(), &error);
  ASSERT_TRUE(first.get() && second.get()) << error;

  // The first one's termination closes the second: its renderer's end is
  // not reported to it after its close.
  client->close_on_termination = second;
  ASSERT_TRUE(process.KillRenderer(renderer, SIGKILL));
  ASSERT_TRUE(process.RunUntil(
      [&] { return !process.RendererRunning(renderer); }, Millis(5000)));
  EXPECT_EQ(std::vector<std::string>({"terminated 1", "close 2"}), client->log);

  // A navigation whose OnBeforeBrowse closes the browser does not load,
  // nor start a renderer for it.
  client->close_on_navigation = true;
  EXPECT_FALSE(process.LoadMainFrame(first, "test://page.js", "", &error));
  EXPECT_EQ("the browser is closed", error);
  EXPECT_FALSE(process.RendererRunning(renderer + 1));
}

}  // namespace
