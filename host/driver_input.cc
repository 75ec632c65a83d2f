// The driver's input loop: command lines from the input descriptor, each
// parsed and dispatched to its handler, with the renderer's events written
// while it waits.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "host/driver.h"
#include "host/driver_command.h"
#include "host/json_parse.h"
#include "ipc/value_codec.h"

namespace kivhost {

namespace {

// Longest input line accepted; a longer one is refused as a whole.
constexpr size_t kMaxLineBytes = 64 * 1024 * 1024;

// Deepest "id" echoed: copying and writing JSON recurse once per level.
constexpr int kMaxIdDepth = ipc::kMaxValueDepth;

// Whether |json| nests deeper than |limit| levels; without recursion, as the
// input may nest as deep as its length allows.
bool NestsDeeperThan(const Json& json, int limit) {
  std::vector<std::pair<const Json*, int>> open = {{&json, 0}};
  while (!open.empty()) {
    auto [value, depth] = open.back();
    open.pop_back();
    if (!value->is_structured())
      continue;
    if (depth >= limit)
      return true;
    for (const Json& item : *value)
      open.emplace_back(&item, depth + 1);
  }
  return false;
}

}  // namespace

void Driver::HandleLine(const std::string& line) {
  if (line.find_first_not_of(" \t\r") == std::string::npos)
    return;  // blank lines are ignored
  Json object;
  // A large document is freed without Json's own destructor (see
  // DiscardJson), whichever way this returns.
  struct Discard {
    Json* json;
    ~Discard() { DiscardJson(json); }
  } discard{&object};
  try {
    object = ParseJson(line);
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
  // Commands take the document without copying it: a copy recurses once
  // per level of its deepest field.
  const bool named = object.contains("cmd") && object["cmd"].is_string();
  if (object.contains("id") && NestsDeeperThan(object["id"], kMaxIdDepth)) {
    // Answered as the command it names, without the id.
    Command command(Json(nullptr),
                    named ? object["cmd"].get<std::string>() : std::string());
    ReplyError(command, "\"id\" nests deeper than " +
                            std::to_string(kMaxIdDepth) + " levels");
    return;
  }
  if (!named) {
    Command command(std::move(object), "");
    ReplyError(command, "the command has no \"cmd\" string");
    return;
  }
  std::string name_text = object["cmd"].get<std::string>();
  Command command(std::move(object), std::move(name_text));
  const std::string& name = command.name();
  int64_t timeout_ms;
  std::string error;
  if (!ReadTimeout(command, &timeout_ms, &error)) {
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

namespace {

// Makes input non-blocking while the driver reads it, and gives the flag
// back after: the descriptor's open file may be shared (a terminal with the
// shell that started kivhost, a pipe its parent also holds).
class NonBlockingInput {
 public:
  explicit NonBlockingInput(int fd) : fd_(fd), flags_(fcntl(fd, F_GETFL)) {
    if (changes())
      fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
  }
  ~NonBlockingInput() {
    if (changes())
      fcntl(fd_, F_SETFL, flags_);
  }
  NonBlockingInput(const NonBlockingInput&) = delete;
  NonBlockingInput& operator=(const NonBlockingInput&) = delete;

 private:
  bool changes() const { return flags_ >= 0 && !(flags_ & O_NONBLOCK); }

  const int fd_;
  const int flags_;
};

}  // namespace

int Driver::Run(int input_fd) {
  const NonBlockingInput non_blocking(input_fd);
  std::string buffer;
  bool too_long = false;
  // One whole line: a command, or the refusal of one too long to read.
  const auto take_line = [this, &buffer, &too_long]() {
    if (too_long) {
      Command command(Json(nullptr), "");
      ReplyError(command, "the line is longer than " +
                              std::to_string(kMaxLineBytes) + " bytes");
    } else {
      HandleLine(buffer);
    }
    buffer.clear();
    too_long = false;
  };
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
          too_long = too_long || buffer.size() > kMaxLineBytes;
          take_line();
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
  if (too_long || !buffer.empty())
    take_line();  // the last line, without its newline
  if (renderer_ && !renderer_->exited()) {
    HandleLine("{\"cmd\":\"shutdown\",\"id\":\"end of input\"}");
  }
  return 0;
}

}  // namespace kivhost
