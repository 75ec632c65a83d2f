// kivhost's driver mode against a real renderer: one reply per command,
// events before the reply they belong to, errors that name the problem, and
// a session that goes on after them.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "host/child_process.h"
#include "host/driver.h"
#include "tests/support/process_state.h"

namespace {

using kivhost::Json;
using test_support::DeadButNotReaped;

// Sends SIGKILL to |pid| if it is still a process whose command line holds
// |argument|: a process descriptor taken first keeps the signal from
// reaching another process given the same pid.
bool KillIfAlive(pid_t pid, const std::string& argument) {
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidfd < 0)
    return false;
  std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
  std::string command_line((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
  const bool ours = command_line.find(argument) != std::string::npos;
  const bool killed =
      ours && syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
  close(pidfd);
  return killed;
}

class DriverTest : public ::testing::Test {
 protected:
  DriverTest()
      : driver_(Options(), [this](const std::string& line) {
          lines_.push_back(Json::parse(line));
          if (on_line_)
            on_line_(lines_.back());
        }) {}

  static kivhost::DriverOptions Options() {
    kivhost::DriverOptions options;
    options.default_renderer = KIV_TEST_RENDERER;
    options.timeout = kivhost::Millis(5000);
    return options;
  }

  // Handles |command| and returns the lines it produced.
  std::vector<Json> Run(const std::string& command) {
    lines_.clear();
    driver_.HandleLine(command);
    return lines_;
  }

  // The single reply of |command|, which must be the last line.
  Json Reply(const std::string& command) {
    std::vector<Json> lines = Run(command);
    EXPECT_FALSE(lines.empty()) << command;
    if (lines.empty())
      return Json();
    EXPECT_TRUE(lines.back().contains("reply")) << lines.back().dump();
    return lines.back();
  }

  std::string Error(const std::string& command) {
    Json reply = Reply(command);
    EXPECT_EQ(reply["ok"], false) << reply.dump();
    return reply.value("error", "");
  }

  void StartWithPage() {
    Json start = Reply(
        R"({"cmd":"start","callback_names":["tick"],"query_names":["echo"]})");
    ASSERT_EQ(start["ok"], true) << start.dump();
    pid_ = start["pid"].get<pid_t>();
    ASSERT_EQ(Reply(R"({"cmd":"create_browser","browser":1})")["ok"], true);
    ASSERT_EQ(
        Reply(R"({"cmd":"load","browser":1,"frame":1,"script":"var n = 1;"})")
            ["ok"],
        true);
  }

  pid_t pid_ = -1;  // of the renderer StartWithPage started
  std::vector<Json> lines_;
  // Sees each line as it is written.
  std::function<void(const Json&)> on_line_;
  kivhost::Driver driver_;
};

TEST_F(DriverTest, BadInputGetsAnErrorAndTheSessionGoesOn) {
  EXPECT_NE(Error("{not json").find("bad JSON"), std::string::npos);
  EXPECT_NE(Error("[1, 2]").find("JSON object"), std::string::npos);
  EXPECT_NE(Error(R"({"id": 4})").find("\"cmd\""), std::string::npos);
  Json unknown = Reply(R"({"cmd":"fly","id":"x"})");
  EXPECT_EQ(unknown["reply"], "fly");
  EXPECT_EQ(unknown["id"], "x");
  EXPECT_EQ(unknown["error"], "unknown command \"fly\"");
  EXPECT_NE(Error(R"({"cmd":"eval","browser":1,"frame":1,"code":"1"})")
                .find("no renderer is running"),
            std::string::npos);
  EXPECT_TRUE(Run("   ").empty()) << "blank lines are skipped";

  StartWithPage();
  EXPECT_EQ(Error(R"({"cmd":"eval","browser":1,"frame":2,"code":"1"})"),
            "no frame 2 of browser 1");
  EXPECT_EQ(Error(R"({"cmd":"load","browser":3,"frame":1})"), "no browser 3");
  EXPECT_EQ(Error(R"({"cmd":"eval","browser":1,"code":"1"})"),
            "\"frame\" is missing");
  EXPECT_NE(Error(R"({"cmd":"eval","browser":"1","frame":1,"code":"1"})")
                .find("\"browser\" must be an integer"),
            std::string::npos);
  EXPECT_NE(Error(R"({"cmd":"send","browser":1,"name":"echo","args":{"a":1}})")
                .find("must be a list"),
            std::string::npos);
  EXPECT_NE(
      Error(R"({"cmd":"send","browser":1,"name":"echo","args":[{"$x":1}]})")
          .find("unknown tag"),
      std::string::npos);
  EXPECT_NE(Error(R"({"cmd":"start"})").find("already running"),
            std::string::npos);
  EXPECT_NE(Error(R"({"cmd":"wait","ms":-1})").find("\"ms\""),
            std::string::npos);
  EXPECT_NE(Error(R"({"cmd":"settle","timeout_ms":0})").find("timeout_ms"),
            std::string::npos);
  EXPECT_EQ(Error(R"({"cmd":"release","browser":1,"frame":7})"),
            "no frame 7 of browser 1");

  Json eval = Reply(R"({"cmd":"eval","browser":1,"frame":1,"code":"n + 1"})");
  EXPECT_EQ(eval["ok"], true);
  EXPECT_EQ(eval["result"], "2");
}

// Input that nests as deep as its length allows gets an error, not a
// stack overflow, and the session goes on.
TEST_F(DriverTest, DeeplyNestedFieldsAreRefused) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  Json id = Reply(R"({"cmd":"wait","ms":0,"id":)" + deep + "}");
  EXPECT_EQ(id["error"], "\"id\" nests deeper than 100 levels");
  EXPECT_EQ(id["reply"], "wait");
  EXPECT_FALSE(id.contains("id"));
  EXPECT_NE(
      Error(R"({"cmd":"send","browser":1,"name":"x","args":)" + deep + "}")
          .find("no renderer"),
      std::string::npos);
  EXPECT_NE(Error(R"({"cmd":"start","extra_info":)" + deep + "}")
                .find("nests deeper than"),
            std::string::npos);
  Json shallow = Reply(R"({"cmd":"wait","ms":0,"id":[[1]]})");
  EXPECT_EQ(shallow["id"], Json::parse("[[1]]"));
  EXPECT_EQ(shallow["ok"], true);
}

TEST_F(DriverTest, ASessionFromStartToExit) {
  StartWithPage();
  std::vector<Json> load =
      Run(R"({"cmd":"load","browser":1,"frame":1,"url":"test://two.js","id":7,)"
          R"("script":"console.log('again'); testBridge.send('hi', '[1]');)"
          R"( testBridge.onMessage = function(n, j) { console.log(n, j); };)"
          R"( setTimeout(function() { console.error('later'); }, 30);"})");
  ASSERT_EQ(load.size(), 3u);
  EXPECT_EQ(load[0], Json::parse(R"({"event":"console","browser":1,"frame":1,)"
                                 R"("level":"log","text":"again"})"));
  EXPECT_EQ(load[1], Json::parse(R"({"event":"message","browser":1,)"
                                 R"("name":"hi","args":[1]})"));
  EXPECT_EQ(load[2], Json::parse(R"({"reply":"load","id":7,"ok":true})"));

  std::vector<Json> settle = Run(R"({"cmd":"settle"})");
  ASSERT_EQ(settle.size(), 2u);
  EXPECT_EQ(settle[0]["text"], "later");
  EXPECT_EQ(settle[1]["idle"], true);

  std::vector<Json> sent =
      Run(R"({"cmd":"send","browser":1,"name":"tick","args":["tick",5,5.0]})");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0]["text"], "tick [\"tick\",5,5.0]");

  Json thrown =
      Reply(R"({"cmd":"eval","browser":1,"frame":1,"code":"throw 1"})");
  EXPECT_EQ(thrown["ok"], true);
  EXPECT_EQ(thrown["threw"], true);
  EXPECT_EQ(thrown["exception"], "Uncaught 1");

  EXPECT_EQ(Reply(R"({"cmd":"release","browser":1,"frame":1})")["ok"], true);
  EXPECT_EQ(Reply(R"({"cmd":"destroy_browser","browser":1})")["ok"], true);
  std::vector<Json> shutdown = Run(R"({"cmd":"shutdown","exit_code":4})");
  ASSERT_EQ(shutdown.size(), 2u);
  EXPECT_EQ(shutdown[0],
            Json::parse(R"({"event":"exit","code":4,"reason":"shut down"})"));
  EXPECT_EQ(shutdown[1]["code"], 4);
  EXPECT_NE(Error(R"({"cmd":"shutdown"})").find("no renderer"),
            std::string::npos);
  // A new renderer can start after the old one ended. A zygote starts
  // beside the second, and the third is forked from it.
  EXPECT_EQ(Reply(R"({"cmd":"start"})")["forked"], false);
  Run(R"({"cmd":"shutdown"})");
  Json third = Reply(R"({"cmd":"start"})");
  EXPECT_EQ(third["ok"], true) << third.dump();
  EXPECT_EQ(third["forked"], true);
}

