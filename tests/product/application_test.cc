// The Application: announced names, id counters, its registries' lifetime.

#include <limits>

#include "app/id_sequence.h"
#include "tests/product/bridge_fixture.h"

namespace {

class ApplicationTest : public BridgeTest {};

TEST_F(ApplicationTest, IsItsOwnRenderProcessHandler) {
  CefRefPtr<Application> app(new Application());
  CefRefPtr<CefRenderProcessHandler> handler = app->GetRenderProcessHandler();
  EXPECT_EQ(static_cast<CefRenderProcessHandler*>(app.get()), handler.get());
  EXPECT_EQ(app->GetRenderProcessHandler().get(), handler.get());
  // The other framework hooks keep their defaults.
  EXPECT_EQ(nullptr, app->GetBrowserProcessHandler().get());
  EXPECT_EQ(nullptr, app->GetResourceBundleHandler().get());
  EXPECT_EQ(nullptr, handler->GetLoadHandler().get());
}

TEST_F(ApplicationTest, ReadsTheTwoNameListsInOrderWithDuplicates) {
  CefRefPtr<CefListValue> extra_info = NameLists({"a", "b", "a"}, {"q1"});
  // Entries past index 1 are not read.
  extra_info->SetList(2, NameLists({"c"}, {"q2"})->GetList(0));
  StartRenderer(extra_info);
  EXPECT_TRUE(app_->IsCallbackKnown("a"));
  EXPECT_TRUE(app_->IsCallbackKnown("b"));
  EXPECT_FALSE(app_->IsCallbackKnown("c"));
  EXPECT_FALSE(app_->IsCallbackKnown("A"));
  EXPECT_FALSE(app_->IsCallbackKnown("q1"));
  EXPECT_FALSE(app_->IsCallbackKnown(""));
  EXPECT_TRUE(app_->IsQueryKnown("q1"));
  EXPECT_FALSE(app_->IsQueryKnown("q2"));
  EXPECT_FALSE(app_->IsQueryKnown("a"));
  // A twice-announced name is found like any other and works from the page.
  EXPECT_EQ("0", Eval("kivApi.registerCallback('a', function() {})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'q1'})"));
  EXPECT_EQ(1u, TakeSent().size());
}

TEST_F(ApplicationTest, NonStringNamesAreStoredAsEmptyNames) {
  CefRefPtr<CefListValue> callbacks = CefListValue::Create();
  callbacks->SetInt(0, 5);
  callbacks->SetString(1, "tick");
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  extra_info->SetList(0, callbacks);
  StartRenderer(extra_info);
  EXPECT_TRUE(app_->IsCallbackKnown(""));
  EXPECT_TRUE(app_->IsCallbackKnown("tick"));
  EXPECT_FALSE(app_->IsCallbackKnown("5"));
  EXPECT_EQ("0", Eval("kivApi.registerCallback('', function() {})"));
}

TEST_F(ApplicationTest, EmptyExtraInfoAnnouncesNothing) {
  StartRenderer(CefListValue::Create());
  EXPECT_FALSE(app_->IsCallbackKnown(""));
  EXPECT_FALSE(app_->IsQueryKnown(""));
  EXPECT_EQ(Thrown("The specified callback name is not known!"),
            Eval("kivApi.registerCallback('tick', function() {})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(ApplicationTest, MalformedExtraInfoLeavesTheListsEmpty) {
  // Strings where the lists belong.
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  extra_info->SetString(0, "tick");
  extra_info->SetString(1, "echo");
  StartRenderer(extra_info);
  EXPECT_FALSE(app_->IsCallbackKnown("tick"));
  EXPECT_FALSE(app_->IsQueryKnown("echo"));
  EXPECT_EQ(Thrown("The specified callback name is not known!"),
            Eval("kivApi.registerCallback('tick', function() {})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(ApplicationTest, NestedNameListsAndDictionariesAreNotNames) {
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  extra_info->SetDictionary(0, CefDictionaryValue::Create());
  extra_info->SetList(1, NameLists({"echo"}, {}));  // [["echo"], []]
  StartRenderer(extra_info);
  EXPECT_FALSE(app_->IsCallbackKnown(""));
  EXPECT_FALSE(app_->IsQueryKnown("echo"));
  // The two inner lists read as two empty names.
  EXPECT_TRUE(app_->IsQueryKnown(""));
}

TEST_F(ApplicationTest, OnlyCallbackNamesAnnounced) {
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  extra_info->SetList(0, NameLists({"tick"}, {})->GetList(0));
  StartRenderer(extra_info);
  EXPECT_TRUE(app_->IsCallbackKnown("tick"));
  EXPECT_FALSE(app_->IsQueryKnown("tick"));
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', function() {})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'tick'})"));
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(ApplicationTest, IdCountersAreIndependent) {
  CefRefPtr<Application> app(new Application());
  EXPECT_EQ(0, app->TakeQueryId());
  EXPECT_EQ(1, app->TakeQueryId());
  EXPECT_EQ(0, app->AddCallback("x", NULL, NULL));
  EXPECT_EQ(2, app->TakeQueryId());
  EXPECT_EQ(1, app->AddCallback("x", NULL, NULL));
  EXPECT_TRUE(app->RemoveCallback(0));
  EXPECT_FALSE(app->RemoveCallback(0));
  EXPECT_EQ(2, app->AddCallback("y", NULL, NULL));
}

TEST_F(ApplicationTest, IdsWrapAroundInsteadOfOverflowing) {
  const int max = std::numeric_limits<int>::max();
  const int min = std::numeric_limits<int>::min();
  EXPECT_EQ(1, NextSequenceId(0));
  EXPECT_EQ(max, NextSequenceId(max - 1));
  EXPECT_EQ(min, NextSequenceId(max));
  EXPECT_EQ(min + 1, NextSequenceId(min));
  EXPECT_EQ(0, NextSequenceId(-1));
}

TEST_F(ApplicationTest, DestructionReleasesRegisteredFunctionsAndContexts) {
  Start();
  CefRefPtr<CefV8Context> context = harness_->GetContext(browser_, frame_);
  ASSERT_TRUE(context.get());
  ASSERT_TRUE(context->Enter());
  CefRefPtr<CefV8Value> function;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval("(function() {})", function, exception));
  context->Exit();
  const int function_refs = function->GetRefCt();
  const int context_refs = context->GetRefCt();

  CefRefPtr<Application> other(new Application());
  other->AddCallback("x", function, context);
  other->AddPendingQuery(other->TakeQueryId(), function, context);
  EXPECT_EQ(function_refs + 2, function->GetRefCt());
  EXPECT_EQ(context_refs + 2, context->GetRefCt());
  other = NULL;
  EXPECT_EQ(function_refs, function->GetRefCt());
  EXPECT_EQ(context_refs, context->GetRefCt());
}

TEST_F(ApplicationTest, PendingQueryIsNotReplacedByALaterOneWithTheSameId) {
  Start();
  EXPECT_EQ("null", Eval("window.calls = [];"
                         "kivApi.query({name: 'echo', callback: "
                         "function() { calls.push('first'); }})"));
  CefRefPtr<CefV8Context> context = harness_->GetContext(browser_, frame_);
  ASSERT_TRUE(context->Enter());
  CefRefPtr<CefV8Value> second;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval("(function() { calls.push('second'); })", second,
                            exception));
  context->Exit();
  app_->AddPendingQuery(0, second, context);
  EXPECT_TRUE(Deliver(Reply(0, true)));
  EXPECT_EQ("[\"first\"]", Eval("calls"));
}

}  // namespace
