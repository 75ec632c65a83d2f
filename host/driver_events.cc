#include "host/driver_events.h"

namespace kivhost {

Json ExitFields(const ProcessExited& exited) {
  Json fields = Json::object();
  if (exited.status.signaled) {
    fields["signal"] = exited.status.signal;
    fields["signal_name"] = SignalName(exited.status.signal);
  } else {
    fields["code"] = exited.status.code;
  }
  fields["reason"] = exited.reason;
  return fields;
}

bool EventToJson(const HostEvent& event, Json* line) {
  *line = Json::object();
  if (const auto* output = std::get_if<OutputLine>(&event)) {
    (*line)["event"] = "output";
    (*line)["text"] = output->text;
    return true;
  }
  if (const auto* ended = std::get_if<ChannelEnded>(&event)) {
    if (ended->error.empty())
      return false;  // the exit event tells the rest
    (*line)["event"] = "channel_error";
    (*line)["error"] = ended->error;
    return true;
  }
  if (const auto* exited = std::get_if<ProcessExited>(&event)) {
    (*line)["event"] = "exit";
    Json fields = ExitFields(*exited);
    for (auto it = fields.begin(); it != fields.end(); ++it)
      (*line)[it.key()] = it.value();
    return true;
  }
  const ipc::Event& wire = std::get<ipc::Event>(event);
  if (const auto* message = std::get_if<ipc::ProcessMessageSent>(&wire)) {
    (*line)["event"] = "message";
    (*line)["browser"] = message->browser_id;
    (*line)["name"] = message->name;
    (*line)["args"] = ValueToJson(message->arguments);
    return true;
  }
  if (const auto* console = std::get_if<ipc::ConsoleMessage>(&wire)) {
    (*line)["event"] = "console";
    (*line)["browser"] = console->browser_id;
    (*line)["frame"] = console->frame_id;
    (*line)["level"] = ipc::ConsoleLevelName(console->level);
    (*line)["text"] = console->text;
    return true;
  }
  if (const auto* thrown = std::get_if<ipc::UncaughtException>(&wire)) {
    (*line)["event"] = "exception";
    (*line)["browser"] = thrown->browser_id;
    (*line)["frame"] = thrown->frame_id;
    (*line)["message"] = thrown->message;
    (*line)["line"] = thrown->line;
    return true;
  }
  if (const auto* failed = std::get_if<ipc::RequestFailed>(&wire)) {
    (*line)["event"] = "request_failed";
    (*line)["request"] = ipc::RequestTypeName(failed->request_type);
    (*line)["error"] = failed->reason;
    return true;
  }
  return false;
}

}  // namespace kivhost