// A start the channel cannot carry is refused before a process starts, so
// the next start is not turned away by a renderer nobody was told of.
TEST_F(DriverTest, AStartTooLargeForTheChannelStartsNothing) {
  // A string as long as a frame, which the rest of the message then pushes
  // over the limit.
  const std::string text(64 << 20, 'a');
  std::vector<Json> refused =
      Run(R"({"cmd":"start","extra_info":[")" + text + R"("]})");
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0]["ok"], false);
  EXPECT_NE(refused[0].value("error", "").find("frame limit"),
            std::string::npos)
      << refused[0].dump();
  Json start = Reply(R"({"cmd":"start"})");
  EXPECT_EQ(start["ok"], true) << start.dump();
}

// Paths and arguments reach the system as C strings, which end at a NUL: one
// inside would name another file or argument than the command did.
TEST_F(DriverTest, PathsAndArgumentsWithANulAreRefused) {
  const std::string nul("\0x", 2);
  Json start = {{"cmd", "start"},
                {"renderer", std::string(KIV_TEST_RENDERER) + nul}};
  EXPECT_EQ(Error(start.dump()), "\"renderer\" must not hold a NUL character");
  start = {{"cmd", "start"}, {"type", "renderer" + nul}};
  EXPECT_EQ(Error(start.dump()), "\"type\" must not hold a NUL character");
  start = {{"cmd", "start"}, {"args", {"--a", "--b" + nul}}};
  EXPECT_EQ(Error(start.dump()), "\"args\" must not hold a NUL character");

  StartWithPage();
  Json load = {{"cmd", "load"},
               {"browser", 1},
               {"frame", 2},
               {"name", "f"},
               {"script_file", std::string(KIV_SOURCE_DIR "/README.md") + nul}};
  EXPECT_EQ(Error(load.dump()),
            "\"script_file\" must not hold a NUL character");
  // Text that crosses the channel may hold one.
  Json eval = Reply(Json({{"cmd", "eval"},
                          {"browser", 1},
                          {"frame", 1},
                          {"code", "'a' + '" + nul + "'"}})
                        .dump());
  EXPECT_EQ(eval["result"], "\"a\\u0000x\"") << eval.dump();
}

