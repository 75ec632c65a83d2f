// kivhost's run mode with the test renderer: the echo answer, the ticking
// event, the transcript and the exit code.

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "host/run_mode.h"

namespace {

class RunModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/kiv_run_page_XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    page_ = name;
  }
  void TearDown() override { unlink(page_.c_str()); }

  int Run(const std::string& script, kivhost::RunOptions options) {
    std::ofstream(page_) << script;
    options.renderer = KIV_TEST_RENDERER;
    options.page = page_;
    options.url = "test://page.js";
    lines_.clear();
    return kivhost::RunPage(
        options, [this](const std::string& line) { lines_.push_back(line); });
  }

  // The transcript lines that start with "<-" or "->" (the first, with the
  // pid, varies).
  std::vector<std::string> Traffic() const {
    std::vector<std::string> out;
    for (const std::string& line : lines_) {
      if (line.rfind("<-", 0) == 0 || line.rfind("->", 0) == 0 ||
          line.rfind("--", 0) == 0)
        out.push_back(line);
    }
    return out;
  }

  std::string page_;
  std::vector<std::string> lines_;
};

TEST_F(RunModeTest, EchoAndTicksAreTranscribed) {
  kivhost::RunOptions options;
  options.query_names = {"echo"};
  options.event_names = {"tick"};
  options.ticks = 2;
  options.tick_interval = kivhost::Millis(20);
  int code = Run(
      "testBridge.onMessage = function(name, json) {\n"
      "  console.log('got ' + name + ' ' + json);\n"
      "};\n"
      "testBridge.send('kiv_jsapi', JSON.stringify([0, 'echo', [{a: 1}]]));\n",
      options);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(
      Traffic(),
      (std::vector<std::string>{
          "-> start render thread: callback names [\"tick\"], query "
          "names [\"echo\"]",
          "-> create browser 1",
          "-> load main frame 1 with test://page.js (161 bytes)",
          "<- message \"kiv_jsapi\" from browser 1: [0,\"echo\",[{\"a\":1}]]",
          "-> message \"kiv_jsapi\" to browser 1: [0,true,{\"a\":1}]",
          "<- console.log: got kiv_jsapi [0,true,{\"a\":1}]",
          "-> message \"kiv_callback\" to browser 1: [\"tick\",1]",
          "<- console.log: got kiv_callback [\"tick\",1]",
          "-> message \"kiv_callback\" to browser 1: [\"tick\",2]",
          "<- console.log: got kiv_callback [\"tick\",2]",
          "-- the page has nothing left to do", "-> shut down",
          "<- renderer exited with exit code 0 (shut down)"}))
      << testing::PrintToString(lines_);
}

TEST_F(RunModeTest, APageThatNeverSettlesEndsAtTheTimeLimit) {
  kivhost::RunOptions options;
  options.event_names = {"tick"};
  options.ticks = 0;
  options.time_limit = kivhost::Millis(300);
  auto started = std::chrono::steady_clock::now();
  int code = Run("setInterval(function() {}, 5);", options);
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::seconds(3));
  EXPECT_EQ(code, 0);
  std::vector<std::string> traffic = Traffic();
  ASSERT_GE(traffic.size(), 3u);
  EXPECT_EQ(traffic[traffic.size() - 3], "-- time limit of 300 ms reached");
}

TEST_F(RunModeTest, TheRenderersFateIsTheExitCode) {
  kivhost::RunOptions options;
  int code = Run("testBridge.send('x', '[]'); throw new Error('page broke');",
                 options);
  EXPECT_EQ(code, 0);
  bool saw_exception = false;
  for (const std::string& line : lines_) {
    if (line == "<- uncaught exception, line 1: Uncaught Error: page broke")
      saw_exception = true;
  }
  EXPECT_TRUE(saw_exception) << testing::PrintToString(lines_);

  options.page = "/nonexistent/page.js";
  lines_.clear();
  options.renderer = KIV_TEST_RENDERER;
  EXPECT_EQ(
      kivhost::RunPage(
          options, [this](const std::string& line) { lines_.push_back(line); }),
      kivhost::kRunStartFailed);
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find("cannot read the page"), std::string::npos);
}

// What the renderer says cannot break a transcript line, forge another one
// or reach the terminal as a control sequence.
TEST_F(RunModeTest, RendererTextsStayOnTheirLine) {
  kivhost::RunOptions options;
  options.query_names = {"echo"};
  int code =
      Run("console.log('a\\n-> shut down\\r\\x1b[2J\\u009b\\tz');\n"
          "throw new Error('x\\ny');\n",
          options);
  EXPECT_EQ(code, 0);
  for (const std::string& line : lines_) {
    EXPECT_EQ(line.find_first_of("\n\r\x1b"), std::string::npos) << line;
    EXPECT_EQ(line.find("\xc2\x9b"), std::string::npos) << line;
  }
  std::vector<std::string> traffic = Traffic();
  EXPECT_NE(std::find(traffic.begin(), traffic.end(),
                      "<- console.log: a\\n-> shut down\\r\\x1b[2J\\u009b\tz"),
            traffic.end())
      << testing::PrintToString(lines_);
  EXPECT_NE(std::find(traffic.begin(), traffic.end(),
                      "<- uncaught exception, line 2: Uncaught Error: x\\ny"),
            traffic.end())
      << testing::PrintToString(lines_);
}

TEST_F(RunModeTest, APageThatCannotBeLoadedIsAStartFailure) {
  auto run = [this](const std::string& page) {
    kivhost::RunOptions options;
    options.renderer = KIV_TEST_RENDERER;
    options.page = page;
    lines_.clear();
    return kivhost::RunPage(
        options, [this](const std::string& line) { lines_.push_back(line); });
  };
  auto said = [this](const std::string& text) {
    for (const std::string& line : lines_) {
      if (line.find(text) != std::string::npos)
        return true;
    }
    return false;
  };

  // Not a file at all: a folder (a FIFO or a device could block or never
  // end) is refused before a renderer starts.
  EXPECT_EQ(run("/tmp"), kivhost::kRunStartFailed);
  EXPECT_TRUE(said("is not a regular file")) << testing::PrintToString(lines_);
  EXPECT_FALSE(said("started")) << testing::PrintToString(lines_);

  // Too large for a frame: the renderer starts, the load cannot be sent,
  // and the renderer is shut down.
  ASSERT_EQ(truncate(page_.c_str(), 70 << 20), 0);
  EXPECT_EQ(run(page_), kivhost::kRunStartFailed);
  EXPECT_TRUE(said("-- not loaded: ")) << testing::PrintToString(lines_);
  ASSERT_FALSE(lines_.empty());
  EXPECT_EQ(lines_.back(), "<- renderer exited with exit code 0 (shut down)")
      << testing::PrintToString(lines_);
}

}  // namespace
