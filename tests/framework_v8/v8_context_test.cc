// CefV8Context: entering and leaving, current and entered contexts, Eval,
// the render-side browser and frame, and what release does to contexts,
// values and tasks. Also the page's protection against runaway recursion,
// and that contexts do not leak.
#include <gtest/gtest.h>

#include <v8.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "harness/renderer_harness.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "tests/framework_v8/frame_fixture.h"
#include "tests/framework_v8/test_app.h"
#include "v8/context_state.h"
#include "v8/page_environment.h"
#include "v8/render_thread_impl.h"
#include "v8/script_scope.h"
#include "v8/v8_context_impl.h"
#include "v8/v8_platform.h"

namespace v8test {
namespace {

using cef_harness::RendererHarness;

// A new browser with a main frame and a child frame: their contexts.
void MainAndChildContexts(RendererHarness* harness,
                          CefRefPtr<CefV8Context>* main_context,
                          CefRefPtr<CefV8Context>* child_context) {
  const int browser = harness->CreateBrowser();
  const int64 main = harness->CreateFrame(browser, "", true);
  const int64 child = harness->CreateFrame(browser, "child", false);
  *main_context = harness->GetContext(browser, main);
  *child_context = harness->GetContext(browser, child);
}

TEST(ContextStack, EnterAndExitNest) {
  RendererHarness harness(nullptr, nullptr);
  CefRefPtr<CefV8Context> a, b;
  MainAndChildContexts(&harness, &a, &b);

  EXPECT_FALSE(CefV8Context::InContext());
  EXPECT_FALSE(CefV8Context::GetCurrentContext().get());
  EXPECT_FALSE(CefV8Context::GetEnteredContext().get());
  EXPECT_FALSE(a->Exit());  // nothing entered

  ASSERT_TRUE(a->Enter());
  ASSERT_TRUE(b->Enter());
  EXPECT_TRUE(CefV8Context::GetCurrentContext()->IsSame(b));
  EXPECT_TRUE(CefV8Context::GetEnteredContext()->IsSame(b));
  EXPECT_FALSE(a->Exit());  // not the innermost
  EXPECT_TRUE(b->Exit());
  EXPECT_TRUE(CefV8Context::GetCurrentContext()->IsSame(a));
  EXPECT_TRUE(a->Exit());
  EXPECT_FALSE(CefV8Context::InContext());
}

// Exit from inside a call made in another context (a handler reached
// through ExecuteFunctionWithContext) is refused: the client's context is not
// the one V8 entered last, and V8 ends the process when it is left then.
TEST(ContextStack, ExitRefusesWhileACallInAnotherContextRuns) {
  RendererHarness harness(nullptr, nullptr);
  CefRefPtr<CefV8Context> a, b;
  MainAndChildContexts(&harness, &a, &b);
  bool exited_inside = true;
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [&](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
          CefRefPtr<CefV8Value>& retval, CefString&) {
        exited_inside = a->Exit();
        retval = CefV8Value::CreateInt(1);
        return true;
      }));
  ASSERT_TRUE(a->Enter());
  CefRefPtr<CefV8Value> function =
      CefV8Value::CreateFunction("leaveA", handler.get());
  CefRefPtr<CefV8Value> result =
      function->ExecuteFunctionWithContext(b, nullptr, CefV8ValueList());
  ASSERT_TRUE(result.get());
  EXPECT_EQ(1, result->GetIntValue());
  EXPECT_FALSE(exited_inside);
  // Once the call is over, the context is the innermost again.
  EXPECT_TRUE(CefV8Context::GetCurrentContext()->IsSame(a));
  EXPECT_TRUE(a->Exit());
  EXPECT_FALSE(CefV8Context::InContext());
}