// A signal the renderer survives is not what ends it later.
TEST_F(DriverTest, ASurvivedSignalDoesNotNameTheLaterExit) {
  StartWithPage();
  Json survived = Reply(R"({"cmd":"kill","signal":"SIGCONT"})");
  EXPECT_EQ(survived["ok"], true);
  EXPECT_EQ(survived["exited"], false);
  std::vector<Json> end = Run(R"({"cmd":"shutdown","exit_code":3})");
  ASSERT_EQ(end.size(), 2u);
  EXPECT_EQ(end[0],
            Json::parse(R"({"event":"exit","code":3,"reason":"shut down"})"));

  // Nor a crash that comes after it.
  StartWithPage();
  EXPECT_EQ(Reply(R"({"cmd":"kill","signal":"SIGCONT"})")["exited"], false);
  std::vector<Json> crash = Run(R"({"cmd":"send","browser":1,"name":"crash"})");
  ASSERT_GE(crash.size(), 2u);
  EXPECT_EQ(crash[crash.size() - 2]["reason"], "died");
}

TEST(DriverZygoteTest, EveryRendererIsExecedWithoutTheZygote) {
  std::vector<Json> lines;
  kivhost::DriverOptions options;
  options.default_renderer = KIV_TEST_RENDERER;
  options.use_zygote = false;
  kivhost::Driver driver(options, [&lines](const std::string& line) {
    lines.push_back(Json::parse(line));
  });
  for (int i = 0; i < 3; ++i) {
    lines.clear();
    driver.HandleLine(R"({"cmd":"start"})");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()["ok"], true) << lines.back().dump();
    EXPECT_EQ(lines.back()["forked"], false);
    lines.clear();
    driver.HandleLine(R"({"cmd":"shutdown"})");
  }
}

