// The render side end to end through the harness: handler call order,
// extensions and native functions, script runs, process messages, tasks and
// context release.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "harness/renderer_harness.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_task.h"
#include "tests/framework_v8/test_app.h"
#include "v8/render_thread.h"

namespace v8test {
namespace {

using cef_harness::RendererHarness;

TEST(HarnessLifecycle, HandlerCallsFollowTheFrameworkOrder) {
  CefRefPtr<TestApp> app(new TestApp());
  CefRefPtr<CefListValue> extra = CefListValue::Create();
  extra->SetString(0, "first");
  std::string seen_extra;
  bool extra_read_only = false;
  CefRefPtr<CefListValue> kept_info;
  app->on_thread_created = [&](CefRefPtr<CefListValue> info) {
    seen_extra = info->GetString(0).ToString();
    extra_read_only = info->IsReadOnly();
    kept_info = info;
  };
  {
    RendererHarness harness(app.get(), extra);
    const int browser = harness.CreateBrowser();
    ASSERT_EQ(1, browser);
    const int64 frame = harness.CreateFrame(browser, "", true);
    ASSERT_NE(0, frame);
    harness.ReleaseContext(browser, frame);
    EXPECT_TRUE(harness.Navigate(browser, frame));
    harness.DestroyBrowser(browser);
    const std::string f = std::to_string(frame);
    EXPECT_EQ((std::vector<std::string>{
                  "OnRenderThreadCreated", "OnWebKitInitialized",
                  "OnBrowserCreated:1", "OnContextCreated:" + f,
                  "OnContextReleased:" + f, "OnContextCreated:" + f,
                  "OnContextReleased:" + f, "OnBrowserDestroyed:1"}),
              app->calls);
  }
  EXPECT_EQ("first", seen_extra);
  EXPECT_TRUE(extra_read_only);
  // Valid only during the call; the caller's list is untouched.
  ASSERT_TRUE(kept_info.get());
  EXPECT_FALSE(kept_info->IsValid());
  EXPECT_EQ("first", extra->GetString(0).ToString());
}

TEST(HarnessLifecycle, DestroyingTheHarnessReleasesEverything) {
  CefRefPtr<TestApp> app(new TestApp());
  CefRefPtr<CefV8Context> kept;
  app->on_context_created = [&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                CefRefPtr<CefV8Context> context) {
    kept = context;
  };
  {
    RendererHarness harness(app.get(), nullptr);
    const int browser = harness.CreateBrowser();
    harness.CreateFrame(browser, "", true);
    harness.CreateFrame(browser, "child", false);
    ASSERT_TRUE(kept.get());
    EXPECT_TRUE(kept->IsValid());
  }
  // Two contexts released, then the browser: sub-frame first.
  ASSERT_EQ(8u, app->calls.size());
  EXPECT_EQ("OnContextReleased:2", app->calls[5]);
  EXPECT_EQ("OnContextReleased:1", app->calls[6]);
  EXPECT_EQ("OnBrowserDestroyed:1", app->calls[7]);
  EXPECT_FALSE(kept->IsValid());
  EXPECT_FALSE(kept->GetGlobal().get());
}

// A handler may destroy the browser while its contexts are being released:
// every context is still released once, and the browser destroyed once.
TEST(HarnessLifecycle, BrowserDestroyedDuringItsOwnDestructionEndsOnce) {
  CefRefPtr<TestApp> app(new TestApp());
  RendererHarness* harness_in_use = nullptr;
  int browser = 0;
  app->on_context_released = [&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                 CefRefPtr<CefV8Context>) {
    harness_in_use->DestroyBrowser(browser);
  };
  app->on_browser_destroyed = [&](CefRefPtr<CefBrowser>) {
    harness_in_use->DestroyBrowser(browser);
  };
  RendererHarness harness(app.get(), nullptr);
  harness_in_use = &harness;
  browser = harness.CreateBrowser();
  harness.CreateFrame(browser, "", true);
  harness.CreateFrame(browser, "a", false);
  harness.CreateFrame(browser, "b", false);
  app->calls.clear();
  harness.DestroyBrowser(browser);
  EXPECT_EQ(
      (std::vector<std::string>{"OnContextReleased:2", "OnContextReleased:3",
                                "OnContextReleased:1", "OnBrowserDestroyed:1"}),
      app->calls);
  EXPECT_FALSE(harness.GetBrowser(browser).get());
}

TEST(HarnessLifecycle, RenderersCanFollowOneAnother) {
  for (int i = 0; i < 3; ++i) {
    CefRefPtr<TestApp> app(new TestApp());
    RendererHarness harness(app.get(), nullptr);
    const int browser = harness.CreateBrowser();
    const int64 frame = harness.CreateFrame(browser, "", true);
    EXPECT_EQ("42", harness.Eval(browser, frame, "6 * 7"));
  }
}

TEST(HarnessLifecycle, RefusesBadBrowsersAndFrames) {
  RendererHarness harness(nullptr, nullptr);
  EXPECT_EQ(0, harness.CreateFrame(7, "", true));
  const int browser = harness.CreateBrowser();
  EXPECT_NE(0, harness.CreateFrame(browser, "", true));
  EXPECT_EQ(0, harness.CreateFrame(browser, "", true));  // second main frame
  EXPECT_FALSE(harness.GetBrowser(99).get());
  EXPECT_FALSE(harness.DeliverMessage(browser, CefProcessMessage::Create("m")));
  EXPECT_EQ("exception: no such frame", harness.Eval(browser, 99, "1"));
}

// An extension whose native functions echo, throw, refuse or return nothing.
class ExtensionTest : public testing::Test {
 protected:
  void SetUp() override {
    app_ = new TestApp();
    handler_ = new FunctionHandler(
        [this](const CefString& name, CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
               CefString& exception) {
          const std::string n = name.ToString();
          receiver_was_global_ =
              object.get() &&
              CefV8Context::GetCurrentContext()->GetGlobal()->IsSame(object);
          argument_count_ = arguments.size();
          if (n == "echo") {
            retval = arguments.empty() ? nullptr : arguments[0];
            return true;
          }
          if (n == "fail") {
            exception = "native failure";
            return true;
          }
          if (n == "refuse") {
            exception = "discarded";
            retval = CefV8Value::CreateInt(5);
            return false;
          }
          return true;  // nothing: undefined
        });
    app_->on_webkit_initialized = [this] {
      registered_ = CefRegisterExtension(
          "v8test/ext",
          "var ext = {};"
          "(function() {"
          "  native function echo();"
          "  native function fail();"
          "  native function refuse();"
          "  native function nothing();"
          "  ext.echo = echo; ext.fail = fail;"
          "  ext.refuse = refuse; ext.nothing = nothing;"
          "})();"
          "var extensionRanFirst = typeof pageValue === 'undefined';",
          handler_.get());
    };
    harness_ = std::make_unique<RendererHarness>(app_.get(), nullptr);
    browser_ = harness_->CreateBrowser();
    frame_ = harness_->CreateFrame(browser_, "", true);
  }

