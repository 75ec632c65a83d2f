// The driver's commands, one handler each (fields and replies in
// docs/kivhost.md).

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <utility>
#include <vector>

#include "host/driver.h"
#include "host/driver_command.h"
#include "host/driver_events.h"
#include "host/script_file.h"
#include "ipc/framing.h"
#include "ipc/scoped_fd.h"

namespace kivhost {

namespace {

using Clock = std::chrono::steady_clock;

// Paths and arguments reach the system as C strings, which end at a NUL: one
// inside would name another file or argument than the command did.
bool RefuseNul(const char* field, const std::string& text, std::string* error) {
  if (text.find('\0') == std::string::npos)
    return false;
  *error = std::string("\"") + field + "\" must not hold a NUL character";
  return true;
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
  if (RefuseNul("renderer", options.executable, &error) ||
      RefuseNul("type", options.process_type, &error)) {
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
    for (const Json& arg : args) {
      options.extra_arguments.push_back(arg.get<std::string>());
      if (RefuseNul("args", options.extra_arguments.back(), &error)) {
        ReplyError(command, error);
        return;
      }
    }
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
  if (!ReadTimeout(command, &timeout_ms, &error)) {
    ReplyError(command, error);
    return;
  }
  // Encoded before the launch: a start-up list the channel cannot carry is
  // refused before a process starts.
  std::vector<uint8_t> start_up;
  if (options.process_type == "renderer" &&
      !ipc::EncodeRequest(ipc::StartRenderThread{std::move(extra_info)},
                          &start_up, &error)) {
    ReplyError(command, error);
    return;
  }

  options.zygote = zygotes_.zygote();
  renderer_ = RendererHost::Launch(options, &error);
  render_thread_started_ = false;
  if (!renderer_) {
    ReplyError(command, error);
    return;
  }
  zygotes_.RendererStarted(options.executable);
  Json fields = Json::object();
  fields["pid"] = renderer_->pid();
  fields["forked"] = renderer_->forked();
  if (options.process_type != "renderer") {
    Reply(command, fields);
    return;
  }
  if (!renderer_->SendEncoded(std::move(start_up), &error)) {
    ReplyNotSent(command, error);
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

bool Driver::ReadFrame(Command& command,
                       int64_t* browser,
                       int64_t* frame,
                       std::string* error) {
  return ReadBrowser(command, browser, error) &&
         command.Int("frame", std::numeric_limits<int64_t>::min(),
                     std::numeric_limits<int64_t>::max(), std::nullopt, frame,
                     error);
}

bool Driver::ReadTimeout(Command& command,
                         int64_t* timeout_ms,
                         std::string* error) const {
  return command.Int("timeout_ms", 1, std::numeric_limits<int32_t>::max(),
                     options_.timeout.count(), timeout_ms, error);
}

void Driver::CreateBrowser(Command& command) {
  int64_t browser;
  std::string error;
  if (!ReadBrowser(command, &browser, &error)) {
    ReplyError(command, error);
    return;
  }
  if (!renderer_->CreateBrowser(static_cast<int>(browser), &error)) {
    ReplyNotSent(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::Load(Command& command) {
  ipc::LoadFrame load;
  int64_t browser;
  std::string error;
  std::string script_file;
  if (!ReadFrame(command, &browser, &load.frame_id, &error) ||
      !command.String("name", std::string(), &load.name, &error) ||
      !command.Source("script", std::string(), &load.script, &error) ||
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
    if (RefuseNul("script_file", script_file, &error)) {
      ReplyError(command, error);
      return;
    }
    std::string text;
    if (!ReadScriptFile(script_file, "\"" + script_file + "\"",
                        "\"script_file\"", &text, &error)) {
      ReplyError(command, error);
      return;
    }
    load.script = ipc::Utf8ToUtf16(text);
  }
  if (!command.String("url", script_file.empty() ? "about:blank" : script_file,
                      &load.url, &error)) {
    ReplyError(command, error);
    return;
  }
  load.browser_id = static_cast<int>(browser);
  if (!renderer_->LoadFrame(load, &error)) {
    ReplyNotSent(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::Eval(Command& command) {
  int64_t browser;
  int64_t frame;
  std::u16string code;
  std::string error;
  if (!ReadFrame(command, &browser, &frame, &error) ||
      !command.Source("code", std::nullopt, &code, &error)) {
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
  if (!renderer_->SendProcessMessage(static_cast<int>(browser), name,
                                     std::move(args), &error)) {
    ReplyNotSent(command, error);
    return;
  }
  Finish(command, Json::object());
}

void Driver::Release(Command& command) {
  int64_t browser;
  int64_t frame;
  std::string error;
  if (!ReadFrame(command, &browser, &frame, &error)) {
    ReplyError(command, error);
    return;
  }
  if (!renderer_->ReleaseContext(static_cast<int>(browser), frame, &error)) {
    ReplyNotSent(command, error);
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
    ReplyNotSent(command, error);
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
  if (!ReadTimeout(command, &timeout_ms, &error)) {
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
      !ReadTimeout(command, &timeout_ms, &error)) {
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
      if (!renderer_->write_failed()) {
        ReplyError(command, error);
        return;
      }
      // It no longer reads: closing the channel is its cue to end, and the
      // wait below reports how it ended.
      renderer_->CloseChannel();
    }
  } else {
    renderer_->CloseChannel();
  }
  renderer_->WaitForExit(Millis(timeout_ms), &events, EmitTo(&command));
  Reply(command, last_exit_ ? *last_exit_ : Json::object());
}

void Driver::Close(Command& command) {
  if (!renderer_ || renderer_->exited()) {
    ReplyError(command, "no renderer is running");
    return;
  }
  int64_t timeout_ms;
  std::string error;
  if (!ReadTimeout(command, &timeout_ms, &error)) {
    ReplyError(command, error);
    return;
  }
  std::vector<HostEvent> events;
  renderer_->CloseChannel();
  renderer_->WaitForExit(Millis(timeout_ms), &events, EmitTo(&command));
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

}  // namespace kivhost