// A cleared timer, and the timers of a released context, leave nothing
// queued; a live one does.
TEST_F(DriverTest, SettleCountsOnlyLiveTimers) {
  StartWithPage();
  ASSERT_EQ(
      Reply(R"({"cmd":"eval","browser":1,"frame":1,"code":)"
            R"("clearTimeout(setTimeout(function() {}, 60000));)"
            R"( var i = setInterval(function() {}, 60000);)"
            R"( setTimeout(function() { clearInterval(i); }, 20); 0"})")["ok"],
      true);
  Json settled = Reply(R"({"cmd":"settle","timeout_ms":2000})");
  EXPECT_EQ(settled["idle"], true) << settled.dump();

  ASSERT_EQ(Reply(R"({"cmd":"eval","browser":1,"frame":1,"code":)"
                  R"("setTimeout(function() {}, 60000); 0"})")["ok"],
            true);
  EXPECT_EQ(Reply(R"({"cmd":"settle","timeout_ms":200})")["idle"], false);
  EXPECT_EQ(Reply(R"({"cmd":"release","browser":1,"frame":1})")["ok"], true);
  EXPECT_EQ(Reply(R"({"cmd":"settle","timeout_ms":2000})")["idle"], true);
}

// A refused frame says why: its id is taken by another browser's frame, or
// the browser already has a main frame. The frames that exist carry on.
TEST_F(DriverTest, RefusedFramesNameTheReason) {
  StartWithPage();
  ASSERT_EQ(Reply(R"({"cmd":"create_browser","browser":2})")["ok"], true);
  EXPECT_EQ(Error(R"({"cmd":"load","browser":2,"frame":1,"script":"1"})"),
            "cannot create frame 1 of browser 2: frame id 1 is already in use "
            "by browser 1");
  EXPECT_EQ(Error(R"({"cmd":"load","browser":1,"frame":2,"main":true})"),
            "cannot create frame 2 of browser 1 as a main frame: the browser "
            "has one");
  // Browser 2 can still get a main frame, and browser 1's frame still runs.
  EXPECT_EQ(Reply(R"({"cmd":"load","browser":2,"frame":3})")["ok"], true);
  EXPECT_EQ(
      Reply(R"({"cmd":"eval","browser":1,"frame":1,"code":"n"})")["result"],
      "1");
  EXPECT_EQ(Reply(R"({"cmd":"load","browser":1,"frame":2,"name":"c"})")["ok"],
            true);
}

TEST_F(DriverTest, ValuesCrossLosslessly) {
  StartWithPage();
  const std::string args =
      R"([5,5.0,-0.0,1e+300,"caf\u00e9",{"$utf16":[97,0,98]},)"
      R"({"$binary":"AAH/"},{"$dict":[["$k",null]]},{"z":[],"a":{}},)"
      R"(true,null])";
  std::vector<Json> echoed =
      Run(R"({"cmd":"send","browser":1,"name":"echo","args":)" + args + "}");
  ASSERT_EQ(echoed.size(), 2u);
  // The dictionary comes back in the framework's key order.
  Json expected = Json::parse(args);
  expected[5] = std::string("a\0b", 3);  // valid UTF-16 comes back as text
  expected[8] = Json::parse(R"({"a":{},"z":[]})");
  EXPECT_EQ(echoed[0]["args"], expected) << echoed[0].dump();
  EXPECT_EQ(echoed[0]["args"][1].dump(), "5.0") << "a double stays a double";
}

