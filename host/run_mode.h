// kivhost's run mode: one page in one renderer with built-in browser
// behaviour, printed as a readable transcript of what crosses the boundary
// (format in docs/kivhost.md).
//
// The browser side is an application of the bridge library (browser/) on the
// browser-process stand-in: an "echo" handler for every query name (flag
// true, the query's own argument as the result), and every event name raised
// a few times with the tick number as payload. When the ticks are done and
// the page has nothing left to do (or the time limit is reached) it shuts the
// renderer down.

#ifndef HOST_RUN_MODE_H_
#define HOST_RUN_MODE_H_

#include <functional>
#include <string>
#include <vector>

#include "host/renderer_host.h"

namespace kivhost {

struct RunOptions {
  std::string renderer;
  std::string page;  // the page script file
  std::string url;   // the page's URL in messages; default: the file name
  std::vector<std::string> query_names;
  std::vector<std::string> event_names;
  int ticks = 3;
  Millis tick_interval{200};
  Millis time_limit{10000};
  // How long the renderer may take to answer before it counts as hung.
  Millis timeout{10000};
  // A renderer started again after a crash is forked from a zygote.
  bool use_zygote = true;
};

// Exit codes of kivhost itself, apart from the renderer's.
constexpr int kRunUsageError = 64;
constexpr int kRunStartFailed = 65;

// Returns the renderer's exit code (128 + signal when a signal ended it), or
// kRunStartFailed when the page or the renderer could not be started.
int RunPage(const RunOptions& options,
            const std::function<void(const std::string&)>& write_line);

}  // namespace kivhost

#endif  // HOST_RUN_MODE_H_
