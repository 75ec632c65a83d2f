// A sub-process that misbehaves towards the browser side in one of these
// ways, chosen by its arguments after the framework's switches:
//
//   --half-close
//       stops reading its channel (shutdown(SHUT_RD)) but stays alive,
//       prints "ready" and ends when the browser side closes the channel.
//   --orphan-output=PIDFILE
//       leaves a process behind that keeps writing lines to the output it
//       inherited (for at most 20 seconds), writes that process's pid to
//       PIDFILE and exits with 0 itself.
//   --chatter
//       never reads its channel (so answers no barrier) and writes a line to
//       its output every millisecond, for at most 30 seconds: "chatter PID".
//   --burst=N
//       with its socket buffer as large as the system lets it be, writes N
//       console messages of 16 KiB ("burst I: xxx...") and exits with 0
//       at once, leaving what the browser side has not read yet in the
//       socket.
//   --oversized-frame
//       writes the header of a frame one byte longer than the limit and
//       waits, for at most 30 seconds, for the browser side to close the
//       channel.

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ipc/framing.h"
#include "ipc/messages.h"

namespace {

constexpr int kChannel = 3;

int HalfClose() {
  if (shutdown(kChannel, SHUT_RD) != 0)
    return 10;
  printf("ready\n");
  fflush(stdout);
  // The socket now reads as ended at once, so poll cannot wait: it is
  // asked, for the hang-up of the other end, every 20 ms for 30 seconds.
  for (int i = 0; i < 1500; ++i) {
    pollfd waiter = {kChannel, POLLIN, 0};
    if (poll(&waiter, 1, 0) > 0 && (waiter.revents & POLLHUP))
      return 0;
    usleep(20 * 1000);
  }
  return 11;
}

int OrphanOutput(const std::string& pid_file) {
  const std::string partial = pid_file + ".partial";
  pid_t child = fork();
  if (child < 0)
    return 10;
  if (child == 0) {
    close(kChannel);
    FILE* file = fopen(partial.c_str(), "w");
    if (!file)
      _exit(12);
    fprintf(file, "%d\n", static_cast<int>(getpid()));
    fclose(file);
    rename(partial.c_str(), pid_file.c_str());
    for (int i = 0; i < 20000; ++i) {
      if (write(1, "flood\n", 6) != 6)
        _exit(0);
      usleep(1000);
    }
    _exit(0);
  }
  // Ends only once the pid is known, so that the test can always stop the
  // process it left behind.
  struct stat info;
  while (stat(pid_file.c_str(), &info) != 0)
    usleep(1000);
  return 0;
}

int Chatter() {
  const std::string line = "chatter " + std::to_string(getpid()) + "\n";
  for (int i = 0; i < 30000; ++i) {
    if (write(1, line.data(), line.size()) < 0)
      return 0;
    usleep(1000);
  }
  return 11;
}

int Burst(int count) {
  int size = 8 * 1024 * 1024;
  setsockopt(kChannel, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  for (int i = 0; i < count; ++i) {
    ipc::ConsoleMessage message;
    message.browser_id = 1;
    message.text =
        "burst " + std::to_string(i) + ": " + std::string(16384, 'x');
    std::vector<uint8_t> payload;
    std::string error;
    if (!ipc::EncodeEvent(message, &payload, &error))
      return 10;
    const std::vector<uint8_t> frame = ipc::MakeFrame(payload);
    for (size_t at = 0; at < frame.size();) {
      const ssize_t sent =
          write(kChannel, frame.data() + at, frame.size() - at);
      if (sent <= 0)
        return 11;
      at += static_cast<size_t>(sent);
    }
  }
  return 0;
}

int OversizedFrame() {
  uint8_t header[ipc::kFrameHeaderSize];
  ipc::WriteFrameHeader(ipc::kMaxFrameSize + 1, header);
  if (write(kChannel, header, sizeof header) != sizeof header)
    return 10;
  pollfd waiter = {kChannel, POLLIN, 0};
  poll(&waiter, 1, 30000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--half-close")
      return HalfClose();
    if (arg == "--chatter")
      return Chatter();
    if (arg == "--oversized-frame")
      return OversizedFrame();
    const std::string burst = "--burst=";
    if (arg.rfind(burst, 0) == 0)
      return Burst(std::stoi(arg.substr(burst.size())));
    const std::string orphan = "--orphan-output=";
    if (arg.rfind(orphan, 0) == 0)
      return OrphanOutput(arg.substr(orphan.size()));
  }
  fprintf(stderr, "misbehaving renderer: no mode given\n");
  return 1;
}