// Script source keeps unpaired surrogates, written as JSON.stringify writes
// them, all the way to V8; text fields refuse them.
TEST_F(DriverTest, SourceCarriesUnpairedSurrogates) {
  StartWithPage();
  ASSERT_EQ(
      Reply(
          R"({"cmd":"load","browser":1,"frame":1,)"
          R"("script":"var s = 'a\ud800b', t = '\udc00\ud83d\ude00';"})")["ok"],
      true);
  Json eval = Reply(R"({"cmd":"eval","browser":1,"frame":1,"code":)"
                    R"("[s.length, s.charCodeAt(1), t.length, t.charCodeAt(0),)"
                    R"( '\udfff'.charCodeAt(0)].join() "})");
  EXPECT_EQ(eval["result"], "\"3,55296,3,56320,57343\"") << eval.dump();
  // The result is JSON.stringify text, which escapes them: nothing is lost.
  EXPECT_EQ(
      Reply(R"({"cmd":"eval","browser":1,"frame":1,"code":"s"})")["result"],
      "\"a\\ud800b\"");
  EXPECT_EQ(Error(R"({"cmd":"load","browser":1,"frame":2,"name":"\ud800"})"),
            "\"name\" must not hold an unpaired surrogate");
  EXPECT_EQ(Error(R"({"cmd":"send","browser":1,"name":"\udc00"})"),
            "\"name\" must not hold an unpaired surrogate");
}

TEST_F(DriverTest, DeadHungAndKilledRenderers) {
  StartWithPage();
  Json killed = Reply(R"({"cmd":"kill","signal":"SIGTERM"})");
  EXPECT_EQ(killed["exited"], true);
  EXPECT_EQ(lines_[0], Json::parse(R"({"event":"exit","signal":15,)"
                                   R"("signal_name":"SIGTERM",)"
                                   R"("reason":"killed"})"));

  StartWithPage();
  std::vector<Json> crash = Run(R"({"cmd":"send","browser":1,"name":"crash"})");
  ASSERT_GE(crash.size(), 2u);
  EXPECT_EQ(crash[crash.size() - 2]["signal_name"], "SIGABRT");
  EXPECT_EQ(crash[crash.size() - 2]["reason"], "died");
  EXPECT_EQ(crash.back()["error"], "the renderer is gone");

  StartWithPage();
  std::vector<Json> hang =
      Run(R"({"cmd":"send","browser":1,"name":"hang","timeout_ms":300})");
  ASSERT_GE(hang.size(), 2u);
  EXPECT_EQ(hang[hang.size() - 2]["reason"], "hung");
  EXPECT_NE(hang.back()["error"].get<std::string>().find("did not answer"),
            std::string::npos);
}

// A renderer that died before the driver noticed: the command's write fails,
// and the exit is reported before the reply, which says the renderer is gone.
TEST_F(DriverTest, ACommandToARendererThatDiedUnseenReportsTheExitFirst) {
  Json start = Reply(R"({"cmd":"start"})");
  ASSERT_EQ(start["ok"], true) << start.dump();
  const pid_t pid = start["pid"].get<pid_t>();
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  // Dead, its end of the channel closed, and not reaped by the driver.
  for (int i = 0; i < 500 && !DeadButNotReaped(pid); ++i)
    usleep(10000);
  ASSERT_TRUE(DeadButNotReaped(pid));

  std::vector<Json> lines = Run(R"({"cmd":"create_browser","browser":1})");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2]["event"], "exit") << lines.front().dump();
  EXPECT_EQ(lines[lines.size() - 2]["signal_name"], "SIGKILL");
  EXPECT_EQ(lines.back()["error"], "the renderer is gone");

  // Shutting down such a renderer reports its exit, as it did for one that
  // was still reading.
  start = Reply(R"({"cmd":"start"})");
  ASSERT_EQ(start["ok"], true) << start.dump();
  const pid_t second = start["pid"].get<pid_t>();
  ASSERT_EQ(kill(second, SIGKILL), 0);
  for (int i = 0; i < 500 && !DeadButNotReaped(second); ++i)
    usleep(10000);
  lines = Run(R"({"cmd":"shutdown"})");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2]["event"], "exit");
  EXPECT_EQ(lines.back()["ok"], true) << lines.back().dump();
  EXPECT_EQ(lines.back()["signal_name"], "SIGKILL") << lines.back().dump();
}

