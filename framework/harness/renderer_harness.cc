#include "harness/renderer_harness.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "base/message_loop.h"
#include "v8/render_thread.h"

namespace cef_harness {

// Plays the browser process's end of the channel: records what the renderer
// sends.
class RendererHarness::Recorder : public cef_renderer::OutboundSink {
 public:
  // cef_renderer::OutboundSink methods:
  bool SendProcessMessage(int browser_id,
                          CefRefPtr<CefProcessMessage> message) override {
    if (!send_result_)
      return false;
    sent_.push_back(SentMessage{browser_id, message->Copy()});
    return true;
  }

  void OnConsoleMessage(int browser_id,
                        int64 frame_id,
                        const std::string& level,
                        const std::string& text) override {
    console_.push_back(ConsoleLine{browser_id, frame_id, level, text});
  }

  void OnUncaughtException(int browser_id,
                           int64 frame_id,
                           const std::string& message,
                           int line) override {
    exceptions_.push_back(message);
  }

  std::vector<SentMessage> TakeSent() { return Take(&sent_); }
  std::vector<ConsoleLine> TakeConsole() { return Take(&console_); }
  std::vector<std::string> TakeExceptions() { return Take(&exceptions_); }
  void set_send_result(bool ok) { send_result_ = ok; }

 private:
  template <typename T>
  static std::vector<T> Take(std::vector<T>* from) {
    std::vector<T> result;
    result.swap(*from);
    return result;
  }

  bool send_result_ = true;
  std::vector<SentMessage> sent_;
  std::vector<ConsoleLine> console_;
  std::vector<std::string> exceptions_;
};

RendererHarness::RendererHarness(CefRefPtr<CefApp> app,
                                 CefRefPtr<CefListValue> extra_info)
    : recorder_(new Recorder()) {
  thread_ = cef_renderer::RenderThread::Start(app, extra_info, recorder_.get());
}

RendererHarness::~RendererHarness() {
  // The render thread goes first: shutting down may still report to the
  // recorder.
  thread_.reset();
  recorder_.reset();
}

int RendererHarness::CreateBrowser() {
  if (!thread_)
    return 0;
  const int id = next_browser_id_++;
  return thread_->CreateBrowser(id) ? id : 0;
}

int64 RendererHarness::CreateFrame(int browser_id,
                                   const std::string& name,
                                   bool is_main) {
  if (!thread_)
    return 0;
  const int64 id = next_frame_id_++;
  const std::string url = "http://harness/frame" + std::to_string(id);
  return thread_->CreateFrame(browser_id, id, name, url, is_main) ? id : 0;
}

bool RendererHarness::Navigate(int browser_id, int64 frame_id) {
  if (!thread_)
    return false;
  const std::string url = "http://harness/frame" + std::to_string(frame_id) +
                          "/" + std::to_string(++navigations_);
  return thread_->CreateContext(browser_id, frame_id, url);
}

CefRefPtr<CefBrowser> RendererHarness::GetBrowser(int browser_id) {
  return thread_ ? thread_->GetBrowser(browser_id) : nullptr;
}

CefRefPtr<CefFrame> RendererHarness::GetFrame(int browser_id, int64 frame_id) {
  return thread_ ? thread_->GetFrame(browser_id, frame_id) : nullptr;
}

CefRefPtr<CefV8Context> RendererHarness::GetContext(int browser_id,
                                                    int64 frame_id) {
  return thread_ ? thread_->GetContext(browser_id, frame_id) : nullptr;
}

bool RendererHarness::Run(int browser_id,
                          int64 frame_id,
                          const std::string& code,
                          std::string* result,
                          std::string* exception) {
  if (!thread_) {
    if (exception)
      *exception = "the renderer did not start";
    return false;
  }
  cef_renderer::EvalOutcome outcome =
      thread_->Evaluate(browser_id, frame_id, code);
  if (outcome.ok) {
    if (result)
      *result = outcome.json;
  } else if (exception) {
    *exception = outcome.exception;
  }
  return outcome.ok;
}

std::string RendererHarness::Eval(int browser_id,
                                  int64 frame_id,
                                  const std::string& code) {
  std::string result;
  std::string exception;
  if (Run(browser_id, frame_id, code, &result, &exception))
    return result;
  return "exception: " + exception;
}

bool RendererHarness::LoadScript(int browser_id,
                                 int64 frame_id,
                                 const std::string& code) {
  if (!thread_)
    return false;
  return thread_->LoadScript(browser_id, frame_id, code,
                             "http://harness/script.js");
}

std::vector<SentMessage> RendererHarness::TakeSentMessages() {
  return recorder_->TakeSent();
}

void RendererHarness::SetSendResult(bool ok) {
  recorder_->set_send_result(ok);
}

bool RendererHarness::DeliverMessage(int browser_id,
                                     CefRefPtr<CefProcessMessage> message) {
  return thread_ && thread_->DeliverProcessMessage(browser_id, message);
}

int RendererHarness::RunPendingTasks() {
  if (!thread_)
    return 0;
  cef_base::MessageLoop* loop = thread_->message_loop();
  const auto budget_end =
      std::chrono::steady_clock::now() + std::chrono::seconds(1);
  int ran = 0;
  // Tasks posted by tasks run too, until nothing is due.
  for (;;) {
    const int now = loop->RunReadyTasks();
    ran += now;
    if (now == 0 || std::chrono::steady_clock::now() >= budget_end)
      break;
  }
  thread_->RunMicrotasks();
  return ran;
}

int RendererHarness::RunTasksFor(int64 max_wait_ms) {
  if (!thread_)
    return 0;
  cef_base::MessageLoop* loop = thread_->message_loop();
  // Clamped like the loop's own delays, so that the deadline cannot
  // overflow the clock.
  const auto deadline =
      std::chrono::steady_clock::now() +
      std::chrono::milliseconds(std::clamp<int64>(
          max_wait_ms, 0, cef_base::MessageLoop::kMaxDelayMs));
  int ran = RunPendingTasks();
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline)
      break;
    const int64 left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now)
            .count();
    const int64 next = loop->MillisUntilNextTask();
    if (next < 0 || next > left)
      break;  // nothing becomes due in time
    loop->WaitForWork(left);
    ran += RunPendingTasks();
  }
  return ran;
}

void RendererHarness::ReleaseContext(int browser_id, int64 frame_id) {
  if (thread_)
    thread_->ReleaseContext(browser_id, frame_id);
}

void RendererHarness::DestroyBrowser(int browser_id) {
  if (thread_)
    thread_->DestroyBrowser(browser_id);
}

std::vector<ConsoleLine> RendererHarness::TakeConsoleLines() {
  return recorder_->TakeConsole();
}

std::vector<std::string> RendererHarness::TakeUncaughtExceptions() {
  return recorder_->TakeExceptions();
}

}  // namespace cef_harness
