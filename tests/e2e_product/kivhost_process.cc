#include "tests/e2e_product/kivhost_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace {

// How long one command may take, renderer start-up included.
const int kReplyTimeoutMs = 30000;

}  // namespace

KivhostProcess::KivhostProcess() {
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0)
    return;
  if (pipe2(output, O_CLOEXEC) != 0) {
    close(input[0]);
    close(input[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  std::string executable = KIVHOST_PATH;
  std::string mode = "driver";
  std::string renderer_flag = "--renderer=" KIV_SUBPROCESS_PATH;
  char* argv[] = {&executable[0], &mode[0], &renderer_flag[0], nullptr};
  pid_t pid = -1;
  const int spawned =
      posix_spawn(&pid, executable.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  if (spawned != 0) {
    close(input[1]);
    close(output[0]);
    return;
  }
  pid_ = pid;
  to_host_ = input[1];
  from_host_ = output[0];
  // A kivhost that dies must not kill the test with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
}

KivhostProcess::~KivhostProcess() {
  if (to_host_ >= 0)
    close(to_host_);
  if (pid_ > 0) {
    // End of input: kivhost shuts the renderer down and exits. Drain its
    // output meanwhile so that it never blocks on a full pipe.
    std::string line;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline &&
           ReadLine(&line, 1000)) {
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  if (from_host_ >= 0)
    close(from_host_);
}

bool KivhostProcess::ReadLine(std::string* line, int timeout_ms) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const size_t newline = buffer_.find('\n');
    if (newline != std::string::npos) {
      *line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 1);
      transcript_.push_back(*line);
      return true;
    }
    if (from_host_ < 0)
      return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return false;
    pollfd waiter = {from_host_, POLLIN, 0};
    const int ready = poll(&waiter, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      return false;
    char chunk[4096];
    const ssize_t got = read(from_host_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0) {
      close(from_host_);
      from_host_ = -1;
      continue;
    }
    buffer_.append(chunk, static_cast<size_t>(got));
  }
}

Json KivhostProcess::Command(Json command) {
  const int id = next_id_++;
  command["id"] = id;
  const std::string text = command.dump() + "\n";
  size_t written = 0;
  while (to_host_ >= 0 && written < text.size()) {
    const ssize_t n =
        write(to_host_, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    written += static_cast<size_t>(n);
  }
  if (written < text.size())
    return Json{{"ok", false}, {"error", "cannot write to kivhost"}};

  std::string line;
  while (ReadLine(&line, kReplyTimeoutMs)) {
    Json parsed = Json::parse(line, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
      return Json{{"ok", false}, {"error", "not a JSON object: " + line}};
    if (parsed.contains("reply") && parsed.value("id", Json()) == Json(id))
      return parsed;
    events_.push_back(parsed);
  }
  return Json{{"ok", false}, {"error", "no reply to " + command.dump()}};
}

Json KivhostProcess::Start(const std::vector<std::string>& callback_names,
                           const std::vector<std::string>& query_names) {
  return Command(Json{{"cmd", "start"},
                      {"callback_names", callback_names},
                      {"query_names", query_names}});
}

Json KivhostProcess::OpenPage(int browser,
                              int64_t frame,
                              const std::string& script) {
  Json created = Command(Json{{"cmd", "create_browser"}, {"browser", browser}});
  if (!created.value("ok", false))
    return created;
  return Command(Json{{"cmd", "load"},
                      {"browser", browser},
                      {"frame", frame},
                      {"main", true},
                      {"script", script}});
}

Json KivhostProcess::Send(int browser, const std::string& name, Json args) {
  return Command(Json{
      {"cmd", "send"}, {"browser", browser}, {"name", name}, {"args", args}});
}

Json KivhostProcess::Release(int browser, int64_t frame) {
  return Command(
      Json{{"cmd", "release"}, {"browser", browser}, {"frame", frame}});
}

Json KivhostProcess::Settle() {
  return Command(Json{{"cmd", "settle"}});
}

std::string KivhostProcess::Eval(int browser,
                                 int64_t frame,
                                 const std::string& code) {
  Json reply = Command(Json{
      {"cmd", "eval"}, {"browser", browser}, {"frame", frame}, {"code", code}});
  if (!reply.value("ok", false))
    return "command failed: " + reply.dump();
  if (reply.value("threw", false))
    return "exception: " + reply.value("exception", std::string());
  return reply.value("result", std::string());
}

std::vector<Json> KivhostProcess::TakeEvents() {
  std::vector<Json> taken;
  taken.swap(events_);
  return taken;
}

std::vector<Json> KivhostProcess::TakeEvents(const std::string& kind) {
  std::vector<Json> taken;
  std::vector<Json> kept;
  for (Json& event : events_) {
    if (event.value("event", std::string()) == kind)
      taken.push_back(std::move(event));
    else
      kept.push_back(std::move(event));
  }
  events_.swap(kept);
  return taken;
}

std::string KivhostProcess::Transcript() const {
  std::string text;
  for (const std::string& line : transcript_)
    text += line + "\n";
  return text;
}
