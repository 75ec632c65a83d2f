// The driver's session: replies, event lines, and the barriers that order
// them (the input loop is in driver_input.cc, the commands in
// driver_commands.cc).

#include "host/driver.h"

#include <poll.h>

#include <utility>

#include "host/driver_command.h"
#include "host/driver_events.h"
#include "host/json_parse.h"

namespace kivhost {

namespace {

using Clock = std::chrono::steady_clock;

// How long a renderer whose channel refused a write is given to be seen
// exiting before the write's error becomes the reply.
constexpr Millis kExitAfterFailedWrite(1000);

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

Driver::Driver(DriverOptions options,
               std::function<void(const std::string&)> write_line)
    : options_(std::move(options)), write_line_(std::move(write_line)) {}

Driver::~Driver() = default;

void Driver::Emit(const Json& line) {
  write_line_(Dump(line));
}

void Driver::Reply(Command& command, Json fields) {
  if (command.replied())
    return;
  command.set_replied();
  Json line = Json::object();
  line["reply"] = command.name().empty() ? Json(nullptr) : Json(command.name());
  if (command.id())
    line["id"] = *command.id();
  line["ok"] = true;
  for (auto it = fields.begin(); it != fields.end(); ++it)
    line[it.key()] = it.value();
  Emit(line);
  DiscardJson(&line);
}

void Driver::ReplyError(Command& command, const std::string& error) {
  if (command.replied())
    return;
  command.set_replied();
  Json line = Json::object();
  line["reply"] = command.name().empty() ? Json(nullptr) : Json(command.name());
  if (command.id())
    line["id"] = *command.id();
  line["ok"] = false;
  line["error"] = error;
  Emit(line);
  DiscardJson(&line);
}

void Driver::EmitEvents(std::vector<HostEvent>* events, Command* command) {
  for (HostEvent& event : *events) {
    if (const auto* exited = std::get_if<ProcessExited>(&event))
      last_exit_ = ExitFields(*exited);
    if (const auto* wire = std::get_if<ipc::Event>(&event)) {
      if (const auto* result = std::get_if<ipc::ScriptResult>(wire)) {
        if (command && result->request_id == command->awaited_script)
          command->script_result = *result;
        continue;  // part of the eval reply
      }
      const auto* failed = std::get_if<ipc::RequestFailed>(wire);
      if (failed && command && !command->failure) {
        command->failure = failed->reason;
        continue;  // the command's error
      }
    }
    Json line;
    if (EventToJson(event, &line))
      Emit(line);
  }
  events->clear();
}

RendererHost::EventSink Driver::EmitTo(Command* command) {
  return [this, command](std::vector<HostEvent>* events) {
    EmitEvents(events, command);
  };
}

void Driver::Pump(Millis duration, int wake_fd) {
  const Clock::time_point deadline = Clock::now() + duration;
  std::vector<HostEvent> events;
  while (renderer_ && !renderer_->exited()) {
    auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
    if (left.count() <= 0)
      break;
    renderer_->Poll(left, &events, wake_fd);
    EmitEvents(&events, nullptr);
    if (wake_fd >= 0) {
      pollfd waiter = {wake_fd, POLLIN, 0};
      if (poll(&waiter, 1, 0) > 0)
        break;
    }
  }
}

void Driver::ReplyNotSent(Command& command, const std::string& error) {
  if (renderer_ && renderer_->write_failed()) {
    // A renderer that closed its end of the channel is seen to exit within
    // moments; one that stays keeps the write's error as the reply. Nothing
    // of this command was sent, so what arrives meanwhile is not its own.
    Pump(kExitAfterFailedWrite, -1);
    if (renderer_->exited()) {
      ReplyError(command, "the renderer is gone");
      return;
    }
  }
  ReplyError(command, error);
}

bool Driver::Barrier(Command& command, bool* idle) {
  // Checked in HandleLine before anything was sent.
  int64_t timeout_ms = options_.timeout.count();
  std::string error;
  ReadTimeout(command, &timeout_ms, &error);
  std::vector<HostEvent> events;
  const RendererHost::EventSink emit = EmitTo(&command);
  RendererHost::SyncResult result =
      renderer_->Sync(Millis(timeout_ms), &events, idle, emit);
  switch (result) {
    case RendererHost::SyncResult::kReplied:
      return true;
    case RendererHost::SyncResult::kTimedOut:
      ReplyError(command, "the renderer did not answer within " +
                              std::to_string(timeout_ms) +
                              " ms and was killed");
      return false;
    case RendererHost::SyncResult::kGone:
      // Let the exit be reported before the reply.
      renderer_->WaitForExit(Millis(2000), &events, emit);
      ReplyError(command, "the renderer is gone");
      return false;
  }
  return false;
}

// Barrier, then the reply: an error if the renderer refused the request.
void Driver::Finish(Command& command, Json fields) {
  bool idle = false;
  if (!Barrier(command, &idle))
    return;
  if (command.failure) {
    ReplyError(command, *command.failure);
    return;
  }
  Reply(command, std::move(fields));
}

}  // namespace kivhost
