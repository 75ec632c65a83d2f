#include "ipc/messages.h"

#include <cmath>

#include "gtest/gtest.h"

namespace ipc {
namespace {

template <typename T>
T RoundTripRequest(const T& record) {
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_TRUE(EncodeRequest(record, &payload, &error)) << error;
  Request decoded;
  EXPECT_TRUE(DecodeRequest(payload, &decoded, &error)) << error;
  EXPECT_TRUE(std::holds_alternative<T>(decoded));
  return std::holds_alternative<T>(decoded) ? std::get<T>(decoded) : T();
}

template <typename T>
T RoundTripEvent(const T& record) {
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_TRUE(EncodeEvent(record, &payload, &error)) << error;
  Event decoded;
  EXPECT_TRUE(DecodeEvent(payload, &decoded, &error)) << error;
  EXPECT_TRUE(std::holds_alternative<T>(decoded));
  return std::holds_alternative<T>(decoded) ? std::get<T>(decoded) : T();
}

WireValue Arguments() {
  return WireValue::List(
      {WireValue::Int(-7), WireValue::String(u"\xDBFF"),
       WireValue::Double(-std::numeric_limits<double>::infinity()),
       WireValue::Dictionary({{u"b", WireValue::Binary({0})}})});
}

TEST(MessagesTest, RequestsRoundTrip) {
  StartRenderThread start;
  start.extra_info = WireValue::List(
      {WireValue::List({WireValue::String(u"tick")}), WireValue::List({})});
  EXPECT_EQ(RoundTripRequest(start).extra_info, start.extra_info);

  EXPECT_EQ(RoundTripRequest(CreateBrowser{-3}).browser_id, -3);

  LoadFrame load;
  load.browser_id = 2;
  load.frame_id = int64_t{1} << 40;
  load.is_main = true;
  load.name = "side";
  load.url = "http://kiv/page.html";
  // Script source keeps every code unit, unpaired surrogates included.
  load.script = std::u16string(u"var a = '\0\u00e9\xd800';", 14);
  LoadFrame load_back = RoundTripRequest(load);
  EXPECT_EQ(load_back.browser_id, 2);
  EXPECT_EQ(load_back.frame_id, int64_t{1} << 40);
  EXPECT_TRUE(load_back.is_main);
  EXPECT_EQ(load_back.name, "side");
  EXPECT_EQ(load_back.url, load.url);
  EXPECT_EQ(load_back.script, load.script);

  ExecuteScript script{41, 2, -5, u"1+1"};
  ExecuteScript script_back = RoundTripRequest(script);
  EXPECT_EQ(script_back.request_id, 41);
  EXPECT_EQ(script_back.browser_id, 2);
  EXPECT_EQ(script_back.frame_id, -5);
  EXPECT_EQ(script_back.code, u"1+1");

  DeliverMessage message{4, "kiv_callback", Arguments()};
  DeliverMessage message_back = RoundTripRequest(message);
  EXPECT_EQ(message_back.browser_id, 4);
  EXPECT_EQ(message_back.name, "kiv_callback");
  EXPECT_EQ(message_back.arguments, Arguments());

  ReleaseContext release_back = RoundTripRequest(ReleaseContext{4, 6});
  EXPECT_EQ(release_back.browser_id, 4);
  EXPECT_EQ(release_back.frame_id, 6);
  EXPECT_EQ(RoundTripRequest(DestroyBrowser{8}).browser_id, 8);
  EXPECT_EQ(RoundTripRequest(Shutdown{-2}).exit_code, -2);
  EXPECT_EQ(RoundTripRequest(Sync{123456}).token, 123456);
  EXPECT_STREQ(RequestTypeName(RequestTypeByte(Sync())), "sync");
}

TEST(MessagesTest, EventsRoundTrip) {
  ProcessMessageSent sent{3, "kiv_jsapi", Arguments()};
  ProcessMessageSent sent_back = RoundTripEvent(sent);
  EXPECT_EQ(sent_back.browser_id, 3);
  EXPECT_EQ(sent_back.name, "kiv_jsapi");
  EXPECT_EQ(sent_back.arguments, Arguments());

  ConsoleMessage console{1, 2, ConsoleLevel::kWarn, "careful"};
  ConsoleMessage console_back = RoundTripEvent(console);
  EXPECT_EQ(console_back.browser_id, 1);
  EXPECT_EQ(console_back.frame_id, 2);
  EXPECT_EQ(console_back.level, ConsoleLevel::kWarn);
  EXPECT_EQ(console_back.text, "careful");

  UncaughtException exception{1, 2, "Uncaught Error: x", 7};
  UncaughtException exception_back = RoundTripEvent(exception);
  EXPECT_EQ(exception_back.frame_id, 2);
  EXPECT_EQ(exception_back.message, "Uncaught Error: x");
  EXPECT_EQ(exception_back.line, 7);

  ScriptResult result{9, true, "[1,\"a\"]", "", 0};
  ScriptResult result_back = RoundTripEvent(result);
  EXPECT_EQ(result_back.request_id, 9);
  EXPECT_TRUE(result_back.ok);
  EXPECT_EQ(result_back.json, "[1,\"a\"]");

  ScriptResult thrown{10, false, "", "Uncaught ReferenceError: q", 3};
  ScriptResult thrown_back = RoundTripEvent(thrown);
  EXPECT_FALSE(thrown_back.ok);
  EXPECT_EQ(thrown_back.exception, thrown.exception);
  EXPECT_EQ(thrown_back.line, 3);

  RequestFailed failed{RequestTypeByte(LoadFrame()), "no browser 5"};
  RequestFailed failed_back = RoundTripEvent(failed);
  EXPECT_STREQ(RequestTypeName(failed_back.request_type), "load frame");
  EXPECT_EQ(failed_back.reason, "no browser 5");

  SyncReply idle_back = RoundTripEvent(SyncReply{-4, true});
  EXPECT_EQ(idle_back.token, -4);
  EXPECT_TRUE(idle_back.idle);
  EXPECT_FALSE(RoundTripEvent(SyncReply{5, false}).idle);
}

TEST(MessagesTest, MalformedPayloadsAreRefusedWhole) {
  std::vector<uint8_t> good;
  std::string error;
  ASSERT_TRUE(
      EncodeRequest(DeliverMessage{1, "m", Arguments()}, &good, &error));

  // Every truncation, and one trailing byte, is refused.
  for (size_t length = 0; length < good.size(); ++length) {
    std::vector<uint8_t> prefix(good.begin(), good.begin() + length);
    Request out = Shutdown{77};
    EXPECT_FALSE(DecodeRequest(prefix, &out, &error)) << length;
    ASSERT_TRUE(std::holds_alternative<Shutdown>(out));
    EXPECT_EQ(std::get<Shutdown>(out).exit_code, 77) << "no partial result";
  }
  std::vector<uint8_t> trailing = good;
  trailing.push_back(0);
  Request out;
  EXPECT_FALSE(DecodeRequest(trailing, &out, &error));
  EXPECT_NE(error.find("trailing"), std::string::npos) << error;
}

TEST(MessagesTest, RecordsOfTheWrongDirectionOrShapeAreRefused) {
  std::vector<uint8_t> event_payload;
  std::string error;
  ASSERT_TRUE(EncodeEvent(ProcessMessageSent{1, "m", WireValue::List({})},
                          &event_payload, &error));
  Request request;
  EXPECT_FALSE(DecodeRequest(event_payload, &request, &error));
  EXPECT_NE(error.find("unknown request type"), std::string::npos) << error;

  std::vector<uint8_t> request_payload;
  ASSERT_TRUE(EncodeRequest(Shutdown{0}, &request_payload, &error));
  Event event;
  EXPECT_FALSE(DecodeEvent(request_payload, &event, &error));

  // Arguments must be a list: here a bare int follows the name.
  std::vector<uint8_t> not_a_list = {0x05, 1, 0, 0, 0, 0, 0,
                                     0,    0, 3, 1, 0, 0, 0};
  EXPECT_FALSE(DecodeRequest(not_a_list, &request, &error));
  EXPECT_NE(error.find("not a list"), std::string::npos) << error;

  // Console level 4 does not exist.
  ConsoleMessage console{1, 1, ConsoleLevel::kError, ""};
  std::vector<uint8_t> payload;
  ASSERT_TRUE(EncodeEvent(console, &payload, &error));
  payload[1 + 4 + 8] = 4;
  EXPECT_FALSE(DecodeEvent(payload, &event, &error));
  EXPECT_NE(error.find("console level"), std::string::npos) << error;

  // Text fields must be well-formed UTF-8.
  std::vector<uint8_t> bad_text = {0x05, 1,    0, 0, 0, 1, 0, 0,
                                   0,    0xff, 8, 0, 0, 0, 0};
  EXPECT_FALSE(DecodeRequest(bad_text, &request, &error));
  EXPECT_NE(error.find("UTF-8"), std::string::npos) << error;

  EXPECT_FALSE(DecodeRequest({}, &request, &error));
  EXPECT_EQ(error, "empty frame");
}

TEST(MessagesTest, UnencodableValueFailsTheWholeRecord) {
  WireValue deep = WireValue::Null();
  for (int i = 0; i < 200; ++i)
    deep = WireValue::List({deep});
  std::vector<uint8_t> payload = {1, 2, 3};
  std::string error;
  EXPECT_FALSE(EncodeEvent(ProcessMessageSent{1, "m", deep}, &payload, &error));
  EXPECT_TRUE(payload.empty());
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace ipc
