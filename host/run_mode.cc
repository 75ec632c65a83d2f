#include "host/run_mode.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "host/json_value.h"
#include "ipc/utf.h"

namespace kivhost {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBrowserId = 1;
constexpr int64_t kFrameId = 1;
const char kQueryMessage[] = "kiv_jsapi";
const char kEventMessage[] = "kiv_callback";

std::string Quoted(const std::string& text) {
  return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string NameList(const std::vector<std::string>& names) {
  Json list = Json::array();
  for (const std::string& name : names)
    list.push_back(name);
  return list.dump(-1, ' ', false, Json::error_handler_t::replace);
}

ipc::WireValue WireNames(const std::vector<std::string>& names) {
  ipc::WireValue::Items items;
  for (const std::string& name : names)
    items.push_back(ipc::WireValue::String(ipc::Utf8ToUtf16(name)));
  return ipc::WireValue::List(std::move(items));
}

class PageRun {
 public:
  PageRun(const RunOptions& options,
          const std::function<void(const std::string&)>& write_line)
      : options_(options), write_(write_line) {}

  int Run();

 private:
  void Print(const std::string& line) { write_(line); }
  void Report(std::vector<HostEvent>* events);
  void Answer(const ipc::ProcessMessageSent& message);
  void SendMessage(const std::string& name, const ipc::WireValue& arguments);
  void RaiseTick();
  // Sends a Sync and reports what came before it; false if no reply came.
  bool Barrier(bool* idle);
  // Until the effects of every message sent so far have been reported.
  void CatchUp(Clock::time_point limit);
  bool Settled(Clock::time_point limit);
  int Finish();

  const RunOptions& options_;
  const std::function<void(const std::string&)>& write_;
  std::unique_ptr<RendererHost> renderer_;
  int ticks_sent_ = 0;
  // Messages sent since the last idle check; a page that got one may have
  // more to do.
  int sent_since_check_ = 0;
  // Messages sent whose effects may not have been reported yet.
  bool unsynced_ = false;
  bool exited_ = false;
  int exit_code_ = 0;
};

void PageRun::SendMessage(const std::string& name,
                          const ipc::WireValue& arguments) {
  std::string error;
  Print("-> message " + Quoted(name) + " to browser " +
        std::to_string(kBrowserId) + ": " + ValueToJsonText(arguments));
  if (!renderer_->SendProcessMessage(kBrowserId, name, arguments, &error))
    Print("-- not sent: " + error);
  ++sent_since_check_;
  unsynced_ = true;
}

void PageRun::Answer(const ipc::ProcessMessageSent& message) {
  if (message.name != kQueryMessage)
    return;  // only queries get answers
  const ipc::WireValue::Items& entries = message.arguments.list_value();
  if (entries.size() < 3 || !entries[0].is_int() || !entries[1].is_string()) {
    Print(
        "-- not a query (expected [request id, query name, [args]]); "
        "not answered");
    return;
  }
  // The echo: the query's own argument comes back as the result.
  const ipc::WireValue& args = entries[2];
  ipc::WireValue result = args.is_list() && !args.list_value().empty()
                              ? args.list_value()[0]
                              : ipc::WireValue::Null();
  SendMessage(kQueryMessage,
              ipc::WireValue::List(
                  {entries[0], ipc::WireValue::Bool(true), std::move(result)}));
}

void PageRun::Report(std::vector<HostEvent>* events) {
  for (HostEvent& event : *events) {
    if (auto* output = std::get_if<OutputLine>(&event)) {
      Print("<- renderer output: " + output->text);
    } else if (auto* ended = std::get_if<ChannelEnded>(&event)) {
      if (!ended->error.empty())
        Print("-- channel broken: " + ended->error);
    } else if (auto* exited = std::get_if<ProcessExited>(&event)) {
      exited_ = true;
      exit_code_ = exited->status.signaled ? 128 + exited->status.signal
                                           : exited->status.code;
      Print("<- renderer exited with " + exited->status.Describe() + " (" +
            exited->reason + ")");
    } else {
      ipc::Event& wire = std::get<ipc::Event>(event);
      if (auto* message = std::get_if<ipc::ProcessMessageSent>(&wire)) {
        Print("<- message " + Quoted(message->name) + " from browser " +
              std::to_string(message->browser_id) + ": " +
              ValueToJsonText(message->arguments));
        Answer(*message);
      } else if (auto* console = std::get_if<ipc::ConsoleMessage>(&wire)) {
        Print(std::string("<- console.") +
              ipc::ConsoleLevelName(console->level) + ": " + console->text);
      } else if (auto* thrown = std::get_if<ipc::UncaughtException>(&wire)) {
        Print("<- uncaught exception, line " + std::to_string(thrown->line) +
              ": " + thrown->message);
      } else if (auto* failed = std::get_if<ipc::RequestFailed>(&wire)) {
        Print(std::string("<- request failed (") +
              ipc::RequestTypeName(failed->request_type) +
              "): " + failed->reason);
      }
    }
  }
  events->clear();
}

void PageRun::RaiseTick() {
  ++ticks_sent_;
  for (const std::string& name : options_.event_names) {
    SendMessage(
        kEventMessage,
        ipc::WireValue::List({ipc::WireValue::String(ipc::Utf8ToUtf16(name)),
                              ipc::WireValue::Int(ticks_sent_)}));
  }
}

bool PageRun::Barrier(bool* idle) {
  std::vector<HostEvent> events;
  bool ignored = false;
  RendererHost::SyncResult result =
      renderer_->Sync(options_.timeout, &events, idle ? idle : &ignored);
  Report(&events);
  if (result == RendererHost::SyncResult::kTimedOut) {
    Print("-- the renderer did not answer within " +
          std::to_string(options_.timeout.count()) + " ms");
  }
  return result == RendererHost::SyncResult::kReplied;
}

void PageRun::CatchUp(Clock::time_point limit) {
  // The renderer runs the tasks a message posts before it answers the next
  // request, so the answer to a Sync comes after what they printed.
  while (unsynced_ && !exited_ && Clock::now() < limit) {
    unsynced_ = false;
    if (!Barrier(nullptr))
      return;
  }
}

// True when the render thread has no task queued and nothing was sent to it
// since the check began.
bool PageRun::Settled(Clock::time_point limit) {
  CatchUp(limit);
  sent_since_check_ = 0;
  bool idle = false;
  if (!Barrier(&idle))
    return false;
  return idle && sent_since_check_ == 0;
}

int PageRun::Finish() {
  std::vector<HostEvent> events;
  if (!exited_) {
    std::string error;
    Print("-> shut down");
    if (!renderer_->Shutdown(0, &error))
      Print("-- " + error);
    renderer_->WaitForExit(options_.timeout, &events);
    Report(&events);
  }
  return exit_code_;
}

int PageRun::Run() {
  std::ifstream in(options_.page, std::ios::binary);
  if (!in) {
    Print("kivhost: cannot read the page " + Quoted(options_.page));
    return kRunStartFailed;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const std::string script = text.str();

  RendererOptions launch;
  launch.executable = options_.renderer;
  std::string error;
  renderer_ = RendererHost::Launch(launch, &error);
  if (!renderer_) {
    Print("kivhost: " + error);
    return kRunStartFailed;
  }
  Print("kivhost: renderer " + options_.renderer + " started (pid " +
        std::to_string(renderer_->pid()) + ")");

  Print("-> start render thread: callback names " +
        NameList(options_.event_names) + ", query names " +
        NameList(options_.query_names));
  renderer_->StartRenderThread(
      ipc::WireValue::List(
          {WireNames(options_.event_names), WireNames(options_.query_names)}),
      &error);
  Print("-> create browser " + std::to_string(kBrowserId));
  renderer_->CreateBrowser(kBrowserId, &error);
  ipc::LoadFrame load;
  load.browser_id = kBrowserId;
  load.frame_id = kFrameId;
  load.is_main = true;
  load.url = options_.url.empty() ? options_.page : options_.url;
  load.script = script;
  Print("-> load main frame " + std::to_string(kFrameId) + " with " + load.url +
        " (" + std::to_string(script.size()) + " bytes)");
  renderer_->LoadFrame(load, &error);

  const Clock::time_point limit = Clock::now() + options_.time_limit;
  const bool ticking = !options_.event_names.empty() && options_.ticks > 0;
  std::vector<HostEvent> events;
  // The page has loaded once the renderer answers a first barrier; the
  // ticks start from there.
  unsynced_ = true;
  CatchUp(limit);
  if (exited_)
    return exit_code_;
  Clock::time_point next_tick = Clock::now() + options_.tick_interval;
  while (!exited_) {
    const Clock::time_point now = Clock::now();
    if (now >= limit) {
      Print("-- time limit of " + std::to_string(options_.time_limit.count()) +
            " ms reached");
      break;
    }
    const bool ticks_left = ticking && ticks_sent_ < options_.ticks;
    if (ticks_left && now >= next_tick) {
      RaiseTick();
      CatchUp(limit);
      next_tick = Clock::now() + options_.tick_interval;
      continue;
    }
    if (!ticks_left) {
      if (Settled(limit)) {
        Print("-- the page has nothing left to do");
        break;
      }
      if (exited_)
        break;
    }
    Clock::time_point wake = ticks_left ? std::min(next_tick, limit) : limit;
    Millis wait = std::chrono::duration_cast<Millis>(wake - Clock::now());
    if (!ticks_left && wait > Millis(50))
      wait = Millis(50);  // look again soon whether the page has settled
    if (wait.count() > 0) {
      renderer_->Poll(wait, &events);
      Report(&events);
      CatchUp(limit);
    }
  }
  return Finish();
}

}  // namespace

int RunPage(const RunOptions& options,
            const std::function<void(const std::string&)>& write_line) {
  PageRun run(options, write_line);
  return run.Run();
}

}  // namespace kivhost
