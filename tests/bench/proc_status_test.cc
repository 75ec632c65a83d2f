#include "bench/cross_process/proc_status.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace kivbench {
namespace {

TEST(ProcStatusTest, ReadsResidentSizeFromStatusText) {
  EXPECT_EQ(30208, ParseVmRssKib("Name:\tkiv-subprocess\nVmPeak:\t  99 kB\n"
                                 "VmRSS:\t   30208 kB\nRssAnon:\t 1 kB\n"));
  // At the very start and at the very end of the text.
  EXPECT_EQ(12, ParseVmRssKib("VmRSS: 12 kB"));
  // VmRSS must be a field of its own, with its unit.
  EXPECT_EQ(-1, ParseVmRssKib("Name:\tx\nXVmRSS:\t5 kB\n"));
  EXPECT_EQ(-1, ParseVmRssKib("VmRSS:\t5"));
  EXPECT_EQ(-1, ParseVmRssKib("VmRSS:\tkB\n"));
  EXPECT_EQ(-1, ParseVmRssKib(""));
  // Any other size field by its name.
  EXPECT_EQ(
      1, ParseStatusKib("VmRSS:\t   30208 kB\nRssAnon:\t 1 kB\n", "RssAnon"));
  EXPECT_EQ(-1, ParseStatusKib("VmRSS:\t   30208 kB\n", "RssAnon"));
}

TEST(ProcStatusTest, ReadsStateAfterTheLastParenthesisOfTheName) {
  EXPECT_EQ('S', ParseStatState("42 (kiv-subprocess) S 1 42 42 0"));
  EXPECT_EQ('R', ParseStatState("42 (a) b (c)) R 1 2"));
  EXPECT_EQ('\0', ParseStatState("42 (name"));
  EXPECT_EQ('\0', ParseStatState("42 (name)"));
  EXPECT_EQ('\0', ParseStatState(""));
}

TEST(ProcStatusTest, ReadsThisProcess) {
  EXPECT_GT(ReadVmRssKib(getpid()), 0);
  const std::string status = ReadStatusText(getpid());
  EXPECT_GT(ParseStatusKib(status, "RssAnon"), 0);
  EXPECT_LE(ParseStatusKib(status, "RssAnon"), ParseVmRssKib(status));
  EXPECT_EQ("", ReadStatusText(-1));
  EXPECT_EQ('R', ReadStatState(getpid()));
  EXPECT_EQ(-1, ReadVmRssKib(-1));
}

}  // namespace
}  // namespace kivbench
