#include "process/zygote.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "base/command_line_impl.h"
#include "ipc/scoped_fd.h"
#include "ipc/zygote_protocol.h"
#include "process/renderer.h"

namespace cef_process {

namespace {

using ipc::ScopedFd;

// Threads do not survive fork: a forked process would hold only the thread
// that forked it, and any lock another thread held stays locked.
int CountThreads() {
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks)
    return -1;
  int count = 0;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] != '.')
      ++count;
  }
  closedir(tasks);
  return count;
}

// Reads the arguments as the forked process's CefExecuteProcess will, so
// that no spelling of the switch ("-type", "--TYPE", a later repeat) passes.
bool StartsAZygote(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv(1, "");
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  CefRefPtr<cef_base::CommandLineImpl> command_line(
      new cef_base::CommandLineImpl(false));
  command_line->InitFromArgv(static_cast<int>(argv.size()), argv.data());
  return command_line->HasSwitch("type") &&
         command_line->GetSwitchValue("type").ToString() == "zygote";
}

bool SendReply(int control, pid_t pid, int error_number) {
  ipc::ForkReply reply;
  reply.pid = pid;
  reply.error_number = error_number;
  std::string error;
  if (ipc::SendPacket(control, ipc::EncodeForkReply(reply), nullptr, 0,
                      &error)) {
    return true;
  }
  fprintf(stderr, "zygote: %s\n", error.c_str());
  return false;
}

enum class ForkSide { kZygote, kForked };

// Forks through a middle process that reports the new pid and ends, so that
// the new process is reparented to the nearest subreaper. In the zygote,
// sets |*pid|, or |*error_number| when there is no new process.
ForkSide ForkThroughMiddle(pid_t* pid, int* error_number) {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    *error_number = errno;
    return ForkSide::kZygote;
  }
  ScopedFd report_read(report[0]);
  ScopedFd report_write(report[1]);
  pid_t middle = fork();
  if (middle < 0) {
    *error_number = errno;
    return ForkSide::kZygote;
  }
  if (middle == 0) {
    pid_t forked = fork();
    if (forked == 0)
      return ForkSide::kForked;
    int32_t value = forked > 0 ? forked : -errno;
    ssize_t written = write(report_write.get(), &value, sizeof value);
    _exit(written == sizeof value ? 0 : 1);
  }
  report_write.reset();
  int32_t value = 0;
  ssize_t got;
  do {
    got = read(report_read.get(), &value, sizeof value);
  } while (got < 0 && errno == EINTR);
  int status;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  if (got != static_cast<ssize_t>(sizeof value) || value == 0) {
    *error_number = ECHILD;
  } else if (value < 0) {
    *error_number = -value;
  } else {
    *pid = value;
  }
  return ForkSide::kZygote;
}

// Puts a forked process's channel and output in place. Both are first moved
// above the slots, so that filling one slot cannot close the other source.
bool PlaceDescriptors(std::vector<ScopedFd>* fds) {
  ScopedFd channel(
      fcntl((*fds)[ipc::kForkChannelFd].get(), F_DUPFD_CLOEXEC, 10));
  ScopedFd output(fcntl((*fds)[ipc::kForkOutputFd].get(), F_DUPFD_CLOEXEC, 10));
  fds->clear();
  return channel.valid() && output.valid() &&
         dup2(output.get(), STDOUT_FILENO) == STDOUT_FILENO &&
         dup2(output.get(), STDERR_FILENO) == STDERR_FILENO &&
         dup2(channel.get(), kForkedChannelFd) == kForkedChannelFd;
}

}  // namespace

ZygoteOutcome RunZygote(int control_fd) {
  ScopedFd control(control_fd);
  ZygoteOutcome outcome;
  int threads = CountThreads();
  if (threads != 1) {
    fprintf(stderr, "zygote: cannot fork safely with %d threads running\n",
            threads);
    outcome.exit_code = kExitStartFailed;
    return outcome;
  }
  std::vector<uint8_t> packet;
  std::vector<ScopedFd> fds;
  for (;;) {
    std::string error;
    switch (ipc::ReceivePacket(control.get(), ipc::kMaxForkRequestBytes,
                               ipc::kForkFdCount, &packet, &fds, &error)) {
      case ipc::PacketStatus::kOk:
        break;
      case ipc::PacketStatus::kClosed:
        outcome.exit_code = kExitOk;
        return outcome;
      case ipc::PacketStatus::kRefused:
        fprintf(stderr, "zygote: refused %s\n", error.c_str());
        if (!SendReply(control.get(), 0, EINVAL)) {
          outcome.exit_code = kExitChannelFailed;
          return outcome;
        }
        continue;
      case ipc::PacketStatus::kError:
        fprintf(stderr, "zygote: %s\n", error.c_str());
        outcome.exit_code = kExitChannelFailed;
        return outcome;
    }

    std::vector<std::string> arguments;
    if (fds.size() != ipc::kForkFdCount) {
      error = "a start request needs " + std::to_string(ipc::kForkFdCount) +
              " descriptors, not " + std::to_string(fds.size());
    } else if (ipc::DecodeForkRequest(packet.data(), packet.size(), &arguments,
                                      &error) &&
               StartsAZygote(arguments)) {
      error = "a zygote does not start another zygote";
    }
    if (!error.empty()) {
      fprintf(stderr, "zygote: refused %s\n", error.c_str());
      fds.clear();
      if (!SendReply(control.get(), 0, EINVAL)) {
        outcome.exit_code = kExitChannelFailed;
        return outcome;
      }
      continue;
    }

    // Output still buffered here would otherwise be written by both sides.
    fflush(nullptr);
    pid_t pid = 0;
    int error_number = 0;
    if (ForkThroughMiddle(&pid, &error_number) == ForkSide::kForked) {
      control.reset();
      if (!PlaceDescriptors(&fds))
        _exit(kExitNoChannel);
      outcome.forked = true;
      outcome.arguments = std::move(arguments);
      return outcome;
    }
    fds.clear();
    if (!SendReply(control.get(), pid, error_number)) {
      outcome.exit_code = kExitChannelFailed;
      return outcome;
    }
  }
}

void ShowArguments(int argc,
                   char** argv,
                   const std::vector<std::string>& arguments) {
  if (argc < 2 || !argv)
    return;
  char* const begin = argv[1];
  char* end = begin;
  for (int i = 1; i < argc; ++i) {
    if (!argv[i] || argv[i] != end)
      return;
    end += std::strlen(argv[i]) + 1;
  }
  char* at = begin;
  for (const std::string& argument : arguments) {
    if (argument.size() + 1 > static_cast<size_t>(end - at))
      break;
    std::memcpy(at, argument.c_str(), argument.size() + 1);
    at += argument.size() + 1;
  }
  std::memset(at, 0, static_cast<size_t>(end - at));
}

}  // namespace cef_process
