// Ends a renderer whose browser side has closed the channel while the render
// thread is too busy to notice (a script that never returns): nobody is left
// to serve, so after a grace period the process exits as if it had seen the
// close: with 0, or with the code the browser side asked for when it had
// already sent its shutdown.
#ifndef CEF_SRC_PROCESS_CLOSE_WATCHDOG_H_
#define CEF_SRC_PROCESS_CLOSE_WATCHDOG_H_

#include <atomic>
#include <chrono>
#include <thread>

namespace cef_process {

class CloseWatchdog {
 public:
  static constexpr std::chrono::milliseconds kGrace{2000};

  // Watches |channel_fd| on a thread of its own.
  explicit CloseWatchdog(int channel_fd);
  // Stops the watch. Must run before the channel's descriptor is closed.
  ~CloseWatchdog();

  // The code to exit with from now on.
  void SetExitCode(int exit_code) { exit_code_.store(exit_code); }

  CloseWatchdog(const CloseWatchdog&) = delete;
  CloseWatchdog& operator=(const CloseWatchdog&) = delete;

 private:
  void Watch(int channel_fd);

  const int stop_fd_;
  std::atomic<int> exit_code_;
  std::thread thread_;
};

}  // namespace cef_process

#endif  // CEF_SRC_PROCESS_CLOSE_WATCHDOG_H_
