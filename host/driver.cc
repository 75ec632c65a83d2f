#include "host/driver.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <limits>
#include <sstream>
#include <utility>

namespace kivhost {

namespace {

using Clock = std::chrono::steady_clock;

// Longest input line accepted; a longer one is refused as a whole.
constexpr size_t kMaxLineBytes = 64 * 1024 * 1024;

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

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

int SignalFromName(const std::string& name) {
  std::string bare = name.rfind("SIG", 0) == 0 ? name.substr(3) : name;
  for (int sig = 1; sig < NSIG; ++sig) {
    const char* abbrev = sigabbrev_np(sig);
    if (abbrev && bare == abbrev)
      return sig;
  }
  return -1;
}

}  // namespace

// One command being handled: its parsed object and what its reply echoes.
class Driver::Command {
 public:
  Command(Json object, std::string name) : object_(std::move(object)) {
    name_ = std::move(name);
    if (object_.is_object() && object_.contains("id"))
      id_ = object_["id"];
  }

  const std::string& name() const { return name_; }
  const Json& object() const { return object_; }
  bool replied() const { return replied_; }
  void set_replied() { replied_ = true; }
  const std::optional<Json>& id() const { return id_; }

  // A request the renderer refused while this command ran.
  std::optional<std::string> failure;
  // The ScriptResult awaited by "eval".
  int awaited_script = -1;
  std::optional<ipc::ScriptResult> script_result;

  // Field readers: each returns false with |error| naming the field.
  bool Has(const char* field) const {
    return object_.contains(field) && !object_[field].is_null();
  }

  bool Int(const char* field,
           int64_t low,
           int64_t high,
           std::optional<int64_t> fallback,
           int64_t* out,
           std::string* error) const {
    if (!Has(field)) {
      if (fallback) {
        *out = *fallback;
        return true;
      }
      *error = std::string("\"") + field + "\" is missing";
      return false;
    }
    const Json& value = object_[field];
    if (!value.is_number_integer() ||
        (value.is_number_unsigned() &&
         value.get<uint64_t>() > static_cast<uint64_t>(high)) ||
        value.get<int64_t>() < low || value.get<int64_t>() > high) {
      *error = std::string("\"") + field + "\" must be an integer from " +
               std::to_string(low) + " to " + std::to_string(high);
      return false;
    }
    *out = value.get<int64_t>();
    return true;
  }

  bool String(const char* field,
              std::optional<std::string> fallback,
              std::string* out,
              std::string* error) const {
    if (!Has(field)) {
      if (fallback) {
        *out = *fallback;
        return true;
      }
      *error = std::string("\"") + field + "\" is missing";
      return false;
    }
    if (!object_[field].is_string()) {
      *error = std::string("\"") + field + "\" must be a string";
      return false;
    }
    *out = object_[field].get<std::string>();
    return true;
  }

  bool Bool(const char* field,
            bool fallback,
            bool* out,
            std::string* error) const {
    if (!Has(field)) {
      *out = fallback;
      return true;
    }
    if (!object_[field].is_boolean()) {
      *error = std::string("\"") + field + "\" must be true or false";
      return false;
    }
    *out = object_[field].get<bool>();
    return true;
  }

  bool Names(const char* field, ipc::WireValue* out, std::string* error) const {
    ipc::WireValue::Items names;
    if (Has(field)) {
      const Json& list = object_[field];
      if (!list.is_array()) {
        *error = std::string("\"") + field + "\" must be a list of strings";
        return false;
      }
      for (const Json& name : list) {
        ipc::WireValue value;
        if (!JsonToValue(name, &value, error) || !value.is_string()) {
          *error = std::string("\"") + field + "\" must be a list of strings";
          return false;
        }
        names.push_back(std::move(value));
      }
    }
    *out = ipc::WireValue::List(std::move(names));
    return true;
  }

 private:
  Json object_;
  std::string name_;
  std::optional<Json> id_;
  bool replied_ = false;
};

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
}