// What a renderer sends while a command waits for its barrier is written as
// it arrives, not held until the reply: a renderer that floods would
// otherwise fill the driver's memory for as long as the time-out allows.
TEST_F(DriverTest, EventsDuringABarrierAreWrittenAsTheyArrive) {
  // The renderer's first line ends it; were lines held until the barrier's
  // end, that would only come with its time-out.
  bool killed = false;
  on_line_ = [&](const Json& line) {
    const std::string text = line.value("text", "");
    if (!killed && line.value("event", "") == "output" &&
        text.rfind("chatter ", 0) == 0) {
      killed = KillIfAlive(std::stoi(text.substr(8)), "--chatter");
    }
  };
  std::vector<Json> lines = Run(R"({"cmd":"start","renderer":")" +
                                std::string(KIV_MISBEHAVING_RENDERER) +
                                R"(","args":["--chatter"],"timeout_ms":5000})");
  on_line_ = nullptr;
  EXPECT_TRUE(killed);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front()["event"], "output");
  EXPECT_EQ(lines[lines.size() - 2]["event"], "exit");
  EXPECT_EQ(lines[lines.size() - 2]["signal_name"], "SIGKILL");
  EXPECT_EQ(lines.back()["error"], "the renderer is gone");
}

// What a page sends goes out while its script keeps the render thread busy,
// as the framework's own I/O thread would send it, not when the task ends.
TEST_F(DriverTest, WhatAPageSendsLeavesBeforeItsTaskEnds) {
  StartWithPage();
  bool killed = false;
  on_line_ = [&](const Json& line) {
    if (!killed && line.value("event", "") == "message")
      killed = KillIfAlive(pid_, "--type=renderer");
  };
  std::vector<Json> lines =
      Run(R"({"cmd":"eval","browser":1,"frame":1,"timeout_ms":10000,)"
          R"("code":"testBridge.send('early', '[1]'); for (;;) {}"})");
  on_line_ = nullptr;
  EXPECT_TRUE(killed);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front()["name"], "early") << lines.front().dump();
  EXPECT_EQ(lines[lines.size() - 2]["signal_name"], "SIGKILL");
  EXPECT_EQ(lines.back()["error"], "the renderer is gone");
}

TEST_F(DriverTest, ARendererOutOfJavaScriptMemorySaysSoAndCrashes) {
  // A small heap, so that the page reaches its limit quickly.
  Json start = Reply(R"({"cmd":"start","callback_names":[],"query_names":[],)"
                     R"("args":["--js-flags=--max-old-space-size=16"]})");
  ASSERT_EQ(start["ok"], true) << start.dump();
  ASSERT_EQ(Reply(R"({"cmd":"create_browser","browser":1})")["ok"], true);
  std::vector<Json> lines =
      Run(R"({"cmd":"load","browser":1,"frame":1,"script":)"
          R"("var a = []; for (;;) a.push(new Array(10000).fill(0.5));"})");
  bool said_why = false;
  const Json* exit = nullptr;
  for (const Json& line : lines) {
    if (line.value("event", "") == "output" &&
        line.value("text", "")
                .find("V8 ran out of memory: the JavaScript "
                      "heap reached its limit") != std::string::npos) {
      said_why = true;
    }
    if (line.value("event", "") == "exit")
      exit = &line;
  }
  EXPECT_TRUE(said_why);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ((*exit)["signal_name"], "SIGABRT");
  EXPECT_EQ((*exit)["reason"], "died");
}

TEST_F(DriverTest, OtherProcessKinds) {
  Json start = Reply(R"({"cmd":"start","type":"utility"})");
  EXPECT_EQ(start["ok"], true);
  EXPECT_NE(
      Error(R"({"cmd":"create_browser","browser":1})").find("not a renderer"),
      std::string::npos);
  std::vector<Json> end = Run(R"({"cmd":"shutdown"})");
  ASSERT_EQ(end.size(), 2u);
  EXPECT_EQ(end[0], Json::parse(R"({"event":"exit","code":0,)"
                                R"("reason":"channel closed"})"));

  // An unknown kind starts and ends at once; the exit shows up as an event.
  EXPECT_EQ(Reply(R"({"cmd":"start","type":"bogus"})")["ok"], true);
  // Waits in short steps until the exit shows up, for at most 10 s: a busy
  // machine may take a while to start the process, and what it printed may
  // arrive in an earlier step than its exit.
  Json exited;
  for (int step = 0; step < 40 && exited.is_null(); ++step) {
    std::vector<Json> waited = Run(R"({"cmd":"wait","ms":250})");
    ASSERT_FALSE(waited.empty());
    EXPECT_TRUE(waited.back().contains("reply")) << waited.back().dump();
    for (size_t i = 0; i + 1 < waited.size(); ++i) {
      if (waited[i].value("event", "") == "exit")
        exited = waited[i];
    }
  }
  EXPECT_EQ(exited, Json::parse(R"({"event":"exit","code":1,)"
                                R"("reason":"ended by itself"})"));
}