  std::string Eval(const std::string& code) {
    return harness_->Eval(browser_, frame_, code);
  }

  CefRefPtr<TestApp> app_;
  CefRefPtr<FunctionHandler> handler_;
  std::unique_ptr<RendererHarness> harness_;
  int browser_ = 0;
  int64 frame_ = 0;
  bool registered_ = false;
  bool receiver_was_global_ = false;
  size_t argument_count_ = 0;
};

TEST_F(ExtensionTest, RunsInEveryContextBeforePageScript) {
  EXPECT_TRUE(registered_);
  EXPECT_EQ("true", Eval("extensionRanFirst"));
  const int64 child = harness_->CreateFrame(browser_, "child", false);
  EXPECT_EQ("\"function\"", harness_->Eval(browser_, child, "typeof ext.echo"));
  // Registration is closed once a context exists.
  EXPECT_FALSE(CefRegisterExtension("late", "var late = 1;", nullptr));
}

TEST_F(ExtensionTest, NativeFunctionsReachTheHandlerByDeclaredName) {
  EXPECT_EQ("[1,\"two\",{\"three\":3}]",
            Eval("ext.echo([1, 'two', {three: 3}])"));
  EXPECT_FALSE(receiver_was_global_);  // the receiver is `ext`
  EXPECT_EQ(1u, argument_count_);
  // A plain call gets the global object as its receiver.
  EXPECT_EQ("5", Eval("var plain = ext.echo; plain(5)"));
  EXPECT_TRUE(receiver_was_global_);
  EXPECT_EQ("3", Eval("ext.nothing(1, undefined, 3); 3"));
  EXPECT_EQ(3u, argument_count_);
  EXPECT_EQ((std::vector<std::string>{"echo", "echo", "nothing"}),
            handler_->names);
}

TEST_F(ExtensionTest, ExceptionTextBecomesAnError) {
  EXPECT_EQ("\"Error|native failure|Error: native failure\"",
            Eval("try { ext.fail(); } catch (e) {"
                 "  [e instanceof Error ? 'Error' : 'other', e.message,"
                 "   String(e)].join('|') }"));
  EXPECT_EQ("exception: Uncaught Error: native failure", Eval("ext.fail()"));
}

TEST_F(ExtensionTest, EmptyResultsAndRefusalsGiveUndefined) {
  EXPECT_EQ("true", Eval("ext.nothing() === undefined"));
  EXPECT_EQ("true", Eval("ext.echo() === undefined"));
  // Returning false discards both the exception and the value.
  EXPECT_EQ("true", Eval("ext.refuse() === undefined"));
}

TEST(ExtensionFailure, BrokenExtensionCodeFailsContextCreation) {
  CefRefPtr<TestApp> app(new TestApp());
  app->on_webkit_initialized = [] {
    // Accepted without checking the code, as the framework does.
    EXPECT_TRUE(
        CefRegisterExtension("broken", "throw new Error('x');", nullptr));
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  EXPECT_EQ(0, harness.CreateFrame(browser, "", true));
  EXPECT_FALSE(harness.TakeUncaughtExceptions().empty());
}

TEST(ExtensionFailure, RegistrationRefusesEmptyNameOrCode) {
  CefRefPtr<TestApp> app(new TestApp());
  std::vector<bool> results;
  app->on_webkit_initialized = [&] {
    results.push_back(CefRegisterExtension("", "var a;", nullptr));
    results.push_back(CefRegisterExtension("b", "", nullptr));
    results.push_back(CefRegisterExtension("c", "var c = 1;", nullptr));
    results.push_back(CefRegisterExtension("c", "var c = 2;", nullptr));
  };
  RendererHarness harness(app.get(), nullptr);
  EXPECT_EQ((std::vector<bool>{false, false, true, false}), results);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  EXPECT_EQ("1", harness.Eval(browser, frame, "c"));
  // Outside a renderer nothing registers.
}

// Extension names are compared as registered, every UTF-16 code unit: names
// that differ only after a NUL (where V8, reading C strings, would stop) or
// only in unpaired surrogates are distinct extensions, and all of them run.
TEST(ExtensionFailure, NamesAreComparedUnitForUnit) {
  CefRefPtr<TestApp> app(new TestApp());
  std::vector<bool> results;
  app->on_webkit_initialized = [&] {
    results.push_back(CefRegisterExtension(CefString(std::string("n\0x", 3)),
                                           "var first = 1;", nullptr));
    results.push_back(CefRegisterExtension(CefString(std::string("n\0y", 3)),
                                           "var second = 2;", nullptr));
    results.push_back(CefRegisterExtension(CefString(std::string("\0", 1)),
                                           "var third = 3;", nullptr));
    // Names that differ only in unpaired surrogates share a UTF-8 form.
    const char16 high[] = {'s', 0xD800};
    const char16 low[] = {'s', 0xDC00};
    results.push_back(CefRegisterExtension(CefString(high, 2, true),
                                           "var fourth = 4;", nullptr));
    results.push_back(CefRegisterExtension(CefString(low, 2, true),
                                           "var fifth = 5;", nullptr));
  };
  RendererHarness harness(app.get(), nullptr);
  EXPECT_EQ((std::vector<bool>{true, true, true, true, true}), results);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  EXPECT_EQ(
      "[1,2,3,4,5]",
      harness.Eval(browser, frame, "[first, second, third, fourth, fifth]"));
}

TEST(HarnessScript, RunReportsResultsAndExceptions) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  std::string result, exception;
  EXPECT_TRUE(
      harness.Run(browser, frame, "({a: [1, 2]})", &result, &exception));
  EXPECT_EQ("{\"a\":[1,2]}", result);
  EXPECT_TRUE(harness.Run(browser, frame, "undefined", &result, nullptr));
  EXPECT_EQ("undefined", result);
  EXPECT_FALSE(harness.Run(browser, frame, "throw new TypeError('bad')",
                           nullptr, &exception));
  EXPECT_EQ("Uncaught TypeError: bad", exception);
  EXPECT_FALSE(harness.Run(browser, frame, "var o = {}; o.o = o; o", nullptr,
                           &exception));
  EXPECT_NE(std::string::npos, exception.find("JSON"));
  EXPECT_EQ("exception: Uncaught SyntaxError: Unexpected end of input",
            harness.Eval(browser, frame, "(1 +"));
  // Run's exceptions go to the caller only.
  EXPECT_TRUE(harness.TakeUncaughtExceptions().empty());
}

TEST(HarnessScript, PageScriptExceptionsAreReported) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  EXPECT_TRUE(harness.LoadScript(browser, frame, "var loaded = 1;"));
  EXPECT_FALSE(harness.LoadScript(browser, frame, "throw new Error('boom')"));
  EXPECT_EQ(std::vector<std::string>{"Uncaught Error: boom"},
            harness.TakeUncaughtExceptions());
  EXPECT_EQ("1", harness.Eval(browser, frame, "loaded"));
}

TEST(HarnessScript, FramesHaveSeparateGlobals) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 main = harness.CreateFrame(browser, "", true);
  const int64 child = harness.CreateFrame(browser, "child", false);
  harness.Eval(browser, main, "var shared = 'main'");
  EXPECT_EQ("\"undefined\"", harness.Eval(browser, child, "typeof shared"));
  EXPECT_EQ("true", harness.Eval(browser, child, "window === this"));
  EXPECT_FALSE(harness.GetContext(browser, main)
                   ->IsSame(harness.GetContext(browser, child)));
  EXPECT_TRUE(harness.GetContext(browser, main)
                  ->IsSame(harness.GetContext(browser, main)));
}