void Driver::EmitEvents(std::vector<HostEvent>* events, Command* command) {
  for (HostEvent& event : *events) {
    Json line = Json::object();
    if (auto* output = std::get_if<OutputLine>(&event)) {
      line["event"] = "output";
      line["text"] = output->text;
    } else if (auto* ended = std::get_if<ChannelEnded>(&event)) {
      if (ended->error.empty())
        continue;  // the exit event tells the rest
      line["event"] = "channel_error";
      line["error"] = ended->error;
    } else if (auto* exited = std::get_if<ProcessExited>(&event)) {
      line["event"] = "exit";
      Json fields = ExitFields(*exited);
      for (auto it = fields.begin(); it != fields.end(); ++it)
        line[it.key()] = it.value();
      last_exit_ = fields;
    } else {
      ipc::Event& wire = std::get<ipc::Event>(event);
      if (auto* message = std::get_if<ipc::ProcessMessageSent>(&wire)) {
        line["event"] = "message";
        line["browser"] = message->browser_id;
        line["name"] = message->name;
        line["args"] = ValueToJson(message->arguments);
      } else if (auto* console = std::get_if<ipc::ConsoleMessage>(&wire)) {
        line["event"] = "console";
        line["browser"] = console->browser_id;
        line["frame"] = console->frame_id;
        line["level"] = ipc::ConsoleLevelName(console->level);
        line["text"] = console->text;
      } else if (auto* thrown = std::get_if<ipc::UncaughtException>(&wire)) {
        line["event"] = "exception";
        line["browser"] = thrown->browser_id;
        line["frame"] = thrown->frame_id;
        line["message"] = thrown->message;
        line["line"] = thrown->line;
      } else if (auto* result = std::get_if<ipc::ScriptResult>(&wire)) {
        if (command && result->request_id == command->awaited_script)
          command->script_result = *result;
        continue;  // part of the eval reply
      } else if (auto* failed = std::get_if<ipc::RequestFailed>(&wire)) {
        if (command && !command->failure) {
          command->failure = failed->reason;
          continue;
        }
        line["event"] = "request_failed";
        line["request"] = ipc::RequestTypeName(failed->request_type);
        line["error"] = failed->reason;
      } else {
        continue;
      }
    }
    Emit(line);
  }
  events->clear();
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

bool Driver::NeedRenderer(Command& command) {
  if (!renderer_ || renderer_->exited()) {
    ReplyError(command, "no renderer is running (send \"start\" first)");
    return false;
  }
  if (!render_thread_started_) {
    ReplyError(command, "the sub-process is not a renderer");
    return false;
  }
  return true;
}

bool Driver::Barrier(Command& command, bool* idle) {
  // Checked in HandleLine before anything was sent.
  int64_t timeout_ms = options_.timeout.count();
  std::string error;
  command.Int("timeout_ms", 1, std::numeric_limits<int32_t>::max(),
              options_.timeout.count(), &timeout_ms, &error);
  std::vector<HostEvent> events;
  RendererHost::SyncResult result =
      renderer_->Sync(Millis(timeout_ms), &events, idle);
  EmitEvents(&events, &command);
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
      renderer_->WaitForExit(Millis(2000), &events);
      EmitEvents(&events, &command);
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

void Driver::Start(Command& command) {
  if (renderer_ && !renderer_->exited()) {
    ReplyError(command, "a renderer is already running (pid " +
                            std::to_string(renderer_->pid()) +
                            "); shut it down first");
    return;
  }
  std::string error;
  RendererOptions options;
  if (!command.String("renderer", options_.default_renderer,
                      &options.executable, &error) ||
      !command.String("type", std::string("renderer"), &options.process_type,
                      &error)) {
    ReplyError(command, error);
    return;
  }
  if (options.executable.empty()) {
    ReplyError(command,
               "no renderer executable: give \"renderer\" or --renderer");
    return;
  }
  if (command.Has("args")) {
    const Json& args = command.object()["args"];
    bool strings = args.is_array();
    for (const Json& arg : args) {
      if (!arg.is_string())
        strings = false;
    }
    if (!strings) {
      ReplyError(command, "\"args\" must be a list of strings");
      return;
    }
    for (const Json& arg : args)
      options.extra_arguments.push_back(arg.get<std::string>());
  }
  ipc::WireValue extra_info;
  if (command.Has("extra_info")) {
    if (command.Has("callback_names") || command.Has("query_names")) {
      ReplyError(command,
                 "give either \"extra_info\" or the name lists, not both");
      return;
    }
    if (!JsonToValue(command.object()["extra_info"], &extra_info, &error)) {
      ReplyError(command, "\"extra_info\": " + error);
      return;
    }
    if (!extra_info.is_list()) {
      ReplyError(command, "\"extra_info\" must be a list");
      return;
    }
  } else {
    ipc::WireValue callbacks;
    ipc::WireValue queries;
    if (!command.Names("callback_names", &callbacks, &error) ||
        !command.Names("query_names", &queries, &error)) {
      ReplyError(command, error);
      return;
    }
    extra_info = ipc::WireValue::List({callbacks, queries});
  }
  int64_t timeout_ms;
  if (!command.Int("timeout_ms", 1, std::numeric_limits<int32_t>::max(),
                   options_.timeout.count(), &timeout_ms, &error)) {
    ReplyError(command, error);
    return;
  }

  renderer_ = RendererHost::Launch(options, &error);
  render_thread_started_ = false;
  if (!renderer_) {
    ReplyError(command, error);
    return;
  }
  Json fields = Json::object();
  fields["pid"] = renderer_->pid();
  if (options.process_type != "renderer") {
    Reply(command, fields);
    return;
  }
  if (!renderer_->StartRenderThread(extra_info, &error)) {
    ReplyError(command, error);
    return;
  }
  render_thread_started_ = true;
  Finish(command, fields);
}

bool Driver::ReadBrowser(Command& command,
                         int64_t* browser,
                         std::string* error) {
  return command.Int("browser", std::numeric_limits<int32_t>::min(),
                     std::numeric_limits<int32_t>::max(), std::nullopt, browser,
                     error);
}

void Driver::CreateBrowser(Command& command) {
  int64_t browser;
  std::string error;
  if (!ReadBrowser(command, &browser, &error)) {
    ReplyError(command, error);
    return;
  }
  if (!renderer_->CreateBrowser(static_cast<int>(browser), &error)) {
    ReplyError(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::Load(Command& command) {
  ipc::LoadFrame load;
  int64_t browser;
  std::string error;
  std::string script_file;
  if (!ReadBrowser(command, &browser, &error) ||
      !command.Int("frame", std::numeric_limits<int64_t>::min(),
                   std::numeric_limits<int64_t>::max(), std::nullopt,
                   &load.frame_id, &error) ||
      !command.String("name", std::string(), &load.name, &error) ||
      !command.String("script", std::string(), &load.script, &error) ||
      !command.String("script_file", std::string(), &script_file, &error) ||
      !command.Bool("main", load.name.empty(), &load.is_main, &error)) {
    ReplyError(command, error);
    return;
  }
  if (!script_file.empty()) {
    if (command.Has("script")) {
      ReplyError(command, "give either \"script\" or \"script_file\"");
      return;
    }
    std::ifstream in(script_file, std::ios::binary);
    if (!in) {
      ReplyError(command, "cannot read \"" + script_file + "\"");
      return;
    }
    std::ostringstream text;
    text << in.rdbuf();
    load.script = text.str();
  }
  if (!command.String("url", script_file.empty() ? "about:blank" : script_file,
                      &load.url, &error)) {
    ReplyError(command, error);
    return;
  }
  load.browser_id = static_cast<int>(browser);
  if (!renderer_->LoadFrame(load, &error)) {
    ReplyError(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::Eval(Command& command) {
  int64_t browser;
  int64_t frame;
  std::string code;
  std::string error;
  if (!ReadBrowser(command, &browser, &error) ||
      !command.Int("frame", std::numeric_limits<int64_t>::min(),
                   std::numeric_limits<int64_t>::max(), std::nullopt, &frame,
                   &error) ||
      !command.String("code", std::nullopt, &code, &error)) {
    ReplyError(command, error);
    return;
  }
  command.awaited_script =
      renderer_->ExecuteScript(static_cast<int>(browser), frame, code, &error);
  if (command.awaited_script < 0) {
    ReplyError(command, error);
    return;
  }
  bool idle = false;
  if (!Barrier(command, &idle))
    return;
  if (command.failure) {
    ReplyError(command, *command.failure);
    return;
  }
  if (!command.script_result) {
    ReplyError(command, "the renderer sent no result");
    return;
  }
  const ipc::ScriptResult& result = *command.script_result;
  Json fields = Json::object();
  fields["threw"] = !result.ok;
  if (result.ok) {
    fields["result"] = result.json;
  } else {
    fields["exception"] = result.exception;
    fields["line"] = result.line;
  }
  Reply(command, fields);
}

void Driver::Send(Command& command) {
  int64_t browser;
  std::string name;
  std::string error;
  if (!ReadBrowser(command, &browser, &error) ||
      !command.String("name", std::nullopt, &name, &error)) {
    ReplyError(command, error);
    return;
  }
  if (name.empty()) {
    ReplyError(command, "\"name\" must not be empty");
    return;
  }
  ipc::WireValue args = ipc::WireValue::List({});
  if (command.Has("args")) {
    if (!JsonToValue(command.object()["args"], &args, &error)) {
      ReplyError(command, "\"args\": " + error);
      return;
    }
    if (!args.is_list()) {
      ReplyError(command, "\"args\" must be a list");
      return;
    }
  }
  if (!renderer_->SendProcessMessage(static_cast<int>(browser), name, args,
                                     &error)) {
    ReplyError(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::Release(Command& command) {
  int64_t browser;
  int64_t frame;
  std::string error;
  if (!ReadBrowser(command, &browser, &error) ||
      !command.Int("frame", std::numeric_limits<int64_t>::min(),
                   std::numeric_limits<int64_t>::max(), std::nullopt, &frame,
                   &error)) {
    ReplyError(command, error);
    return;
  }
  if (!renderer_->ReleaseContext(static_cast<int>(browser), frame, &error)) {
    ReplyError(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::DestroyBrowser(Command& command) {
  int64_t browser;
  std::string error;
  if (!ReadBrowser(command, &browser, &error)) {
    ReplyError(command, error);
    return;
  }
  if (!renderer_->DestroyBrowser(static_cast<int>(browser), &error)) {
    ReplyError(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::Wait(Command& command) {
  int64_t ms;
  std::string error;
  if (!command.Int("ms", 0, 24 * 3600 * 1000, std::nullopt, &ms, &error)) {
    ReplyError(command, error);
    return;
  }
  Pump(Millis(ms), -1);
  Reply(command, Json::object());
}

void Driver::Settle(Command& command) {
  int64_t timeout_ms;
  std::string error;
  if (!command.Int("timeout_ms", 1, std::numeric_limits<int32_t>::max(),
                   options_.timeout.count(), &timeout_ms, &error)) {
    ReplyError(command, error);
    return;
  }
  const Clock::time_point deadline = Clock::now() + Millis(timeout_ms);
  for (;;) {
    bool idle = false;
    if (!Barrier(command, &idle))
      return;
    if (idle) {
      Reply(command, Json{{"idle", true}});
      return;
    }
    if (Clock::now() >= deadline) {
      Reply(command, Json{{"idle", false}});
      return;
    }
    Pump(Millis(10), -1);
    if (!renderer_ || renderer_->exited()) {
      ReplyError(command, "the renderer is gone");
      return;
    }
  }
}

void Driver::Shutdown(Command& command) {
  int64_t exit_code;
  int64_t timeout_ms;
  std::string error;
  if (!command.Int("exit_code", std::numeric_limits<int32_t>::min(),
                   std::numeric_limits<int32_t>::max(), 0, &exit_code,
                   &error) ||
      !command.Int("timeout_ms", 1, std::numeric_limits<int32_t>::max(),
                   options_.timeout.count(), &timeout_ms, &error)) {
    ReplyError(command, error);
    return;
  }
  if (!renderer_ || renderer_->exited()) {
    ReplyError(command, "no renderer is running");
    return;
  }
  std::vector<HostEvent> events;
  if (render_thread_started_) {
    if (!renderer_->Shutdown(static_cast<int>(exit_code), &error)) {
      ReplyError(command, error);
      return;
    }
  } else {
    renderer_->CloseChannel();
  }
  renderer_->WaitForExit(Millis(timeout_ms), &events);
  EmitEvents(&events, &command);
  Reply(command, last_exit_ ? *last_exit_ : Json::object());
}

void Driver::Close(Command& command) {
  if (!renderer_ || renderer_->exited()) {
    ReplyError(command, "no renderer is running");
    return;
  }
  int64_t timeout_ms;
  std::string error;
  if (!command.Int("timeout_ms", 1, std::numeric_limits<int32_t>::max(),
                   options_.timeout.count(), &timeout_ms, &error)) {
    ReplyError(command, error);
    return;
  }
  std::vector<HostEvent> events;
  renderer_->CloseChannel();
  renderer_->WaitForExit(Millis(timeout_ms), &events);
  EmitEvents(&events, &command);
  Reply(command, last_exit_ ? *last_exit_ : Json::object());
}

void Driver::Kill(Command& command) {
  if (!renderer_ || renderer_->exited()) {
    ReplyError(command, "no renderer is running");
    return;
  }
  int signal = SIGKILL;
  if (command.Has("signal")) {
    const Json& value = command.object()["signal"];
    if (value.is_number_integer() && value.get<int64_t>() > 0 &&
        value.get<int64_t>() < NSIG) {
      signal = static_cast<int>(value.get<int64_t>());
    } else if (value.is_string()) {
      signal = SignalFromName(value.get<std::string>());
    } else {
      signal = -1;
    }
    if (signal <= 0) {
      ReplyError(command, "\"signal\" must be a signal number or name");
      return;
    }
  }
  if (!renderer_->Kill(signal)) {
    ReplyError(command,
               std::string("cannot send the signal: ") + strerror(errno));
    return;
  }
  std::vector<HostEvent> events;
  // A signal the child survives is reported as such after the wait.
  const Clock::time_point deadline = Clock::now() + Millis(2000);
  while (!renderer_->exited() && Clock::now() < deadline) {
    renderer_->Poll(Millis(100), &events);
    EmitEvents(&events, &command);
  }
  Json fields = Json::object();
  fields["exited"] = renderer_->exited();
  Reply(command, fields);
}

void Driver::HandleLine(const std::string& line) {
  if (line.find_first_not_of(" \t\r") == std::string::npos)
    return;  // blank lines are ignored
  Json object;
  try {
    object = Json::parse(line);
  } catch (const Json::exception& e) {
    Command command(Json(nullptr), "");
    ReplyError(command, std::string("bad JSON: ") + e.what());
    return;
  }
  if (!object.is_object()) {
    Command command(Json(nullptr), "");
    ReplyError(command, "a command must be a JSON object");
    return;
  }
  if (!object.contains("cmd") || !object["cmd"].is_string()) {
    Command command(object, "");
    ReplyError(command, "the command has no \"cmd\" string");
    return;
  }
  Command command(object, object["cmd"].get<std::string>());
  const std::string& name = command.name();
  int64_t timeout_ms;
  std::string error;
  if (!command.Int("timeout_ms", 1, std::numeric_limits<int32_t>::max(),
                   options_.timeout.count(), &timeout_ms, &error)) {
    ReplyError(command, error);
    return;
  }
  if (name == "start")
    return Start(command);
  if (name == "wait")
    return Wait(command);
  if (name == "shutdown")
    return Shutdown(command);
  if (name == "close")
    return Close(command);
  if (name == "kill")
    return Kill(command);

  using Handler = void (Driver::*)(Command&);
  static const std::pair<const char*, Handler> kRendererCommands[] = {
      {"create_browser", &Driver::CreateBrowser},
      {"load", &Driver::Load},
      {"eval", &Driver::Eval},
      {"send", &Driver::Send},
      {"release", &Driver::Release},
      {"destroy_browser", &Driver::DestroyBrowser},
      {"settle", &Driver::Settle},
  };
  for (const auto& entry : kRendererCommands) {
    if (name == entry.first) {
      if (NeedRenderer(command))
        (this->*entry.second)(command);
      return;
    }
  }
  ReplyError(command, "unknown command \"" + name + "\"");
}

int Driver::Run(int input_fd) {
  int flags = fcntl(input_fd, F_GETFL);
  if (flags >= 0)
    fcntl(input_fd, F_SETFL, flags | O_NONBLOCK);
  std::string buffer;
  bool too_long = false;
  bool at_end = false;
  while (!at_end) {
    // Wait for input, reporting what the renderer does meanwhile.
    if (renderer_ && !renderer_->exited()) {
      Pump(Millis(1000), input_fd);
    } else {
      pollfd waiter = {input_fd, POLLIN, 0};
      poll(&waiter, 1, 1000);
    }
    char chunk[65536];
    for (;;) {
      ssize_t got = read(input_fd, chunk, sizeof chunk);
      if (got > 0) {
        size_t start = 0;
        for (ssize_t i = 0; i < got; ++i) {
          if (chunk[i] != '\n')
            continue;
          if (!too_long)
            buffer.append(chunk + start, static_cast<size_t>(i) - start);
          if (too_long) {
            Command command(Json(nullptr), "");
            ReplyError(command, "the line is longer than " +
                                    std::to_string(kMaxLineBytes) + " bytes");
          } else {
            HandleLine(buffer);
          }
          buffer.clear();
          too_long = false;
          start = static_cast<size_t>(i) + 1;
        }
        if (!too_long)
          buffer.append(chunk + start, static_cast<size_t>(got) - start);
        if (buffer.size() > kMaxLineBytes) {
          too_long = true;
          buffer.clear();
        }
        continue;
      }
      if (got < 0 && errno == EINTR)
        continue;
      if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        break;
      at_end = true;  // end of input (or an error, treated alike)
      break;
    }
  }
  if (!buffer.empty() && !too_long)
    HandleLine(buffer);
  if (renderer_ && !renderer_->exited()) {
    HandleLine("{\"cmd\":\"shutdown\",\"id\":\"end of input\"}");
  }
  return 0;
}

}  // namespace kivhost
