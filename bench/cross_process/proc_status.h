// What /proc/<pid>/status and /proc/<pid>/stat say about a process.
#ifndef BENCH_CROSS_PROCESS_PROC_STATUS_H_
#define BENCH_CROSS_PROCESS_PROC_STATUS_H_

#include <sys/types.h>

#include <string>

namespace kivbench {

// A size field of a status file in KiB ("VmRSS", "RssAnon", ...); -1 when
// the text has no such field with its unit.
long ParseStatusKib(const std::string& status_text, const std::string& field);
// The resident set size (VmRSS).
long ParseVmRssKib(const std::string& status_text);

// The state letter (R, S, D, Z, ...) from the text of a stat file; '\0' when
// the text is not one. The process name may hold spaces and parentheses.
char ParseStatState(const std::string& stat_text);

// The text of a running process's status file (empty when it cannot be
// read), for reading several fields of one moment.
std::string ReadStatusText(pid_t pid);
// The same for a running process; -1 or '\0' when it cannot be read.
long ReadVmRssKib(pid_t pid);
char ReadStatState(pid_t pid);

}  // namespace kivbench

#endif  // BENCH_CROSS_PROCESS_PROC_STATUS_H_