TEST(HarnessMessages, SentMessagesAreRecordedAsCopies) {
  CefRefPtr<TestApp> app(new TestApp());
  CefRefPtr<CefBrowser> kept;
  app->on_browser_created = [&](CefRefPtr<CefBrowser> browser) {
    kept = browser;
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  ASSERT_TRUE(kept.get());
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("hello");
  message->GetArgumentList()->SetInt(0, 7);
  EXPECT_TRUE(kept->SendProcessMessage(PID_BROWSER, message));
  // The message stays usable and may be changed and sent again.
  message->GetArgumentList()->SetInt(0, 8);
  EXPECT_TRUE(kept->SendProcessMessage(PID_BROWSER, message));
  std::vector<cef_harness::SentMessage> sent = harness.TakeSentMessages();
  ASSERT_EQ(2u, sent.size());
  EXPECT_EQ(browser, sent[0].browser_id);
  EXPECT_EQ("hello", sent[0].message->GetName().ToString());
  EXPECT_EQ(7, sent[0].message->GetArgumentList()->GetInt(0));
  EXPECT_EQ(8, sent[1].message->GetArgumentList()->GetInt(0));
  EXPECT_TRUE(harness.TakeSentMessages().empty());

  harness.SetSendResult(false);
  EXPECT_FALSE(kept->SendProcessMessage(PID_BROWSER, message));
  EXPECT_TRUE(harness.TakeSentMessages().empty());
  EXPECT_FALSE(kept->SendProcessMessage(PID_BROWSER, nullptr));

  harness.SetSendResult(true);
  harness.DestroyBrowser(browser);
  EXPECT_FALSE(kept->SendProcessMessage(PID_BROWSER, message));
  EXPECT_EQ(0, kept->GetIdentifier());
}

TEST(HarnessMessages, DeliveredMessagesReachTheHandlerWithNoContext) {
  CefRefPtr<TestApp> app(new TestApp());
  bool in_context = true;
  CefProcessId source = PID_RENDERER;
  int browser_seen = 0;
  int argument = 0;
  bool read_only = false;
  CefRefPtr<CefProcessMessage> kept;
  app->on_message = [&](CefRefPtr<CefBrowser> browser, CefProcessId from,
                        CefRefPtr<CefProcessMessage> message) {
    in_context = CefV8Context::InContext();
    read_only = message->IsReadOnly();
    kept = message;
    source = from;
    browser_seen = browser->GetIdentifier();
    argument = message->GetArgumentList()->GetInt(0);
    return true;
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("ping");
  message->GetArgumentList()->SetInt(0, 3);
  EXPECT_TRUE(harness.DeliverMessage(browser, message));
  EXPECT_FALSE(in_context);
  EXPECT_EQ(PID_BROWSER, source);
  EXPECT_EQ(browser, browser_seen);
  EXPECT_EQ(3, argument);
  EXPECT_TRUE(read_only);
  ASSERT_TRUE(kept.get());
  EXPECT_FALSE(kept->IsValid());
  EXPECT_TRUE(message->IsValid());  // the sender's message is its own
  EXPECT_FALSE(harness.DeliverMessage(browser, nullptr));
  app->on_message = nullptr;
  EXPECT_FALSE(harness.DeliverMessage(browser, message));
}

TEST(HarnessTasks, PostedTasksRunLaterOnTheRenderThread) {
  RendererHarness harness(nullptr, nullptr);
  std::vector<int> order;
  CefRefPtr<CefTaskRunner> runner = CefTaskRunner::GetForThread(TID_RENDERER);
  ASSERT_TRUE(runner.get());
  EXPECT_TRUE(runner->BelongsToCurrentThread());
  runner->PostTask(new FunctionTask([&] {
    order.push_back(1);
    // Posted from a task: runs in the same RunPendingTasks call.
    CefPostTask(TID_RENDERER, new FunctionTask([&] { order.push_back(3); }));
  }));
  runner->PostTask(new FunctionTask([&] { order.push_back(2); }));
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(3, harness.RunPendingTasks());
  EXPECT_EQ((std::vector<int>{1, 2, 3}), order);
  EXPECT_EQ(0, harness.RunPendingTasks());
}

TEST(HarnessTasks, TimersRunWhenDue) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  harness.Eval(browser, frame,
               "var log = [];"
               "setTimeout(function(a) { log.push('late' + a); }, 30, 1);"
               "setTimeout(function() { log.push('soon'); }, 0);"
               "var dropped = setTimeout(function() { log.push('x'); }, 0);"
               "clearTimeout(dropped);"
               "setTimeout('log.push(\"text\")', 0);");
  // The cleared timer's task still runs, doing nothing.
  harness.RunPendingTasks();
  EXPECT_EQ("[\"soon\",\"text\"]", harness.Eval(browser, frame, "log"));
  // The longest wait still ends once nothing more becomes due.
  EXPECT_EQ(1, harness.RunTasksFor(std::numeric_limits<int64>::max()));
  EXPECT_EQ("[\"soon\",\"text\",\"late1\"]",
            harness.Eval(browser, frame, "log"));
}

TEST(HarnessTasks, MicrotasksRunAfterEachTaskAndScript) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  EXPECT_EQ("[\"sync\"]",
            harness.Eval(browser, frame,
                         "var log = ['sync'];"
                         "Promise.resolve().then(() => log.push('micro'));"
                         "setTimeout(() => {"
                         "  log.push('task1');"
                         "  Promise.resolve().then(() => log.push('micro1'));"
                         "}, 0);"
                         "setTimeout(() => log.push('task2'), 0);"
                         "log"));
  EXPECT_EQ("[\"sync\",\"micro\"]", harness.Eval(browser, frame, "log"));
  harness.RunPendingTasks();
  EXPECT_EQ("[\"sync\",\"micro\",\"task1\",\"micro1\",\"task2\"]",
            harness.Eval(browser, frame, "log"));
}

