#include "host/script_file.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "ipc/scoped_fd.h"

namespace kivhost {

bool ReadScriptFile(const std::string& path,
                    const std::string& file,
                    const std::string& what,
                    std::string* text,
                    std::string* error) {
  ipc::ScopedFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info;
  if (!fd.valid() || fstat(fd.get(), &info) != 0) {
    *error = "cannot read " + file;
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = what + " is not a regular file";
    return false;
  }
  const std::string too_large = what + " is larger than " +
                                std::to_string(kMaxScriptFileBytes) + " bytes";
  if (static_cast<uint64_t>(info.st_size) > kMaxScriptFileBytes) {
    *error = too_large;
    return false;
  }
  text->clear();
  text->reserve(static_cast<size_t>(info.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(fd.get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      *error = "cannot read " + file + ": " + strerror(errno);
      return false;
    }
    if (got == 0)
      return true;
    text->append(chunk, static_cast<size_t>(got));
    if (text->size() > kMaxScriptFileBytes) {
      *error = too_large;
      return false;
    }
  }
}

}  // namespace kivhost