TEST(ContextStack, HandlerSeesItsOwnContextAsCurrentAndTheCallersAsEntered) {
  CefRefPtr<TestApp> app(new TestApp());
  CefRefPtr<CefV8Context> current, entered;
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [&](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
          CefRefPtr<CefV8Value>&, CefString&) {
        current = CefV8Context::GetCurrentContext();
        entered = CefV8Context::GetEnteredContext();
        return true;
      }));
  app->on_context_created = [&](CefRefPtr<CefBrowser>,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefV8Context> context) {
    EXPECT_TRUE(CefV8Context::GetCurrentContext()->IsSame(context));
    EXPECT_TRUE(context->GetFrame()->GetIdentifier() == frame->GetIdentifier());
    EXPECT_TRUE(frame->GetV8Context()->IsSame(context));
    if (!frame->IsMain()) {
      context->GetGlobal()->SetValue(
          "childFn", CefV8Value::CreateFunction("childFn", handler.get()),
          V8_PROPERTY_ATTRIBUTE_NONE);
    }
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 main = harness.CreateFrame(browser, "", true);
  const int64 child = harness.CreateFrame(browser, "child", false);
  CefRefPtr<CefV8Context> main_context = harness.GetContext(browser, main);
  CefRefPtr<CefV8Context> child_context = harness.GetContext(browser, child);
  // Hand the child's function to the main frame and call it from there.
  CefRefPtr<CefV8Value> function =
      child_context->GetGlobal()->GetValue("childFn");
  ASSERT_TRUE(main_context->GetGlobal()->SetValue("fromChild", function,
                                                  V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ("undefined", harness.Eval(browser, main, "fromChild()"));
  ASSERT_TRUE(current.get());
  EXPECT_TRUE(current->IsSame(child_context));
  EXPECT_TRUE(entered->IsSame(main_context));
}

TEST(ContextStack, NoContextInMessagesBrowserCreationOrTasks) {
  CefRefPtr<TestApp> app(new TestApp());
  std::vector<bool> in_context;
  app->on_browser_created = [&](CefRefPtr<CefBrowser>) {
    in_context.push_back(CefV8Context::InContext());
  };
  app->on_message = [&](CefRefPtr<CefBrowser>, CefProcessId,
                        CefRefPtr<CefProcessMessage>) {
    in_context.push_back(CefV8Context::InContext());
    return true;
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  harness.CreateFrame(browser, "", true);
  harness.DeliverMessage(browser, CefProcessMessage::Create("m"));
  CefPostTask(TID_RENDERER, new FunctionTask([&] {
                in_context.push_back(CefV8Context::InContext());
              }));
  harness.RunPendingTasks();
  EXPECT_EQ((std::vector<bool>{false, false, false}), in_context);
}

using ContextTest = FrameTest;

TEST_F(ContextTest, EvalRunsAtGlobalScope) {
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_TRUE(
      context_->Eval("var fromEval = 4; fromEval * 2", retval, exception));
  EXPECT_EQ(8, retval->GetIntValue());
  EXPECT_FALSE(exception.get());
  EXPECT_EQ("4", Eval("fromEval"));

  harness_->TakeUncaughtExceptions();
  EXPECT_FALSE(context_->Eval("throw new RangeError('r')", retval, exception));
  EXPECT_FALSE(retval.get());
  ASSERT_TRUE(exception.get());
  EXPECT_EQ("Uncaught RangeError: r", exception->GetMessage().ToString());
  EXPECT_EQ(1, exception->GetLineNumber());
  // Returned, and reported as the framework's verbose TryCatch does.
  EXPECT_EQ(std::vector<std::string>{"Uncaught RangeError: r"},
            harness_->TakeUncaughtExceptions());

  EXPECT_FALSE(context_->Eval("", retval, exception));
  // A page that replaces eval does not break Eval.
  Eval("window.eval = function() { return 'hijacked'; }");
  EXPECT_TRUE(context_->Eval("1 + 2", retval, exception));
  EXPECT_EQ(3, retval->GetIntValue());
}

TEST_F(ContextTest, BrowserAndFrameDescribeTheDocument) {
  CefRefPtr<CefBrowser> browser = context_->GetBrowser();
  ASSERT_TRUE(browser.get());
  EXPECT_EQ(browser_, browser->GetIdentifier());
  EXPECT_FALSE(browser->GetHost().get());
  const int64 child = harness_->CreateFrame(browser_, "kid", false);
  EXPECT_EQ(2u, browser->GetFrameCount());
  std::vector<int64> ids{-1};
  browser->GetFrameIdentifiers(ids);
  EXPECT_EQ((std::vector<int64>{-1, frame_, child}), ids);
  std::vector<CefString> names;
  browser->GetFrameNames(names);
  ASSERT_EQ(2u, names.size());
  EXPECT_EQ("kid", names[1].ToString());

  CefRefPtr<CefFrame> main = browser->GetMainFrame();
  EXPECT_TRUE(main->IsMain());
  EXPECT_TRUE(main->GetName().empty());
  EXPECT_FALSE(main->GetParent().get());
  EXPECT_FALSE(main->GetURL().empty());
  CefRefPtr<CefFrame> kid = browser->GetFrame("kid");
  ASSERT_TRUE(kid.get());
  EXPECT_FALSE(kid->IsMain());
  EXPECT_EQ(frame_, kid->GetParent()->GetIdentifier());
  EXPECT_TRUE(kid->GetBrowser()->IsSame(browser));
  EXPECT_EQ(child, browser->GetFrame(child)->GetIdentifier());
  EXPECT_FALSE(browser->GetFrame(CefString()).get());
  EXPECT_FALSE(browser->GetFrame(int64{12345}).get());
  EXPECT_FALSE(browser->IsSame(nullptr));

  main->ExecuteJavaScript("var ranHere = 'yes'", "", -4);
  EXPECT_EQ("\"yes\"", Eval("ranHere"));
  main->ExecuteJavaScript("throw new Error('from ExecuteJavaScript')",
                          "http://x/script.js", 10);
  std::vector<std::string> errors = harness_->TakeUncaughtExceptions();
  ASSERT_EQ(1u, errors.size());
  EXPECT_EQ("Uncaught Error: from ExecuteJavaScript", errors[0]);

  // The task runner is the render thread's, for every context.
  CefRefPtr<CefTaskRunner> runner = context_->GetTaskRunner();
  EXPECT_TRUE(runner->IsSame(CefTaskRunner::GetForThread(TID_RENDERER)));
  EXPECT_TRUE(runner->IsSame(kid->GetV8Context()->GetTaskRunner()));
}

TEST_F(ContextTest, StackTraceShowsTheScriptStack) {
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
         CefRefPtr<CefV8Value>& retval, CefString&) {
        CefRefPtr<CefV8StackTrace> trace = CefV8StackTrace::GetCurrent(10);
        std::string names;
        for (int i = 0; i < trace->GetFrameCount(); ++i)
          names += trace->GetFrame(i)->GetFunctionName().ToString() + ";";
        EXPECT_FALSE(trace->GetFrame(trace->GetFrameCount()).get());
        retval = CefV8Value::CreateString(names);
        return true;
      }));
  context_->GetGlobal()->SetValue(
      "trace", CefV8Value::CreateFunction("trace", handler.get()),
      V8_PROPERTY_ATTRIBUTE_NONE);
  EXPECT_EQ("\"inner;outer;;\"",
            Eval("function inner() { return trace(); }"
                 "function outer() { return inner(); } outer()"));
}

