// kivhost's driver mode: JSON commands, one object per line, on an input
// descriptor; one JSON object per line on the output for every reply and for
// everything the renderer did. The exact format is in docs/kivhost.md.
//
// Commands run one at a time: each is sent to the renderer followed by a
// Sync barrier, so its reply line comes after every event it caused. Events
// that happen between commands (timers, for example) are written as they
// arrive. Bad input gets a reply with "ok": false naming what was wrong, and
// the session goes on.

#ifndef HOST_DRIVER_H_
#define HOST_DRIVER_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/json_value.h"
#include "host/renderer_host.h"

namespace kivhost {

struct DriverOptions {
  // The sub-process executable "start" runs unless it names another.
  std::string default_renderer;
  // How long the renderer may take to answer a command before it is taken
  // as hung and killed; "timeout_ms" in a command overrides it.
  Millis timeout{10000};
  // Renderers from the third on are forked from a zygote started beside the
  // second (from the second renderer's executable).
  bool use_zygote = true;
};

class Driver {
 public:
  // |write_line| receives each output line without its newline.
  Driver(DriverOptions options,
         std::function<void(const std::string&)> write_line);
  ~Driver();

  // Reads commands from |input_fd| until its end, then shuts a running
  // renderer down. Returns kivhost's exit code (0; the renderer's fate is in
  // the output).
  int Run(int input_fd);

  // Handles one input line (exposed for tests).
  void HandleLine(const std::string& line);

 private:
  class Command;

  void Emit(const Json& line);
  void EmitEvents(std::vector<HostEvent>* events, Command* command);
  // Writes events as a long wait for |command| gathers them, so that what a
  // renderer sends meanwhile is not held in memory until the wait ends.
  RendererHost::EventSink EmitTo(Command* command);
  void Pump(Millis duration, int wake_fd);
  void Reply(Command& command, Json fields);
  void ReplyError(Command& command, const std::string& error);
  // The reply to a request the renderer host refused to send. After a failed
  // write the renderer is mostly on its way out: its exit is reported first
  // and the reply says it is gone, as after a barrier.
  void ReplyNotSent(Command& command, const std::string& error);
  // Sends a Sync and reports what came before it; false (reply sent) when
  // the renderer is gone or hung.
  bool Barrier(Command& command, bool* idle);
  bool NeedRenderer(Command& command);
  // Field readers shared by the handlers; false with |error| naming the
  // field. "browser" is a 32-bit browser id, "frame" a 64-bit frame id,
  // "timeout_ms" a positive 32-bit count (default: the driver's time-out).
  static bool ReadBrowser(Command& command,
                          int64_t* browser,
                          std::string* error);
  static bool ReadFrame(Command& command,
                        int64_t* browser,
                        int64_t* frame,
                        std::string* error);
  bool ReadTimeout(Command& command,
                   int64_t* timeout_ms,
                   std::string* error) const;
  void Finish(Command& command, Json fields);

  void Start(Command& command);
  void CreateBrowser(Command& command);
  void Load(Command& command);
  void Eval(Command& command);
  void Send(Command& command);
  void Release(Command& command);
  void DestroyBrowser(Command& command);
  void Wait(Command& command);
  void Settle(Command& command);
  void Shutdown(Command& command);
  void Close(Command& command);
  void Kill(Command& command);

  DriverOptions options_;
  std::function<void(const std::string&)> write_line_;
  ZygoteOnDemand zygotes_{options_.use_zygote};
  std::unique_ptr<RendererHost> renderer_;
  bool render_thread_started_ = false;
  // Fields of the exit event of the renderer that ended last.
  std::optional<Json> last_exit_;
};

}  // namespace kivhost

#endif  // HOST_DRIVER_H_