// `kivhost driver` as a child of the test. Its input is the output of a
// shell command, or, without one, a pipe the test writes to.
class DriverCommand {
 public:
  explicit DriverCommand(const std::string& input = "") {
    int pair[2];
    if (pipe2(pair, O_CLOEXEC) != 0)
      return;
    const std::string driver =
        std::string(KIV_HOST) + " driver --renderer " + KIV_TEST_RENDERER;
    kivhost::ChildProcess::Options options;
    options.executable = "/bin/sh";
    options.arguments = {"-c", input.empty() ? "exec " + driver + " <&3 3<&-"
                                             : input + " | " + driver};
    options.channel_fd = pair[0];
    std::string error;
    child_ = kivhost::ChildProcess::Spawn(options, &error);
    EXPECT_TRUE(child_) << error;
    input_read_ = pair[0];  // the same open file as kivhost's input
    input_ = pair[1];
  }

  ~DriverCommand() {
    EndInput();
    if (child_ && !child_->WaitFor(std::chrono::seconds(20)))
      child_->KillAndReap();
    if (input_read_ >= 0)
      close(input_read_);
  }

  bool ok() const { return child_ != nullptr; }
  // The flags of kivhost's input, as its open file has them now.
  int InputFlags() const { return fcntl(input_read_, F_GETFL); }

  void Write(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(write(input_, text.data(), text.size()),
              static_cast<ssize_t>(text.size()));
  }

  void EndInput() {
    if (input_ >= 0)
      close(input_);
    input_ = -1;
  }

  // The next line of output, or null when the output ended or none came
  // within |timeout|.
  Json NextLine(kivhost::Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (lines_.empty() && child_->output_fd() >= 0 &&
           std::chrono::steady_clock::now() < deadline) {
      pollfd waiter = {child_->output_fd(), POLLIN, 0};
      poll(&waiter, 1, 100);
      for (std::string& line : child_->ReadOutputLines())
        lines_.push_back(std::move(line));
    }
    if (lines_.empty())
      return Json();
    // A line that is not JSON (kivhost's last words) stays text.
    Json line = Json::parse(lines_.front(), nullptr, false);
    if (line.is_discarded())
      line = lines_.front();
    lines_.erase(lines_.begin());
    return line;
  }

  // Every line up to the end of the output; then kivhost's exit code.
  std::vector<Json> AllLines(int* exit_code) {
    std::vector<Json> lines;
    for (Json line = NextLine(kivhost::Millis(30000)); !line.is_null();
         line = NextLine(kivhost::Millis(30000))) {
      lines.push_back(std::move(line));
    }
    *exit_code =
        child_->WaitFor(std::chrono::seconds(10)) ? child_->status()->code : -1;
    return lines;
  }

 private:
  std::unique_ptr<kivhost::ChildProcess> child_;
  int input_ = -1;
  int input_read_ = -1;
  std::vector<std::string> lines_;
};

// The command itself: input from a pipe, and the end of input shuts the
// renderer down.
TEST(KivhostDriverCommandTest, EndOfInputShutsDown) {
  DriverCommand driver(
      "printf '%s\\n' '{\"cmd\":\"start\"}' "
      "'{\"cmd\":\"create_browser\",\"browser\":1}'");
  ASSERT_TRUE(driver.ok());
  int exit_code;
  std::vector<Json> lines = driver.AllLines(&exit_code);
  EXPECT_EQ(exit_code, 0);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], Json::parse(R"({"reply":"create_browser","ok":true})"));
  EXPECT_EQ(lines[2],
            Json::parse(R"({"event":"exit","code":0,"reason":"shut down"})"));
  EXPECT_EQ(lines[3]["id"], "end of input");
}