// Release: the context and its objects turn invalid; primitives and the
// task runner keep working.
TEST(ContextRelease, ReleasedContextAndItsObjectsFailSafely) {
  CefRefPtr<TestApp> app(new TestApp());
  bool valid_during_release = false;
  bool entered_during_release = false;
  app->on_context_released = [&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                 CefRefPtr<CefV8Context> context) {
    valid_during_release = context->IsValid();
    entered_during_release = CefV8Context::GetCurrentContext().get() &&
                             CefV8Context::GetCurrentContext()->IsSame(context);
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  CefRefPtr<CefV8Context> context = harness.GetContext(browser, frame);
  ASSERT_TRUE(context->Enter());
  CefRefPtr<CefV8Value> object, function, array, number, text;
  {
    CefRefPtr<CefV8Exception> exception;
    ASSERT_TRUE(context->Eval("({a: 1})", object, exception));
    ASSERT_TRUE(
        context->Eval("(function() { return 1; })", function, exception));
    number = CefV8Value::CreateInt(7);
    text = CefV8Value::CreateString("kept");
    array = CefV8Value::CreateArray(2);
  }
  ASSERT_TRUE(context->Exit());
  CefRefPtr<CefV8Context> other_handle = harness.GetContext(browser, frame);
  CefRefPtr<CefTaskRunner> runner = context->GetTaskRunner();

  harness.ReleaseContext(browser, frame);
  EXPECT_TRUE(valid_during_release);
  EXPECT_TRUE(entered_during_release);

  EXPECT_FALSE(context->IsValid());
  EXPECT_FALSE(other_handle->IsValid());
  EXPECT_FALSE(context->Enter());
  EXPECT_FALSE(context->Exit());
  EXPECT_FALSE(context->GetGlobal().get());
  EXPECT_FALSE(context->GetBrowser().get());
  EXPECT_FALSE(context->GetFrame().get());
  EXPECT_FALSE(context->IsSame(other_handle));
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_FALSE(context->Eval("1", retval, exception));
  EXPECT_FALSE(harness.GetContext(browser, frame).get());
  EXPECT_FALSE(harness.GetFrame(browser, frame)->GetV8Context().get());

  for (CefRefPtr<CefV8Value> v : {object, function, array}) {
    EXPECT_FALSE(v->IsValid());
    EXPECT_FALSE(v->IsObject() && v->IsArray());
    EXPECT_FALSE(v->GetValue("a").get());
    EXPECT_FALSE(v->GetValue(0).get());
    EXPECT_FALSE(v->SetValue("a", number, V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_FALSE(v->HasValue("a"));
    EXPECT_FALSE(v->DeleteValue("a"));
    std::vector<CefString> keys;
    EXPECT_FALSE(v->GetKeys(keys));
    EXPECT_FALSE(v->IsSame(v));
    EXPECT_EQ(0, v->GetArrayLength());
    EXPECT_FALSE(v->SetUserData(nullptr));
    EXPECT_FALSE(v->HasException());
  }
  EXPECT_FALSE(function->ExecuteFunction(nullptr, CefV8ValueList()).get());
  EXPECT_FALSE(
      function->ExecuteFunctionWithContext(context, nullptr, CefV8ValueList())
          .get());
  EXPECT_TRUE(number->IsValid());
  EXPECT_EQ(7, number->GetIntValue());
  EXPECT_EQ("kept", text->GetStringValue().ToString());

  // The runner still runs tasks; the task finds the context invalid.
  bool ran = false;
  bool valid_in_task = true;
  EXPECT_TRUE(runner->PostTask(new FunctionTask([&] {
    ran = true;
    valid_in_task = context->IsValid();
    EXPECT_FALSE(object->GetValue("a").get());
  })));
  harness.RunPendingTasks();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(valid_in_task);

  // The frame gets a new document with a fresh global.
  EXPECT_TRUE(harness.Navigate(browser, frame));
  EXPECT_EQ("\"undefined\"", harness.Eval(browser, frame, "typeof a"));
  EXPECT_FALSE(context->IsSame(harness.GetContext(browser, frame)));
}

// A native function of a frame whose document has gone can still be called
// from another frame that kept it. Its context is then current but released:
// as in the framework, GetCurrentContext() gives a handle that reports
// IsValid() false (it is not NULL), so that the usual
// GetCurrentContext()->GetBrowser() finds no browser instead of crashing.
TEST(ContextRelease, ReleasedCurrentContextStillGetsAHandle) {
  CefRefPtr<TestApp> app(new TestApp());
  std::vector<std::string> seen;
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [&](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
          CefRefPtr<CefV8Value>& retval, CefString&) {
        CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
        CefRefPtr<CefV8Context> entered = CefV8Context::GetEnteredContext();
        seen.push_back(
            std::string(current.get() ? "handle" : "NULL") +
            (current.get() && current->IsValid() ? " valid" : " invalid") +
            (current.get() && current->GetBrowser().get() ? " browser"
                                                          : " no-browser") +
            (current.get() && current->GetTaskRunner().get() ? " runner"
                                                             : " no-runner") +
            (entered.get() && entered->IsValid() ? " entered-valid"
                                                 : " entered-not"));
        retval = CefV8Value::CreateInt(1);
        return true;
      }));
  app->on_webkit_initialized = [&] {
    CefRegisterExtension("v8test/where",
                         "var where = function() {"
                         " native function where(); return where(); };",
                         handler.get());
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 main = harness.CreateFrame(browser, "", true);
  const int64 child = harness.CreateFrame(browser, "child", false);
  CefRefPtr<CefV8Value> child_where =
      harness.GetContext(browser, child)->GetGlobal()->GetValue("where");
  ASSERT_TRUE(
      harness.GetContext(browser, main)
          ->GetGlobal()
          ->SetValue("childWhere", child_where, V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ("1", harness.Eval(browser, main, "childWhere()"));
  harness.ReleaseContext(browser, child);
  EXPECT_EQ("1", harness.Eval(browser, main, "childWhere()"));
  EXPECT_EQ((std::vector<std::string>{
                "handle valid browser runner entered-valid",
                "handle invalid no-browser runner entered-valid"}),
            seen);
}

// While a new context is being created, code of a released context that
// runs meanwhile (here through an extension's native function and another
// frame) is not taken for the new context's: its setTimeout sets nothing.
TEST(ContextRelease, ReleasedContextIsNotTakenForTheOneBeingCreated) {
  CefRefPtr<TestApp> app(new TestApp());
  CefRefPtr<CefV8Value> call_during_creation;
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [&](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
          CefRefPtr<CefV8Value>&, CefString&) {
        if (call_during_creation.get())
          call_during_creation->ExecuteFunction(nullptr, CefV8ValueList());
        return true;
      }));
  app->on_webkit_initialized = [&] {
    CefRegisterExtension("v8test/hook", "native function hook(); hook();",
                         handler.get());
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 main = harness.CreateFrame(browser, "", true);
  const int64 child = harness.CreateFrame(browser, "child", false);
  CefRefPtr<CefV8Context> main_context = harness.GetContext(browser, main);
  ASSERT_TRUE(main_context->GetGlobal()->SetValue(
      "childSetTimeout",
      harness.GetContext(browser, child)->GetGlobal()->GetValue("setTimeout"),
      V8_PROPERTY_ATTRIBUTE_NONE));
  harness.ReleaseContext(browser, child);
  CefRefPtr<CefV8Value> function;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(main_context->Enter());
  ASSERT_TRUE(main_context->Eval(
      "(function() {"
      "  childSetTimeout(function() { console.log('released timer'); }, 0);"
      "})",
      function, exception));
  ASSERT_TRUE(main_context->Exit());
  call_during_creation = function;
  ASSERT_NE(0, harness.CreateFrame(browser, "other", false));
  call_during_creation = nullptr;
  harness.RunTasksFor(20);
  EXPECT_TRUE(harness.TakeConsoleLines().empty());
}

TEST(ContextRelease, TimersAndTasksOfAReleasedContextDoNotRunScript) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  const int64 other = harness.CreateFrame(browser, "other", false);
  harness.Eval(browser, other, "var fired = 0;");
  // The released frame's timer would touch the other frame's state.
  CefRefPtr<CefV8Value> counter_holder;
  harness.Eval(browser, frame,
               "setTimeout(function() { console.log('late timer'); }, 0);"
               "setInterval(function() { console.log('interval'); }, 1);");
  CefRefPtr<CefV8Context> context = harness.GetContext(browser, frame);
  ASSERT_TRUE(context->Enter());
  CefRefPtr<CefV8Value> callback;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval("(function() { console.log('callback'); })",
                            callback, exception));
  ASSERT_TRUE(context->Exit());
  // A task holding a value of the context, posted before release.
  context->GetTaskRunner()->PostTask(new FunctionTask([callback, context] {
    EXPECT_FALSE(
        callback->ExecuteFunctionWithContext(context, nullptr, CefV8ValueList())
            .get());
  }));
  harness.ReleaseContext(browser, frame);
  harness.RunTasksFor(20);
  EXPECT_TRUE(harness.TakeConsoleLines().empty());
}

// Converting setTimeout's arguments runs page script, which may release the
// context (through a native function whose handler navigates). No timer is
// kept then: it would hold V8 handles in the released context's record,
// which a client's handle may keep past the renderer's end.
TEST(ContextRelease, TimerSetWhileItsContextIsReleasedIsDropped) {
  CefRefPtr<CefV8Context> context;
  {
    RendererHarness harness(nullptr, nullptr);
    const int browser = harness.CreateBrowser();
    const int64 frame = harness.CreateFrame(browser, "", true);
    context = harness.GetContext(browser, frame);
    ASSERT_TRUE(context->Enter());
    CefRefPtr<FunctionHandler> handler(new FunctionHandler(
        [&](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
            CefRefPtr<CefV8Value>&, CefString&) {
          harness.ReleaseContext(browser, frame);
          return false;
        }));
    context->GetGlobal()->SetValue(
        "release", CefV8Value::CreateFunction("release", handler.get()),
        V8_PROPERTY_ATTRIBUTE_NONE);
    ASSERT_TRUE(context->Exit());
    harness.Eval(browser, frame,
                 "setTimeout(function() { console.log('late'); },"
                 "           {valueOf() { release(); return 0; }})");
    harness.RunTasksFor(10);
    EXPECT_TRUE(harness.TakeConsoleLines().empty());
  }
  // The last handle goes after the isolate.
  context = nullptr;
}

// Extension code runs while the context is made; a handler it reaches may
// destroy the browser. The document then has no frame to belong to: its
// record is released and nothing of it is left behind.
TEST(ContextRelease, BrowserDestroyedWhileAContextIsMadeLeavesNothing) {
  const int baseline_states = cef_renderer::ContextState::LiveCount();
  {
    CefRefPtr<TestApp> app(new TestApp());
    RendererHarness* harness_in_use = nullptr;
    int browser = 0;
    CefRefPtr<FunctionHandler> handler(new FunctionHandler(
        [&](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
            CefRefPtr<CefV8Value>&, CefString&) {
          harness_in_use->DestroyBrowser(browser);
          return true;
        }));
    app->on_webkit_initialized = [&] {
      CefRegisterExtension("v8test/destroyer",
                           "(function() { native function destroy(); "
                           "destroy(); })();",
                           handler.get());
    };
    RendererHarness harness(app.get(), nullptr);
    harness_in_use = &harness;
    browser = harness.CreateBrowser();
    EXPECT_EQ(0, harness.CreateFrame(browser, "", true));
    EXPECT_FALSE(harness.GetBrowser(browser).get());
  }
  EXPECT_EQ(baseline_states, cef_renderer::ContextState::LiveCount());
}

TEST(ContextRelease, ValuesMayOutliveTheRenderer) {
  CefRefPtr<CefV8Value> object;
  CefRefPtr<CefV8Value> number;
  CefRefPtr<CefV8Context> context;
  {
    RendererHarness harness(nullptr, nullptr);
    const int browser = harness.CreateBrowser();
    const int64 frame = harness.CreateFrame(browser, "", true);
    context = harness.GetContext(browser, frame);
    CefRefPtr<CefV8Exception> exception;
    ASSERT_TRUE(context->Eval("({x: [1, 2, 3]})", object, exception));
    number = CefV8Value::CreateDouble(1.5);
    // A queued task that holds values is dropped at shutdown.
    CefPostTask(TID_RENDERER, new FunctionTask([object] { ADD_FAILURE(); }));
  }
  EXPECT_FALSE(object->IsValid());
  EXPECT_FALSE(object->GetValue("x").get());
  EXPECT_FALSE(number->IsValid());
  EXPECT_FALSE(context->IsValid());
  EXPECT_TRUE(context->GetTaskRunner().get());
  EXPECT_FALSE(context->GetTaskRunner()->PostTask(new FunctionTask([] {})));
  EXPECT_FALSE(CefV8Value::CreateInt(1).get());
  EXPECT_FALSE(CefV8Context::InContext());
}

TEST(PageSafety, RunawayRecursionGivesRangeError) {
  CefRefPtr<TestApp> app(new TestApp());
  CefRefPtr<FunctionHandler> handler;
  app->on_context_created = [&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                CefRefPtr<CefV8Context> context) {
    // A native function that calls back into script: recursion through C++.
    handler = new FunctionHandler([](const CefString&, CefRefPtr<CefV8Value>,
                                     const CefV8ValueList& arguments,
                                     CefRefPtr<CefV8Value>& retval,
                                     CefString& exception) {
      CefRefPtr<CefV8Value> result =
          arguments[0]->ExecuteFunction(nullptr, CefV8ValueList());
      if (!result.get()) {
        exception = arguments[0]->GetException()->GetMessage();
        return true;
      }
      retval = result;
      return true;
    });
    context->GetGlobal()->SetValue(
        "bounce", CefV8Value::CreateFunction("bounce", handler.get()),
        V8_PROPERTY_ATTRIBUTE_NONE);
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  EXPECT_EQ(
      "exception: Uncaught RangeError: Maximum call stack size exceeded",
      harness.Eval(browser, frame, "function f() { return f() + 1; } f()"));
  const std::string through_native =
      harness.Eval(browser, frame,
                   "function g() { return bounce(g); }"
                   "try { g(); 'no error' } catch (e) { e.message }");
  EXPECT_NE(std::string::npos, through_native.find("Maximum call stack size"))
      << through_native;
  // The renderer carries on.
  EXPECT_EQ("2", harness.Eval(browser, frame, "1 + 1"));
}

// A native function handed itself calls itself back with no script frame in
// between, where V8 would check the stack. As in the framework, calls from
// C++ nest only so deep: the innermost throws a RangeError, which the page
// can catch, instead of the renderer running out of stack.
TEST(PageSafety, NativeFunctionCallingItselfGivesRangeError) {
  CefRefPtr<TestApp> app(new TestApp());
  int calls = 0;
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [&](const CefString&, CefRefPtr<CefV8Value>,
          const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
          CefString& exception) {
        // invoke(f) calls f(f).
        ++calls;
        CefV8ValueList again(1, arguments[0]);
        retval = arguments[0]->ExecuteFunction(nullptr, again);
        if (!retval.get())
          exception = arguments[0]->GetException()->GetMessage();
        return true;
      }));
  app->on_context_created = [&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                CefRefPtr<CefV8Context> context) {
    context->GetGlobal()->SetValue(
        "invoke", CefV8Value::CreateFunction("invoke", handler.get()),
        V8_PROPERTY_ATTRIBUTE_NONE);
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  const std::string message = harness.Eval(
      browser, frame,
      "try { invoke(invoke); 'returned' } catch (e) { e.message }");
  EXPECT_NE(std::string::npos,
            message.find("RangeError: Maximum call stack size exceeded"))
      << message;
  EXPECT_GT(calls, 1);
  EXPECT_LE(calls, cef_renderer::kMaxScriptDepth);
  // Calls that do not nest so deeply run as before.
  EXPECT_EQ("7",
            harness.Eval(browser, frame,
                         "invoke(function(self) {"
                         "  return typeof self == 'function' ? 7 : 0; })"));
}

TEST(PageSafety, UnhandledRejectionsAreReported) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  harness.Eval(browser, frame,
               "Promise.reject(new Error('lost'));"
               "var handled = Promise.reject(new Error('handled'));"
               "handled.catch(function() {});");
  std::vector<std::string> errors = harness.TakeUncaughtExceptions();
  ASSERT_EQ(1u, errors.size());
  EXPECT_EQ("Uncaught (in promise) Error: lost", errors[0]);
}

