// The floor of a round trip between two processes: a child that answers
// every request of |request_size| bytes on a socket pair with |reply_size|
// bytes, and nothing else.
#ifndef BENCH_CROSS_PROCESS_RAW_PINGPONG_H_
#define BENCH_CROSS_PROCESS_RAW_PINGPONG_H_

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kivbench {

class RawPingPong {
 public:
  static std::unique_ptr<RawPingPong> Start(size_t request_size,
                                            size_t reply_size,
                                            std::string* error);
  // Closes the socket, which ends the child, and reaps it.
  ~RawPingPong();

  RawPingPong(const RawPingPong&) = delete;
  RawPingPong& operator=(const RawPingPong&) = delete;

  // Sends one request and reads its whole reply; false if the child is gone
  // or the reply is not the bytes it sends.
  bool RoundTrip();

 private:
  RawPingPong(int fd, pid_t child, size_t request_size, size_t reply_size);

  int fd_;
  pid_t child_;
  std::vector<unsigned char> request_;
  std::vector<unsigned char> reply_;
};

}  // namespace kivbench

#endif  // BENCH_CROSS_PROCESS_RAW_PINGPONG_H_
