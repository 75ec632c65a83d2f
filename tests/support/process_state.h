// What /proc tells of a child process, for tests that need it dead before the
// code under test has noticed.
#ifndef TESTS_SUPPORT_PROCESS_STATE_H_
#define TESTS_SUPPORT_PROCESS_STATE_H_

#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace test_support {

// Whether process |pid| has ended and its descriptors are closed, but it is
// not yet reaped: its main thread is a zombie (state Z, after the
// parenthesized command name) and its other threads, which share the
// descriptor table and may still be ending, are gone.
inline bool DeadButNotReaped(pid_t pid) {
  const std::string proc = "/proc/" + std::to_string(pid);
  std::ifstream stat(proc + "/stat");
  std::string line;
  std::getline(stat, line);
  const size_t close = line.rfind(") ");
  if (close == std::string::npos || line[close + 2] != 'Z')
    return false;
  std::error_code error;
  auto threads = std::filesystem::directory_iterator(proc + "/task", error);
  return !error && std::distance(threads, {}) == 1;
}

}  // namespace test_support

#endif  // TESTS_SUPPORT_PROCESS_STATE_H_
