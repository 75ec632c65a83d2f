#include "process/close_watchdog.h"

#include <errno.h>
#include <poll.h>
#include <stdint.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "process/renderer.h"
#include "process/renderer_output.h"

namespace cef_process {

CloseWatchdog::CloseWatchdog(int channel_fd)
    : stop_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), exit_code_(kExitOk) {
  if (stop_fd_ >= 0)
    thread_ = std::thread(&CloseWatchdog::Watch, this, channel_fd);
}

CloseWatchdog::~CloseWatchdog() {
  if (thread_.joinable()) {
    uint64_t one = 1;
    ssize_t ignored = write(stop_fd_, &one, sizeof one);
    (void)ignored;
    thread_.join();
  }
  if (stop_fd_ >= 0)
    close(stop_fd_);
}

void CloseWatchdog::Watch(int channel_fd) {
  pollfd fds[2] = {{channel_fd, POLLRDHUP, 0}, {stop_fd_, POLLIN, 0}};
  for (;;) {
    int ready = poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready < 0 || fds[1].revents)
      return;
    if (fds[0].revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL))
      break;
  }
  pollfd stop = {stop_fd_, POLLIN, 0};
  int ready;
  do {
    ready = poll(&stop, 1, static_cast<int>(kGrace.count()));
  } while (ready < 0 && errno == EINTR);
  if (ready > 0)
    return;
  ReportLine(
      "the browser side closed the channel and the render thread "
      "is busy; exiting");
  _exit(exit_code_.load());
}

}  // namespace cef_process