// Handlers attached late to many rejected promises, in the same turn, each
// take the rejection off the list at once: the page's work stays linear.
// Scanning the whole list for every handler took minutes for this many, past
// the time limit of every test here.
TEST(PageSafety, ManyLateHandledRejectionsStayCheap) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  EXPECT_EQ("100000",
            harness.Eval(browser, frame,
                         "var ps = [];"
                         "for (var i = 0; i < 100000; i++)"
                         "  ps.push(Promise.reject(i));"
                         "Promise.reject(new Error('the one left'));"
                         "ps.forEach(function(p) { p.catch(function() {}); });"
                         "ps.length"));
  EXPECT_EQ(
      std::vector<std::string>{"Uncaught (in promise) Error: the one left"},
      harness.TakeUncaughtExceptions());
}

// FinalizationRegistry callbacks run as V8's own tasks, between script
// turns or at their end. Microtasks they queue run right after them, as
// after any task, not only once the page happens to run script again.
TEST(PageSafety, MicrotasksOfFinalizationCallbacksRunAfterThem) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  harness.Eval(browser, frame,
               "var registry = new FinalizationRegistry(function(held) {"
               "  console.log('cleanup ' + held);"
               "  Promise.resolve().then(function() {"
               "    console.log('then ' + held); });"
               "});");
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  // The callbacks run between turns (here, once the harness's tasks are
  // done), or at the end of a script turn.
  for (const std::string when : {"between", "end"}) {
    harness.Eval(browser, frame,
                 "(function() { for (var i = 0; i < 3; i++)"
                 "  registry.register({}, '" +
                     when + "'); })();");
    harness.RunPendingTasks();
    isolate->LowMemoryNotification();
    if (when == "between")
      harness.RunPendingTasks();
    else
      harness.Eval(browser, frame, "0");
    int cleanups = 0, thens = 0;
    for (const cef_harness::ConsoleLine& line : harness.TakeConsoleLines()) {
      cleanups += line.text == "cleanup " + when;
      thens += line.text == "then " + when;
    }
    EXPECT_GT(cleanups, 0) << when;
    EXPECT_EQ(cleanups, thens) << when;
  }
}

