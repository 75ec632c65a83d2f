// Reading a page script from a file named by the user, for the driver's
// "script_file" and the run mode's page.

#ifndef HOST_SCRIPT_FILE_H_
#define HOST_SCRIPT_FILE_H_

#include <cstddef>
#include <string>

#include "ipc/framing.h"

namespace kivhost {

// A script file longer than this cannot fit a frame: every 3 bytes of UTF-8
// are at least 2 bytes of UTF-16.
constexpr size_t kMaxScriptFileBytes = ipc::kMaxFrameSize / 2 * 3;

// Reads a script file whole. Only a regular file is read: opening a FIFO
// that has no writer, or reading a device or a pipe, could block or never
// end. Reading also stops past kMaxScriptFileBytes, as the file may grow
// while it is read. Errors name the file by |file| where it could not be
// read ("cannot read <file>") and by |what| where it is of the wrong kind or
// size ("<what> is not a regular file").
bool ReadScriptFile(const std::string& path,
                    const std::string& file,
                    const std::string& what,
                    std::string* text,
                    std::string* error);

}  // namespace kivhost

#endif  // HOST_SCRIPT_FILE_H_
