// A zygote that answers its first start request with a pid it did not start
// through a middle process: its own (FAKE_ZYGOTE_ANSWER=self in its
// environment) or otherwise that of a child it keeps. Then it waits for the
// control socket at descriptor 3 to close and ends, with that child.

#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

int main() {
  const int control = 3;
  const char* answer = getenv("FAKE_ZYGOTE_ANSWER");
  const bool self = answer && strcmp(answer, "self") == 0;
  char request[65 * 1024];
  alignas(cmsghdr) char room[CMSG_SPACE(8 * sizeof(int))];
  iovec part = {request, sizeof request};
  msghdr message = {};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = room;
  message.msg_controllen = sizeof room;
  if (recvmsg(control, &message, MSG_CMSG_CLOEXEC) <= 0)
    return 1;
  pid_t child = 0;
  if (!self) {
    child = fork();
    if (child == 0) {
      pause();
      _exit(0);
    }
  }
  const int32_t reply[2] = {self ? getpid() : child, 0};
  if (send(control, reply, sizeof reply, MSG_NOSIGNAL) != sizeof reply)
    return 1;
  char byte;
  while (read(control, &byte, 1) > 0) {
  }
  if (child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  return 0;
}