TEST(PageSafety, IntervalsRepeatUntilCleared) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  harness.Eval(browser, frame,
               "var n = 0; var id = setInterval(function() {"
               "  if (++n == 3) clearInterval(id); }, 1);");
  for (int i = 0; i < 50 && harness.Eval(browser, frame, "n") != "3"; ++i)
    harness.RunTasksFor(5);
  EXPECT_EQ("3", harness.Eval(browser, frame, "n"));
  harness.RunTasksFor(10);
  EXPECT_EQ("3", harness.Eval(browser, frame, "n"));
}

// A chain of timeouts each setting the next counts its depth only up to
// the clamp, so that a chain kept going for months (2^31 hops of 4 ms are 99
// days) neither overflows the count nor loses the 4 ms minimum.
TEST(PageSafety, TimerDepthStopsCountingAtTheClamp) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  std::shared_ptr<cef_renderer::ContextState> state =
      cef_renderer::CefV8ContextImpl::From(harness.GetContext(browser, frame))
          ->state();
  // The depth a chain had reached after that many hops, before the count
  // stopped at the clamp.
  state->set_timer_nesting(std::numeric_limits<int>::max());
  const std::string id =
      harness.Eval(browser, frame, "setTimeout(function() {}, 0)");
  state->set_timer_nesting(0);
  cef_renderer::PendingTimer* timer = state->FindTimer(std::stoi(id));
  ASSERT_TRUE(timer);
  EXPECT_EQ(cef_renderer::kMaxTimerNesting + 1, timer->nesting);
  EXPECT_EQ(cef_renderer::kMinNestedDelayMs, timer->interval_ms);
}

