// One event raised by the browser process to a page that registered many
// callbacks for it: the product's Application dispatches it (a copy of the
// payload and a task per registration) and every callback runs. Reported
// per callback run.

#include <string>

#include "app/application.h"
#include "bench/common/bench_main.h"
#include "bench/inprocess/page_fixture.h"
#include "include/cef_process_message.h"

namespace kivbench {

namespace {

const char kEventName[] = "tick";

CefRefPtr<CefListValue> AnnounceEvent() {
  CefRefPtr<CefListValue> callbacks = CefListValue::Create();
  callbacks->SetString(0, kEventName);
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  extra_info->SetList(0, callbacks);
  extra_info->SetList(1, CefListValue::Create());
  return extra_info;
}

CefRefPtr<CefProcessMessage> Event(int sequence) {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create("kiv_callback");
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  arguments->SetString(0, kEventName);
  CefRefPtr<CefDictionaryValue> payload = CefDictionaryValue::Create();
  payload->SetInt("seq", sequence);
  payload->SetString("text", "tick from the browser");
  arguments->SetDictionary(1, payload);
  return message;
}

void BM_EventToRegistrations(benchmark::State& state) {
  const long registrations = Size(10000, 20);
  CefRefPtr<Application> app(new Application);
  // Each callback counts the runs that saw the event's own payload.
  PageFixture page(app.get(), AnnounceEvent(),
                   "var runs = 0, seq = 0;\n"
                   "for (var i = 0; i < " +
                       std::to_string(registrations) +
                       "; i++) {\n"
                       "  kivApi.registerCallback('tick', function(value) {\n"
                       "    if (value.seq === seq) runs++;\n"
                       "  });\n"
                       "}\n");
  if (!page.ok())
    return Fail(state, page.error());

  long events = 0;
  for (auto _ : state) {
    state.PauseTiming();
    page.Eval("seq = " + std::to_string(events));
    CefRefPtr<CefProcessMessage> event = Event(static_cast<int>(events));
    state.ResumeTiming();
    page.harness().DeliverMessage(page.browser(), event);
    long ran = 0;
    while (ran < registrations) {
      int count = page.harness().RunPendingTasks();
      if (count == 0)
        break;
      ran += count;
    }
    ++events;
  }
  const std::string expected = std::to_string(events * registrations);
  const std::string runs = page.Eval("runs");
  if (runs != expected)
    return Fail(state, "callbacks ran " + runs + " times, not " + expected);
  SetItemsPerIteration(state, static_cast<double>(registrations));
}

}  // namespace

void RegisterEventBenchmarks() {
  Register("EventToRegistrations/callbacks", BM_EventToRegistrations);
}

}  // namespace kivbench