TEST(HarnessConsole, ConsoleCallsAreRecorded) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  harness.Eval(browser, frame,
               "console.log('a', 1, {}); console.info('i');"
               "console.warn('w'); console.error(new Error('e'))");
  std::vector<cef_harness::ConsoleLine> lines = harness.TakeConsoleLines();
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("log", lines[0].level);
  EXPECT_EQ("a 1 [object Object]", lines[0].text);
  EXPECT_EQ(browser, lines[0].browser_id);
  EXPECT_EQ(frame, lines[0].frame_id);
  EXPECT_EQ("info", lines[1].level);
  EXPECT_EQ("warn", lines[2].level);
  EXPECT_EQ("error", lines[3].level);
  EXPECT_EQ("Error: e", lines[3].text);
}

// A page can hand console.log and throw more text than the channel carries:
// the line is cut at the bound, at a character boundary, and says how much
// was cut, rather than being built whole and refused.
TEST(HarnessConsole, TextBeyondTheChannelIsCutAndSaysSo) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  const std::string size = std::to_string(cef_renderer::kMaxReportedTextBytes);
  // One byte short of the bound, then a two-byte character that does not
  // fit; the separator fills the last byte and the second argument is cut.
  harness.Eval(browser, frame,
               "var big = 'x'.repeat(" + size +
                   " - 1) + '\u00e9';"
                   "console.log(big, '0123456789');"
                   "console.log('small', 'line');");
  std::vector<cef_harness::ConsoleLine> lines = harness.TakeConsoleLines();
  ASSERT_EQ(2u, lines.size());
  const std::string note = " [... 12 more bytes cut]";
  ASSERT_EQ(cef_renderer::kMaxReportedTextBytes + note.size(),
            lines[0].text.size());
  EXPECT_EQ(note, lines[0].text.substr(lines[0].text.size() - note.size()));
  EXPECT_EQ("small line", lines[1].text);

  harness.Eval(browser, frame, "setTimeout(() => { throw big + big; }, 0)");
  harness.RunPendingTasks();
  std::vector<std::string> errors = harness.TakeUncaughtExceptions();
  ASSERT_EQ(1u, errors.size());
  EXPECT_LE(errors[0].size(), cef_renderer::kMaxReportedTextBytes + 64);
  EXPECT_NE(std::string::npos, errors[0].find(" more bytes cut]"));
}

}  // namespace
}  // namespace v8test