TEST(PageSafety, BusyTimersDoNotHoldTheLoopForever) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  // Each run takes longer than the interval, so one is always due.
  harness.Eval(browser, frame,
               "var runs = 0; setInterval(function() {"
               "  ++runs; var t = Date.now(); while (Date.now() - t < 6) {}"
               "}, 0);");
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const int ran = harness.RunPendingTasks();
  EXPECT_GT(ran, 0);
  EXPECT_LT(ran, 1000);
  harness.ReleaseContext(browser, frame);
  harness.RunTasksFor(10);
}

TEST(ThreadSafety, ValuesFailSafelyOnOtherThreadsAndMayBeDroppedThere) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  CefRefPtr<CefV8Context> context = harness.GetContext(browser, frame);
  CefRefPtr<CefV8Value> object, number;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval("({a: 1})", object, exception));
  number = CefV8Value::CreateInt(3);
  bool object_valid = true, number_valid = true, context_valid = true;
  bool got_value = true, created = true, registered = true;
  bool posted = false;
  std::thread other([&] {
    object_valid = object->IsValid();
    number_valid = number->IsValid();
    context_valid = context->IsValid();
    got_value = object->GetValue("a").get() != nullptr;
    created = CefV8Value::CreateInt(1).get() != nullptr;
    registered = CefRegisterExtension("x", "var x;", nullptr);
    posted = context->GetTaskRunner()->PostTask(new FunctionTask([] {}));
    // The last reference goes on this thread.
    object = nullptr;
  });
  other.join();
  EXPECT_FALSE(object_valid);
  EXPECT_FALSE(number_valid);
  EXPECT_FALSE(context_valid);
  EXPECT_FALSE(got_value);
  EXPECT_FALSE(created);
  EXPECT_FALSE(registered);
  EXPECT_TRUE(posted);
  EXPECT_EQ(1, harness.RunPendingTasks());
  EXPECT_TRUE(number->IsValid());
  EXPECT_EQ("1", harness.Eval(browser, frame, "({a: 1}).a"));
}

