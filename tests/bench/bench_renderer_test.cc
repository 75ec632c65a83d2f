// The cross-process benchmarks' browser side against both renderers: the
// values they measure must really make the round trip.
#include "bench/cross_process/bench_renderer.h"

#include <gtest/gtest.h>

#include "bench/cross_process/raw_pingpong.h"

namespace kivbench {
namespace {

std::unique_ptr<BenchRenderer> Start(Bridge bridge, std::string* error) {
  BenchRendererOptions options;
  options.bridge = bridge;
  options.executable =
      bridge == Bridge::kProduct ? KIV_SUBPROCESS_PATH : KIV_JSON_BRIDGE_PATH;
  options.timeout = kivhost::Millis(20000);
  return BenchRenderer::Start(options, error);
}

// Answers "echo" queries until "done"; how many were answered.
int Serve(BenchRenderer* renderer, std::string* error) {
  int answered = 0;
  PageQuery query;
  while (renderer->NextQuery(&query, error) && query.name != "done") {
    if (!renderer->Echo(std::move(query), error))
      return -1;
    ++answered;
  }
  return answered;
}

TEST(BenchRendererTest, BothBridgesEchoEveryValueWhole) {
  for (Bridge bridge : {Bridge::kProduct, Bridge::kJsonString}) {
    SCOPED_TRACE(bridge == Bridge::kProduct ? "product" : "JSON string");
    std::string error, json;
    std::unique_ptr<BenchRenderer> renderer = Start(bridge, &error);
    ASSERT_TRUE(renderer) << error;
    ASSERT_TRUE(renderer->Run(
        "bench.use({a: [1, 2.5, 'x', null, {b: true}], s: 'caf\\u00e9'}, true);"
        "bench.pingPong(3); 0",
        &json, &error))
        << error;
    EXPECT_EQ(3, Serve(renderer.get(), &error)) << error;
    ASSERT_TRUE(renderer->Run("[bench.bad, bench.replies]", &json, &error));
    EXPECT_EQ("[0,3]", json);

    // Burst: all queries are out before the first reply.
    ASSERT_TRUE(
        renderer->Run("bench.use(makeItems(3), true); 0", &json, &error));
    ASSERT_TRUE(renderer->Post("bench.burst(5); 0", &error));
    EXPECT_EQ(5, Serve(renderer.get(), &error)) << error;
    ASSERT_TRUE(renderer->Run("[bench.bad, bench.replies]", &json, &error));
    EXPECT_EQ("[0,5]", json);
    EXPECT_TRUE(renderer->Shutdown(&error)) << error;
  }
}

TEST(BenchRendererTest, AReplyThatDiffersIsCounted) {
  std::string error, json;
  std::unique_ptr<BenchRenderer> renderer = Start(Bridge::kProduct, &error);
  ASSERT_TRUE(renderer) << error;
  ASSERT_TRUE(renderer->Run("bench.use(makeItems(2), true); bench.pingPong(1)",
                            &json, &error));
  PageQuery query;
  ASSERT_TRUE(renderer->NextQuery(&query, &error)) << error;
  EXPECT_EQ("echo", query.name);
  query.value = ipc::WireValue::List({});
  ASSERT_TRUE(renderer->Echo(std::move(query), &error));
  ASSERT_TRUE(renderer->NextQuery(&query, &error)) << error;
  EXPECT_EQ("done", query.name);
  ASSERT_TRUE(renderer->Run("[bench.bad, bench.replies]", &json, &error));
  EXPECT_EQ("[1,1]", json);
}

TEST(BenchRendererTest, JsonBridgeRefusesBadCallsAndIgnoresUnknownReplies) {
  std::string error, json;
  std::unique_ptr<BenchRenderer> renderer = Start(Bridge::kJsonString, &error);
  ASSERT_TRUE(renderer) << error;
  EXPECT_FALSE(renderer->Run("jsonBridge.query(1, 2, null)", &json, &error));
  EXPECT_NE(std::string::npos, error.find("needs two strings")) << error;

  // A reply nobody waits for changes nothing; the renderer stays well.
  PageQuery stray;
  stray.request_id = 999;
  stray.value = ipc::WireValue::String(u"1");
  ASSERT_TRUE(renderer->Echo(std::move(stray), &error));
  EXPECT_TRUE(renderer->Settle(&error)) << error;
  ASSERT_TRUE(renderer->Run("typeof jsonBridge.query", &json, &error));
  EXPECT_EQ("\"function\"", json);
  EXPECT_TRUE(renderer->Shutdown(&error)) << error;
}

TEST(BenchRendererTest, FailuresAreReportedNotHidden) {
  std::string error, json;
  BenchRendererOptions options;
  options.executable = "/nonexistent/renderer";
  EXPECT_FALSE(BenchRenderer::Start(options, &error));
  EXPECT_FALSE(error.empty());

  std::unique_ptr<BenchRenderer> renderer = Start(Bridge::kProduct, &error);
  ASSERT_TRUE(renderer) << error;
  EXPECT_FALSE(renderer->Run("throw new Error('boom')", &json, &error));
  EXPECT_NE(std::string::npos, error.find("boom")) << error;
  // An exception outside a script run (in a callback) breaks the run.
  ASSERT_TRUE(renderer->Post(
      "setTimeout(function() { throw new Error('late'); }, 0); 0", &error));
  PageQuery query;
  EXPECT_FALSE(renderer->NextQuery(&query, &error));
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
