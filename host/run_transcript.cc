#include "host/run_transcript.h"

#include "host/json_value.h"

namespace kivhost {

std::string QuotedText(const std::string& text) {
  return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string NameListText(const std::vector<std::string>& names) {
  Json list = Json::array();
  for (const std::string& name : names)
    list.push_back(name);
  return list.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void Transcript::OnMessageToRenderer(int browser_id,
                                     const std::string& name,
                                     const ipc::WireValue& arguments) {
  Print("-> message " + QuotedText(name) + " to browser " +
        std::to_string(browser_id) + ": " + ValueToJsonText(arguments));
}

void Transcript::OnRendererEvent(int renderer, const HostEvent& event) {
  if (const auto* output = std::get_if<OutputLine>(&event)) {
    Print("<- renderer output: " + output->text);
  } else if (const auto* ended = std::get_if<ChannelEnded>(&event)) {
    if (!ended->error.empty())
      Print("-- channel broken: " + ended->error);
  } else if (const auto* exited = std::get_if<ProcessExited>(&event)) {
    exited_ = true;
    exit_code_ = exited->status.signaled ? 128 + exited->status.signal
                                         : exited->status.code;
    Print("<- renderer exited with " + exited->status.Describe() + " (" +
          exited->reason + ")");
  } else {
    const ipc::Event& wire = std::get<ipc::Event>(event);
    if (const auto* message = std::get_if<ipc::ProcessMessageSent>(&wire)) {
      Print("<- message " + QuotedText(message->name) + " from browser " +
            std::to_string(message->browser_id) + ": " +
            ValueToJsonText(message->arguments));
    } else if (const auto* console = std::get_if<ipc::ConsoleMessage>(&wire)) {
      Print(std::string("<- console.") + ipc::ConsoleLevelName(console->level) +
            ": " + console->text);
    } else if (const auto* thrown =
                   std::get_if<ipc::UncaughtException>(&wire)) {
      Print("<- uncaught exception, line " + std::to_string(thrown->line) +
            ": " + thrown->message);
    } else if (const auto* failed = std::get_if<ipc::RequestFailed>(&wire)) {
      Print(std::string("<- request failed (") +
            ipc::RequestTypeName(failed->request_type) +
            "): " + failed->reason);
    }
  }
}

}  // namespace kivhost