// A frame asked on another thread answers with fallbacks, also while the
// render thread destroys its browser.
TEST(ThreadSafety, AFrameFailsSafelyOnAnotherThreadWhileItsBrowserGoes) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame_id = harness.CreateFrame(browser, "", true);
  CefRefPtr<CefFrame> frame = harness.GetFrame(browser, frame_id);
  ASSERT_TRUE(frame.get());
  std::atomic<bool> started{false}, stop{false};
  std::atomic<int> answered{0};
  std::thread other([&] {
    while (!stop.load()) {
      if (!frame->IsValid() && frame->GetURL().empty() &&
          !frame->GetBrowser().get()) {
        ++answered;
      }
      started.store(true);
    }
  });
  while (!started.load())
    std::this_thread::yield();
  harness.DestroyBrowser(browser);
  stop.store(true);
  other.join();
  EXPECT_GT(answered.load(), 0);
  EXPECT_FALSE(frame->IsValid());
}

// Every request for a context gives a handle of its own, as the framework's
// wrappers do: a client that compares handles by pointer instead of with
// IsSame fails here as it would there.
TEST(ContextHandles, EveryRequestGivesAHandleOfItsOwn) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  CefRefPtr<CefV8Context> first = harness.GetContext(browser, frame);
  CefRefPtr<CefV8Context> again = harness.GetContext(browser, frame);
  ASSERT_TRUE(first.get() && again.get());
  EXPECT_NE(first.get(), again.get());
  EXPECT_TRUE(first->IsSame(again));
  ASSERT_TRUE(first->Enter());
  CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
  EXPECT_NE(first.get(), current.get());
  EXPECT_TRUE(current->IsSame(first));
  EXPECT_TRUE(first->Exit());
}

