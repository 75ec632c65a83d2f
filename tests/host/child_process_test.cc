#include "host/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "gtest/gtest.h"

namespace kivhost {
namespace {

class ChildProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair_), 0);
  }
  void TearDown() override {
    close(pair_[0]);
    close(pair_[1]);
  }

  std::unique_ptr<ChildProcess> Shell(const std::string& script,
                                      std::string* error) {
    ChildProcess::Options options;
    options.executable = "/bin/sh";
    options.arguments = {"-c", script};
    options.channel_fd = pair_[1];
    return ChildProcess::Spawn(options, error);
  }

  static std::vector<std::string> AllOutput(ChildProcess* child) {
    std::vector<std::string> lines;
    while (child->output_fd() >= 0) {
      for (std::string& line : child->ReadOutputLines())
        lines.push_back(line);
      usleep(1000);
    }
    return lines;
  }

  int pair_[2];
};

TEST_F(ChildProcessTest, OutputExitCodeAndDescriptors) {
  std::string error;
  // Standard output and error share the pipe; descriptor 3 is the channel;
  // nothing else of the parent is open in the child.
  auto child = Shell(
      "echo out; echo err >&2; [ -S /dev/fd/3 ] && echo socket3; "
      "ls /proc/self/fd | wc -l; printf tail; exit 3",
      &error);
  ASSERT_TRUE(child) << error;
  std::vector<std::string> lines = AllOutput(child.get());
  ASSERT_TRUE(child->WaitFor(std::chrono::seconds(5)));
  EXPECT_FALSE(child->status()->signaled);
  EXPECT_EQ(child->status()->code, 3);
  EXPECT_EQ(child->status()->Describe(), "exit code 3");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "out");
  EXPECT_EQ(lines[1], "err");
  EXPECT_EQ(lines[2], "socket3");
  // 0, 1, 2, 3 and the descriptor ls opens for /proc/self/fd.
  EXPECT_EQ(std::stoi(lines[3]), 5);
  EXPECT_EQ(lines[4], "tail") << "an unfinished last line is kept";
}

TEST_F(ChildProcessTest, AFloodIsReadInBoundedShares) {
  std::string error;
  // 10,000 lines of 100 bytes, all written once the test says so.
  auto child = Shell(
      "read go <&3; yes "
      "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy"
      "yyyyyyyyyyyyyyyyyyyyyyyyyyyy | head -n 10000",
      &error);
  ASSERT_TRUE(child) << error;
  // A pipe that holds the whole flood, so that the child has written all of
  // it and ended before anything is read.
  if (fcntl(child->output_fd(), F_SETPIPE_SZ, 1 << 20) < (1 << 20))
    GTEST_SKIP() << "cannot enlarge the output pipe";
  ASSERT_EQ(write(pair_[0], "go\n", 3), 3);
  ASSERT_TRUE(child->WaitFor(std::chrono::seconds(10)));

  // One call takes a share: a writer faster than the reader cannot keep the
  // caller's loop in it.
  std::vector<std::string> first = child->ReadOutputLines();
  EXPECT_FALSE(first.empty());
  EXPECT_LT(first.size(), 5000u);
  EXPECT_GE(child->output_fd(), 0);
  // The rest follows in later calls, nothing lost or cut.
  std::vector<std::string> rest = AllOutput(child.get());
  EXPECT_EQ(first.size() + rest.size(), 10000u);
  first.insert(first.end(), rest.begin(), rest.end());
  for (const std::string& line : first)
    ASSERT_EQ(line, std::string(99, 'y'));
}

TEST_F(ChildProcessTest, EnvironmentChangesReplaceOrAdd) {
  ASSERT_EQ(setenv("KIV_CHILD_TEST_KEPT", "parent", 1), 0);
  ASSERT_EQ(setenv("KIV_CHILD_TEST_SET", "parent", 1), 0);
  ChildProcess::Options options;
  options.executable = "/bin/sh";
  options.arguments = {"-c", "env | grep '^KIV_CHILD_TEST_' | sort"};
  options.channel_fd = pair_[1];
  options.environment = {"KIV_CHILD_TEST_SET=child", "KIV_CHILD_TEST_NEW=1"};
  std::string error;
  auto child = ChildProcess::Spawn(options, &error);
  ASSERT_TRUE(child) << error;
  EXPECT_EQ(AllOutput(child.get()),
            (std::vector<std::string>{"KIV_CHILD_TEST_KEPT=parent",
                                      "KIV_CHILD_TEST_NEW=1",
                                      "KIV_CHILD_TEST_SET=child"}));
  unsetenv("KIV_CHILD_TEST_KEPT");
  unsetenv("KIV_CHILD_TEST_SET");
}

TEST_F(ChildProcessTest, SignalsAndKills) {
  std::string error;
  auto child = Shell("sleep 30", &error);
  ASSERT_TRUE(child) << error;
  EXPECT_FALSE(child->WaitFor(std::chrono::milliseconds(50)));
  EXPECT_TRUE(child->Signal(SIGTERM));
  ASSERT_TRUE(child->WaitFor(std::chrono::seconds(5)));
  EXPECT_TRUE(child->status()->signaled);
  EXPECT_EQ(child->status()->signal, SIGTERM);
  EXPECT_EQ(child->status()->Describe(), "signal 15 (SIGTERM)");
  EXPECT_FALSE(child->Signal(SIGTERM)) << "no signal to a reaped child";

  auto ignoring = Shell("trap '' TERM; sleep 30", &error);
  ASSERT_TRUE(ignoring) << error;
  pid_t pid = ignoring->pid();
  ignoring.reset();  // the destructor kills and reaps
  EXPECT_NE(kill(pid, 0), 0);
}

TEST_F(ChildProcessTest, ParentSignalDispositionsDoNotLeakIn) {
  signal(SIGTERM, SIG_IGN);
  std::string error;
  auto child = Shell("sleep 30", &error);
  signal(SIGTERM, SIG_DFL);
  ASSERT_TRUE(child) << error;
  child->Signal(SIGTERM);
  ASSERT_TRUE(child->WaitFor(std::chrono::seconds(5)));
  EXPECT_TRUE(child->status()->signaled);
}

TEST_F(ChildProcessTest, ExecFailuresAreReportedBeforeSpawnReturns) {
  ChildProcess::Options options;
  options.executable = "/nonexistent/program";
  options.channel_fd = pair_[1];
  std::string error;
  EXPECT_EQ(ChildProcess::Spawn(options, &error), nullptr);
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;

  options.executable = "/etc/hostname";  // not executable
  EXPECT_EQ(ChildProcess::Spawn(options, &error), nullptr);
  EXPECT_NE(error.find("cannot run"), std::string::npos) << error;

  options.executable = "/bin/true";
  options.channel_fd = -1;
  EXPECT_EQ(ChildProcess::Spawn(options, &error), nullptr);
}

TEST(SignalNameTest, NamesAndNumbers) {
  EXPECT_EQ(SignalName(SIGKILL), "SIGKILL");
  EXPECT_EQ(SignalName(SIGSEGV), "SIGSEGV");
  EXPECT_EQ(SignalName(200), "signal 200");
}

}  // namespace
}  // namespace kivhost
