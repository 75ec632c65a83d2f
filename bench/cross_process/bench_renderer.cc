#include "bench/cross_process/bench_renderer.h"

#include <utility>

#include "unicode/utf.h"

namespace kivbench {

namespace {

using ipc::WireValue;

constexpr int kBrowser = 1;
constexpr int64_t kFrame = 1;

const char kProductMessage[] = "kiv_jsapi";
const char kJsonStringMessage[] = "jsonQuery";

// The start-up list: no event names, the bench page's query names.
WireValue StartupList() {
  return WireValue::List(
      {WireValue::List({}), WireValue::List({WireValue::String(u"echo"),
                                             WireValue::String(u"done")})});
}

std::string Ascii(const std::u16string& text) {
  return std::string(text.begin(), text.end());
}

}  // namespace

std::unique_ptr<BenchRenderer> BenchRenderer::Start(
    const BenchRendererOptions& options,
    std::string* error) {
  kivhost::RendererOptions launch;
  launch.executable = options.executable;
  launch.extra_arguments = options.extra_arguments;
  std::unique_ptr<kivhost::RendererHost> host =
      kivhost::RendererHost::Launch(launch, error);
  if (!host)
    return nullptr;
  std::unique_ptr<BenchRenderer> renderer(
      new BenchRenderer(options, std::move(host)));
  ipc::LoadFrame load;
  load.browser_id = kBrowser;
  load.frame_id = kFrame;
  load.is_main = true;
  load.url = "bench://page";
  load.script = unicode::Utf8ToUtf16(BenchPage(options.bridge));
  if (!renderer->host_->StartRenderThread(StartupList(), error) ||
      !renderer->host_->CreateBrowser(kBrowser, error) ||
      !renderer->host_->LoadFrame(load, error) || !renderer->Settle(error)) {
    *error = "the page did not load: " + *error;
    return nullptr;
  }
  return renderer;
}

BenchRenderer::BenchRenderer(const BenchRendererOptions& options,
                             std::unique_ptr<kivhost::RendererHost> host)
    : options_(options), host_(std::move(host)) {}

BenchRenderer::~BenchRenderer() = default;

bool BenchRenderer::Take(std::vector<kivhost::HostEvent>* events,
                         std::string* error) {
  bool ok = true;
  for (kivhost::HostEvent& event : *events) {
    if (ipc::Event* wire = std::get_if<ipc::Event>(&event)) {
      if (auto* sent = std::get_if<ipc::ProcessMessageSent>(wire)) {
        PageQuery query;
        if (ToQuery(*sent, &query)) {
          queries_.push_back(std::move(query));
          continue;
        }
      } else if (auto* result = std::get_if<ipc::ScriptResult>(wire)) {
        results_[result->request_id] = *result;
        continue;
      } else if (std::holds_alternative<ipc::ConsoleMessage>(*wire) ||
                 std::holds_alternative<ipc::SyncReply>(*wire)) {
        continue;
      }
    } else if (std::holds_alternative<kivhost::OutputLine>(event)) {
      continue;
    }
    // Anything else (an exception, a refused request, an unknown message,
    // the end of the renderer) breaks the benchmark.
    if (ok)
      *error = kivhost::DescribeHostEvent(event);
    ok = false;
  }
  events->clear();
  return ok;
}

bool BenchRenderer::ToQuery(const ipc::ProcessMessageSent& message,
                            PageQuery* query) {
  const WireValue::Items& args = message.arguments.list_value();
  const bool product = options_.bridge == Bridge::kProduct;
  if (message.name != (product ? kProductMessage : kJsonStringMessage) ||
      args.size() != 3 || !args[0].is_int() || !args[1].is_string()) {
    return false;
  }
  query->request_id = args[0].int_value();
  query->name = Ascii(args[1].string_value());
  if (product) {
    // (request id, name, [value])
    if (!args[2].is_list() || args[2].list_value().size() != 1)
      return false;
    query->value = args[2].list_value()[0];
  } else {
    // (request id, name, text)
    if (!args[2].is_string())
      return false;
    query->value = args[2];
  }
  return true;
}

bool BenchRenderer::Wait(std::string* error) {
  if (!host_->Poll(options_.timeout, &events_)) {
    Take(&events_, error);
    *error = "the renderer ended: " + *error;
    return false;
  }
  if (events_.empty()) {
    *error = "the renderer did not answer in time";
    return false;
  }
  return Take(&events_, error);
}

bool BenchRenderer::Run(const std::string& code,
                        std::string* json,
                        std::string* error) {
  int id = host_->ExecuteScript(kBrowser, kFrame, code, error);
  if (id < 0)
    return false;
  while (results_.find(id) == results_.end()) {
    if (!Wait(error))
      return false;
  }
  ipc::ScriptResult result = std::move(results_[id]);
  results_.erase(id);
  if (!result.ok) {
    *error = "the page threw: " + result.exception;
    return false;
  }
  *json = result.json;
  return true;
}

bool BenchRenderer::Post(const std::string& code, std::string* error) {
  return host_->ExecuteScript(kBrowser, kFrame, code, error) >= 0;
}

bool BenchRenderer::NextQuery(PageQuery* query, std::string* error) {
  while (queries_.empty()) {
    if (!Wait(error))
      return false;
  }
  *query = std::move(queries_.front());
  queries_.pop_front();
  return true;
}

bool BenchRenderer::Echo(PageQuery query, std::string* error) {
  const bool product = options_.bridge == Bridge::kProduct;
  return host_->SendProcessMessage(
      kBrowser, product ? kProductMessage : kJsonStringMessage,
      WireValue::List({WireValue::Int(query.request_id), WireValue::Bool(true),
                       std::move(query.value)}),
      error);
}

bool BenchRenderer::Settle(std::string* error) {
  bool idle = false;
  while (!idle) {
    switch (host_->Sync(options_.timeout, &events_, &idle)) {
      case kivhost::RendererHost::SyncResult::kReplied:
        break;
      case kivhost::RendererHost::SyncResult::kTimedOut:
        *error = "the renderer hung";
        return false;
      case kivhost::RendererHost::SyncResult::kGone:
        Take(&events_, error);
        *error = "the renderer ended: " + *error;
        return false;
    }
    if (!Take(&events_, error))
      return false;
  }
  return true;
}

bool BenchRenderer::Shutdown(std::string* error) {
  if (!host_->Shutdown(0, error))
    return false;
  host_->WaitForExit(options_.timeout, &events_);
  events_.clear();
  const auto& status = host_->exit_status();
  if (!status || status->signaled || status->code != 0) {
    *error = "the renderer did not end cleanly: " +
             (status ? status->Describe() : std::string("still running"));
    return false;
  }
  return true;
}

}  // namespace kivbench
