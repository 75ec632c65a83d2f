#include "bench/cross_process/proc_status.h"

#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <sstream>

namespace kivbench {

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

long ParseStatusKib(const std::string& status_text, const std::string& field) {
  const std::string key = "\n" + field + ":";
  const std::string text = "\n" + status_text;
  size_t at = text.find(key);
  if (at == std::string::npos)
    return -1;
  const char* start = text.c_str() + at + key.size();
  char* end = nullptr;
  long value = strtol(start, &end, 10);
  if (end == start || value < 0)
    return -1;
  while (*end == ' ' || *end == '\t')
    ++end;
  if (strncmp(end, "kB", 2) != 0)
    return -1;
  return value;
}

long ParseVmRssKib(const std::string& status_text) {
  return ParseStatusKib(status_text, "VmRSS");
}

char ParseStatState(const std::string& stat_text) {
  // "pid (name) S ...": the name ends at the last closing parenthesis.
  size_t close = stat_text.rfind(')');
  if (close == std::string::npos || close + 2 >= stat_text.size() ||
      stat_text[close + 1] != ' ') {
    return '\0';
  }
  return stat_text[close + 2];
}

std::string ReadStatusText(pid_t pid) {
  return ReadFile("/proc/" + std::to_string(pid) + "/status");
}

long ReadVmRssKib(pid_t pid) {
  return ParseVmRssKib(ReadStatusText(pid));
}

char ReadStatState(pid_t pid) {
  return ParseStatState(ReadFile("/proc/" + std::to_string(pid) + "/stat"));
}

}  // namespace kivbench