// Tasks V8 posts to the render thread (its collector's finishing steps
// among them) run once the current script turn is over, not never.
TEST(ContextLeaks, TasksV8PostsToTheRenderThreadRun) {
  CefRefPtr<TestApp> app(new TestApp());
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  class Count : public v8::Task {
   public:
    explicit Count(int* ran) : ran_(ran) {}
    void Run() override { ++*ran_; }

   private:
    int* ran_;
  };
  int ran = 0;
  std::shared_ptr<v8::TaskRunner> runner =
      cef_renderer::GetV8Platform()->GetForegroundTaskRunner(
          v8::Isolate::GetCurrent());
  for (int i = 0; i < 3; ++i)
    runner->PostTask(std::make_unique<Count>(&ran));
  EXPECT_EQ(0, ran);
  harness.Eval(browser, frame, "1");
  EXPECT_EQ(3, ran);
}

// A page that keeps a window of its recent values alive makes V8 grow its
// young generation; the render thread caps it, so that the space stays
// small for the life of the page.
TEST(ContextLeaks, BusyPageKeepsTheYoungGenerationSmall) {
  RendererHarness harness(nullptr, nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  harness.Eval(browser, frame,
               "var ring = new Array(20000);"
               "for (var i = 0; i < 400000; i++)"
               "  ring[i % ring.length] = {id: i, name: 'item ' + i};");
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  size_t young = 0;
  for (size_t i = 0; i < isolate->NumberOfHeapSpaces(); ++i) {
    v8::HeapSpaceStatistics space;
    if (isolate->GetHeapSpaceStatistics(&space, i) &&
        std::string(space.space_name()) == "new_space") {
      young = space.space_size();
    }
  }
  ASSERT_GT(young, 0u);
  EXPECT_LE(young, 2u * 1024 * 1024) << "new space of " << young << " bytes";
}

// A full collection, made as a browser's loop would come to one: with
// V8's pending foreground tasks run first. Forced while the collector's
// own tasks still waited, it crashed now and then inside V8 on a loaded
// machine (pointer updating after evacuation).
void CollectEverything(v8::Isolate* isolate) {
  while (cef_renderer::RunV8ForegroundTasks(isolate) > 0) {
  }
  isolate->LowMemoryNotification();
}

// 1,000 documents created and released hold steady memory: no context
// records, API object records or V8 contexts stay behind.
TEST(ContextLeaks, ThousandContextsHoldSteadyMemory) {
  CefRefPtr<TestApp> app(new TestApp());
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList& args,
         CefRefPtr<CefV8Value>& retval, CefString&) {
        retval = args.empty() ? nullptr : args[0];
        return true;
      }));
  app->on_webkit_initialized = [&] {
    CefRegisterExtension("leak/ext",
                         "var leak = {}; (function() {"
                         " native function echo(); leak.echo = echo; })();",
                         handler.get());
  };
  std::vector<CefRefPtr<CefV8Value>> kept;  // wrappers outliving contexts
  app->on_context_created = [&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                CefRefPtr<CefV8Context> context) {
    CefRefPtr<CefV8Value> fn = CefV8Value::CreateFunction("fn", handler.get());
    context->GetGlobal()->SetValue("fn", fn, V8_PROPERTY_ATTRIBUTE_NONE);
    if (kept.size() < 10)
      kept.push_back(fn);
    else
      kept[kept.size() % 10] = fn;
  };
  RendererHarness harness(app.get(), nullptr);
  const int browser = harness.CreateBrowser();
  const int64 frame = harness.CreateFrame(browser, "", true);
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  const int baseline_states = cef_renderer::ContextState::LiveCount();
  size_t heap_after_warmup = 0;
  for (int i = 0; i < 1000; ++i) {
    harness.Eval(browser, frame,
                 "var big = new Array(1000).fill('x'); leak.echo(big);"
                 "fn(window); setTimeout(function() { big.length; }, 100000);");
    harness.ReleaseContext(browser, frame);
    ASSERT_TRUE(harness.Navigate(browser, frame));
    if (i == 99) {
      CollectEverything(isolate);
      v8::HeapStatistics stats;
      isolate->GetHeapStatistics(&stats);
      heap_after_warmup = stats.used_heap_size();
    }
  }
  harness.RunPendingTasks();
  CollectEverything(isolate);
  v8::HeapStatistics stats;
  isolate->GetHeapStatistics(&stats);
  // One live document, plus at most a context V8 has yet to drop.
  EXPECT_LE(stats.number_of_native_contexts(), 3u);
  // Released records stay only while a kept wrapper refers to them.
  EXPECT_LE(cef_renderer::ContextState::LiveCount(),
            baseline_states + static_cast<int>(kept.size()));
  kept.clear();
  EXPECT_EQ(baseline_states, cef_renderer::ContextState::LiveCount());
  // Only the live document's function record remains.
  EXPECT_EQ(1u, cef_renderer::RenderThreadImpl::Current()->tracker().size());
  EXPECT_LT(stats.used_heap_size(), heap_after_warmup + 2 * 1024 * 1024)
      << "heap grew from " << heap_after_warmup << " to "
      << stats.used_heap_size();
}

}  // namespace
}  // namespace v8test