// kivhost reads its input without blocking, and leaves the input as it
// found it: the open file may be shared, as a terminal is with the shell.
TEST(KivhostDriverCommandTest, InputIsLeftBlockingAsItWas) {
  DriverCommand driver;
  ASSERT_TRUE(driver.ok());
  driver.Write(R"({"cmd":"wait","ms":0})");
  driver.EndInput();
  int exit_code;
  std::vector<Json> lines = driver.AllLines(&exit_code);
  EXPECT_EQ(exit_code, 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(driver.InputFlags() & O_NONBLOCK, 0);
}

// A last line without its newline is a command too, an overlong one an
// overlong line.
TEST(KivhostDriverCommandTest, TheLastLineGetsAReplyWithoutANewline) {
  DriverCommand short_line("printf '%s' '{\"cmd\":\"wait\",\"ms\":0}'");
  ASSERT_TRUE(short_line.ok());
  int exit_code;
  std::vector<Json> lines = short_line.AllLines(&exit_code);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], Json::parse(R"({"reply":"wait","ok":true})"));

  DriverCommand long_line("head -c 67108865 /dev/zero | tr '\\0' x");
  ASSERT_TRUE(long_line.ok());
  lines = long_line.AllLines(&exit_code);
  EXPECT_EQ(exit_code, 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(
      lines[0],
      Json::parse(R"({"reply":null,"ok":false,)"
                  R"("error":"the line is longer than 67108864 bytes"})"));
}

// The bound holds for a line whose newline arrives in the same read as its
// last bytes, and the next line is read as usual.
TEST(KivhostDriverCommandTest, ALineJustAboveTheBoundIsRefused) {
  DriverCommand driver;
  ASSERT_TRUE(driver.ok());
  const std::string head = R"({"cmd":"wait","ms":0,"id":")";
  driver.Write(head + std::string((64 << 20) + 1 - head.size() - 2, 'x') +
               "\"}");
  driver.Write(R"({"cmd":"wait","ms":0,"id":2})");
  driver.EndInput();
  int exit_code;
  std::vector<Json> lines = driver.AllLines(&exit_code);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(
      lines[0],
      Json::parse(R"({"reply":null,"ok":false,)"
                  R"("error":"the line is longer than 67108864 bytes"})"));
  EXPECT_EQ(lines[1], Json::parse(R"({"reply":"wait","id":2,"ok":true})"));
}

// Only a regular file is read as a script, and only as far as a frame could
// carry it: a FIFO without a writer would block kivhost, a device or a huge
// file fill its memory.
TEST(KivhostDriverCommandTest, AScriptFileIsARegularFileWithinBounds) {
  char folder_template[] = "/tmp/kiv-script-file-XXXXXX";
  ASSERT_NE(mkdtemp(folder_template), nullptr);
  const std::string folder = folder_template;
  const std::string fifo = folder + "/fifo";
  const std::string huge = folder + "/huge.js";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Sparse: as long as the bound allows and one byte more, on no disk.
  const int file = open(huge.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(file, 0);
  ASSERT_EQ(ftruncate(file, 100663297), 0);
  close(file);

  DriverCommand driver;
  ASSERT_TRUE(driver.ok());
  driver.Write(R"({"cmd":"start"})");
  driver.Write(R"({"cmd":"create_browser","browser":1})");
  ASSERT_EQ(driver.NextLine(kivhost::Millis(10000))["ok"], true);
  ASSERT_EQ(driver.NextLine(kivhost::Millis(10000))["ok"], true);
  const auto load = [&driver](const std::string& path) {
    Json command = {
        {"cmd", "load"}, {"browser", 1}, {"frame", 1}, {"script_file", path}};
    driver.Write(command.dump());
    const Json reply = driver.NextLine(kivhost::Millis(10000));
    return reply.is_object() ? reply.value("error", "no error")
                             : std::string("no reply");
  };
  EXPECT_EQ(load(fifo), "\"script_file\" is not a regular file");
  EXPECT_EQ(load("/dev/zero"), "\"script_file\" is not a regular file");
  EXPECT_EQ(load(folder), "\"script_file\" is not a regular file");
  EXPECT_EQ(load(huge), "\"script_file\" is larger than 100663296 bytes");
  driver.Write(R"({"cmd":"load","browser":1,"frame":1,"script":"1"})");
  EXPECT_EQ(driver.NextLine(kivhost::Millis(10000))["ok"], true);

  unlink(fifo.c_str());
  unlink(huge.c_str());
  rmdir(folder.c_str());
}

}  // namespace
