// A renderer running the bench page (bench_page.h) with this process as its
// browser side, through host/: one browser, one main frame. Queries the page
// sends are handed out one by one and answered with Echo.
#ifndef BENCH_CROSS_PROCESS_BENCH_RENDERER_H_
#define BENCH_CROSS_PROCESS_BENCH_RENDERER_H_

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/cross_process/bench_page.h"
#include "host/renderer_host.h"

namespace kivbench {

struct BenchRendererOptions {
  Bridge bridge = Bridge::kProduct;
  std::string executable;
  std::vector<std::string> extra_arguments;
  // How long to wait for the renderer at any one step.
  kivhost::Millis timeout{30000};
};

// A query from the page, ready to be answered.
struct PageQuery {
  std::string name;
  int32_t request_id = 0;
  ipc::WireValue value;  // the value, or the JSON text, that it carries
};

class BenchRenderer {
 public:
  // Starts the renderer and loads the page; nullptr (|error| set) when the
  // renderer or the page fails.
  static std::unique_ptr<BenchRenderer> Start(
      const BenchRendererOptions& options,
      std::string* error);
  ~BenchRenderer();

  BenchRenderer(const BenchRenderer&) = delete;
  BenchRenderer& operator=(const BenchRenderer&) = delete;

  // Runs |code| in the page and waits for its JSON result. Queries sent
  // meanwhile are kept for NextQuery.
  bool Run(const std::string& code, std::string* json, std::string* error);
  // Sends |code| to run without waiting for it.
  bool Post(const std::string& code, std::string* error);

  // Waits for the next query of the page.
  bool NextQuery(PageQuery* query, std::string* error);
  // Answers |query| (ok) with the value it carried.
  bool Echo(PageQuery query, std::string* error);

  // Waits until the render thread has nothing queued.
  bool Settle(std::string* error);

  pid_t pid() const { return host_->pid(); }

  // Shuts the renderer down and checks that it ended cleanly.
  bool Shutdown(std::string* error);

 private:
  BenchRenderer(const BenchRendererOptions& options,
                std::unique_ptr<kivhost::RendererHost> host);

  // Sorts |events| into queries and script results; false on anything that
  // means the run broke (an uncaught exception, the renderer gone).
  bool Take(std::vector<kivhost::HostEvent>* events, std::string* error);
  bool Wait(std::string* error);
  bool ToQuery(const ipc::ProcessMessageSent& message, PageQuery* query);

  BenchRendererOptions options_;
  std::unique_ptr<kivhost::RendererHost> host_;
  std::deque<PageQuery> queries_;
  std::map<int, ipc::ScriptResult> results_;
  std::vector<kivhost::HostEvent> events_;
};

}  // namespace kivbench

#endif  // BENCH_CROSS_PROCESS_BENCH_RENDERER_H_
