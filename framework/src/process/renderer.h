// The sub-process runtime behind CefExecuteProcess: the renderer main loop,
// which serves the channel to the browser side and the render thread's task
// queue together, and the wait of the other sub-process kinds.
#ifndef CEF_SRC_PROCESS_RENDERER_H_
#define CEF_SRC_PROCESS_RENDERER_H_

#include "include/cef_app.h"

namespace cef_process {

// Exit codes of a sub-process (docs/wire-format.md lists them).
enum ExitCode {
  kExitBrowserProcess = -1,  // no --type: not a sub-process
  kExitOk = 0,
  kExitUnknownType = 1,
  kExitNoChannel = 2,
  kExitProtocolError = 3,
  kExitChannelFailed = 4,
  kExitStartFailed = 5,  // the render side could not start
};

// Runs a renderer on the calling thread over |channel_fd| (a connected stream
// socket, which it takes over) until the browser side shuts it down or
// closes the channel. Returns the exit code.
int RunRenderer(CefRefPtr<CefApp> app, int channel_fd);

// A sub-process kind without a render side: waits until the browser side
// closes the channel and returns 0. Frames that arrive are read and dropped.
int RunChannelWait(int channel_fd);

}  // namespace cef_process

#endif  // CEF_SRC_PROCESS_RENDERER_H_
