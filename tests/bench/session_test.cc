// The cross-process benchmarks' browser side against both renderers: the
// values they measure must really make the round trip.
#include "bench/cross_process/bridge_session.h"

#include <gtest/gtest.h>

#include "bench/cross_process/raw_pingpong.h"

namespace kivbench {
namespace {

std::unique_ptr<BridgeSession> Start(Bridge bridge, std::string* error) {
  SessionOptions options;
  options.bridge = bridge;
  options.executable =
      bridge == Bridge::kProduct ? KIV_SUBPROCESS_PATH : KIV_JSON_BRIDGE_PATH;
  options.timeout = kivhost::Millis(20000);
  return BridgeSession::Start(options, error);
}

// Answers "echo" queries until "done"; how many were answered.
int Serve(BridgeSession* session, std::string* error) {
  int answered = 0;
  PageQuery query;
  while (session->NextQuery(&query, error) && query.name != "done") {
    if (!session->Echo(std::move(query), error))
      return -1;
    ++answered;
  }
  return answered;
}

TEST(BridgeSessionTest, BothBridgesEchoEveryValueWhole) {
  for (Bridge bridge : {Bridge::kProduct, Bridge::kJsonString}) {
    SCOPED_TRACE(bridge == Bridge::kProduct ? "product" : "JSON string");
    std::string error, json;
    std::unique_ptr<BridgeSession> session = Start(bridge, &error);
    ASSERT_TRUE(session) << error;
    ASSERT_TRUE(session->Run(
        "bench.use({a: [1, 2.5, 'x', null, {b: true}], s: 'caf\\u00e9'}, true);"
        "bench.pingPong(3); 0",
        &json, &error))
        << error;
    EXPECT_EQ(3, Serve(session.get(), &error)) << error;
    ASSERT_TRUE(session->Run("[bench.bad, bench.replies]", &json, &error));
    EXPECT_EQ("[0,3]", json);

    // Burst: all queries are out before the first reply.
    ASSERT_TRUE(
        session->Run("bench.use(makeItems(3), true); 0", &json, &error));
    ASSERT_TRUE(session->Post("bench.burst(5); 0", &error));
    EXPECT_EQ(5, Serve(session.get(), &error)) << error;
    ASSERT_TRUE(session->Run("[bench.bad, bench.replies]", &json, &error));
    EXPECT_EQ("[0,5]", json);
    EXPECT_TRUE(session->Shutdown(&error)) << error;
  }
}

TEST(BridgeSessionTest, AReplyThatDiffersIsCounted) {
  std::string error, json;
  std::unique_ptr<BridgeSession> session = Start(Bridge::kProduct, &error);
  ASSERT_TRUE(session) << error;
  ASSERT_TRUE(session->Run("bench.use(makeItems(2), true); bench.pingPong(1)",
                           &json, &error));
  PageQuery query;
  ASSERT_TRUE(session->NextQuery(&query, &error)) << error;
  EXPECT_EQ("echo", query.name);
  query.value = ipc::WireValue::List({});
  ASSERT_TRUE(session->Echo(std::move(query), &error));
  ASSERT_TRUE(session->NextQuery(&query, &error)) << error;
  EXPECT_EQ("done", query.name);
  ASSERT_TRUE(session->Run("[bench.bad, bench.replies]", &json, &error));
  EXPECT_EQ("[1,1]", json);
}

TEST(BridgeSessionTest, JsonBridgeRefusesBadCallsAndIgnoresUnknownReplies) {
  std::string error, json;
  std::unique_ptr<BridgeSession> session = Start(Bridge::kJsonString, &error);
  ASSERT_TRUE(session) << error;
  EXPECT_FALSE(session->Run("jsonBridge.query(1, 2, null)", &json, &error));
  EXPECT_NE(std::string::npos, error.find("needs two strings")) << error;

  // A reply nobody waits for changes nothing; the renderer stays well.
  PageQuery stray;
  stray.request_id = 999;
  stray.value = ipc::WireValue::String(u"1");
  ASSERT_TRUE(session->Echo(std::move(stray), &error));
  EXPECT_TRUE(session->Settle(&error)) << error;
  ASSERT_TRUE(session->Run("typeof jsonBridge.query", &json, &error));
  EXPECT_EQ("\"function\"", json);
  EXPECT_TRUE(session->Shutdown(&error)) << error;
}

TEST(BridgeSessionTest, FailuresAreReportedNotHidden) {
  std::string error, json;
  SessionOptions options;
  options.executable = "/nonexistent/renderer";
  EXPECT_FALSE(BridgeSession::Start(options, &error));
  EXPECT_FALSE(error.empty());

  std::unique_ptr<BridgeSession> session = Start(Bridge::kProduct, &error);
  ASSERT_TRUE(session) << error;
  EXPECT_FALSE(session->Run("throw new Error('boom')", &json, &error));
  EXPECT_NE(std::string::npos, error.find("boom")) << error;
  // An exception outside a script run (in a callback) breaks the session.
  ASSERT_TRUE(session->Post(
      "setTimeout(function() { throw new Error('late'); }, 0); 0", &error));
  PageQuery query;
  EXPECT_FALSE(session->NextQuery(&query, &error));
  EXPECT_NE(std::string::npos, error.find("late")) << error;
}

TEST(RawPingPongTest, AnswersEveryRequestWithItsReplySize) {
  std::string error;
  std::unique_ptr<RawPingPong> ping_pong =
      RawPingPong::Start(100, 7000, &error);
  ASSERT_TRUE(ping_pong) << error;
  for (int i = 0; i < 50; ++i)
    ASSERT_TRUE(ping_pong->RoundTrip());
}

}  // namespace
}  // namespace kivbench
