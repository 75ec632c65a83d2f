// CefExecuteProcess and the browser-process entry points of cef_app.h.

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "base/command_line_impl.h"
#include "include/cef_app.h"
#include "ipc/channel.h"
#include "process/renderer.h"
#include "process/zygote.h"

namespace {

// The switch that names the inherited channel descriptor.
const char kChannelSwitch[] = "channel-fd";

bool IsWaitingKind(const std::string& type) {
  static const char* const kKinds[] = {"gpu-process", "utility",      "plugin",
                                       "ppapi",       "ppapi-broker", "worker",
                                       "nacl-loader", "service"};
  for (const char* kind : kKinds) {
    if (type == kind)
      return true;
  }
  return false;
}

// Reads --channel-fd and checks that it names a socket of |socket_type|.
int ChannelFromCommandLine(CefRefPtr<CefCommandLine> command_line,
                           const std::string& type,
                           int socket_type = SOCK_STREAM) {
  std::string reason;
  int fd = -1;
  if (!command_line->HasSwitch(kChannelSwitch)) {
    reason = "no --channel-fd switch";
  } else {
    std::string text = command_line->GetSwitchValue(kChannelSwitch).ToString();
    char* end = nullptr;
    long value = text.empty() ? -1 : strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 1 << 20) {
      reason = "--channel-fd=" + text + " is not a descriptor number";
    } else if (!ipc::IsSocketOfType(static_cast<int>(value), socket_type,
                                    &reason)) {
      reason = "--channel-fd: " + reason;
    } else {
      fd = static_cast<int>(value);
    }
  }
  if (fd < 0) {
    fprintf(stderr, "%s: no usable channel to the browser process: %s\n",
            type.c_str(), reason.c_str());
  }
  return fd;
}

// CefApp::OnBeforeCommandLineProcessing with a writable command line that is
// valid only during the call, then OnRegisterCustomSchemes.
class SchemeRegistrar : public CefSchemeRegistrar {
 public:
  // CefSchemeRegistrar methods:
  bool AddCustomScheme(const CefString& scheme_name,
                       bool is_standard,
                       bool is_local,
                       bool is_display_isolated) override {
    return !scheme_name.empty();
  }

  IMPLEMENT_REFCOUNTING(SchemeRegistrar);
};

void RunStartupCallbacks(CefRefPtr<CefApp> app,
                         const std::string& type,
                         const CefMainArgs& args) {
  if (!app)
    return;
  CefRefPtr<cef_base::CommandLineImpl> command_line(
      new cef_base::CommandLineImpl(false));
  command_line->InitFromArgv(args.argc, args.argv);
  app->OnBeforeCommandLineProcessing(type, command_line.get());
  command_line->Detach();
  CefRefPtr<SchemeRegistrar> registrar(new SchemeRegistrar);
  app->OnRegisterCustomSchemes(registrar.get());
}

// The program name of |args| followed by |arguments|, kept for the life of
// the process as a command line is.
CefMainArgs ForkedMainArgs(const CefMainArgs& args,
                           const std::vector<std::string>& arguments) {
  static std::vector<std::string> words;
  static std::vector<char*> argv;
  words.assign(1, args.argc > 0 && args.argv[0] ? args.argv[0] : "");
  words.insert(words.end(), arguments.begin(), arguments.end());
  argv.clear();
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  return CefMainArgs(static_cast<int>(words.size()), argv.data());
}

}  // namespace

int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info) {
  CefRefPtr<cef_base::CommandLineImpl> command_line(
      new cef_base::CommandLineImpl(false));
  command_line->InitFromArgv(args.argc, args.argv);
  if (!command_line->HasSwitch("type"))
    return cef_process::kExitBrowserProcess;
  const std::string type = command_line->GetSwitchValue("type").ToString();
  cef_base::InitGlobalCommandLine(args.argc, args.argv);
  // As in every process of the framework: a write to a reader that has gone
  // fails with EPIPE, which the writer checks, instead of ending the process
  // (a browser side that stopped reading its standard error, say).
  signal(SIGPIPE, SIG_IGN);

  if (type == "renderer") {
    int fd = ChannelFromCommandLine(command_line.get(), type);
    if (fd < 0)
      return cef_process::kExitNoChannel;
    RunStartupCallbacks(application, type, args);
    return cef_process::RunRenderer(application, fd);
  }
  if (type == "zygote") {
    int fd = ChannelFromCommandLine(command_line.get(), type, SOCK_SEQPACKET);
    if (fd < 0)
      return cef_process::kExitNoChannel;
    cef_process::ZygoteOutcome outcome = cef_process::RunZygote(fd);
    if (!outcome.forked)
      return outcome.exit_code;
    // A forked process runs as if it had been started with its arguments,
    // and shows them.
    const CefMainArgs forked_args = ForkedMainArgs(args, outcome.arguments);
    cef_process::ShowArguments(args.argc, args.argv, outcome.arguments);
    return CefExecuteProcess(forked_args, application, windows_sandbox_info);
  }
  if (IsWaitingKind(type)) {
    int fd = ChannelFromCommandLine(command_line.get(), type);
    if (fd < 0)
      return cef_process::kExitNoChannel;
    return cef_process::RunChannelWait(fd);
  }
  fprintf(stderr, "unknown sub-process type \"%s\"\n", type.c_str());
  return cef_process::kExitUnknownType;
}

// The stand-in runs sub-processes only; the browser process is host/.
bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info) {
  fprintf(stderr, "CefInitialize: the browser process is not available here\n");
  return false;
}

void CefShutdown() {}
void CefDoMessageLoopWork() {}
void CefRunMessageLoop() {}
void CefQuitMessageLoop() {}
void CefSetOSModalLoop(bool osModalLoop) {}
