// CefCommandLine: a program, switches and arguments, parsed as Chromium does
// on POSIX: "--name", "-name", "--name=value" and "-name=value" are switches
// until a "--" word, after which every word is an argument; any other word is
// an argument. Switch names compare without regard to ASCII case (as the
// public header promises); a repeated switch keeps its first position and
// takes the last value. Strings are held as UTF-8.

#ifndef CEF_SRC_BASE_COMMAND_LINE_IMPL_H_
#define CEF_SRC_BASE_COMMAND_LINE_IMPL_H_

#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "include/cef_command_line.h"

namespace cef_base {

class CommandLineImpl : public CefCommandLine {
 public:
  explicit CommandLineImpl(bool read_only);

  // Makes this object invalid: every later call answers with its fallback.
  // For command lines lent to a callback only for its duration.
  void Detach();

  // CefCommandLine methods:
  bool IsValid() override;
  bool IsReadOnly() override;
  CefRefPtr<CefCommandLine> Copy() override;
  void InitFromArgv(int argc, const char* const* argv) override;
  void InitFromString(const CefString& command_line) override;
  void Reset() override;
  void GetArgv(std::vector<CefString>& argv) override;
  CefString GetCommandLineString() override;
  CefString GetProgram() override;
  void SetProgram(const CefString& program) override;
  bool HasSwitches() override;
  bool HasSwitch(const CefString& name) override;
  CefString GetSwitchValue(const CefString& name) override;
  void GetSwitches(SwitchMap& switches) override;
  void AppendSwitch(const CefString& name) override;
  void AppendSwitchWithValue(const CefString& name,
                             const CefString& value) override;
  bool HasArguments() override;
  void GetArguments(ArgumentList& arguments) override;
  void AppendArgument(const CefString& argument) override;
  void PrependWrapper(const CefString& wrapper) override;

  // Parses |argv| (the program first) without the read-only check; for the
  // framework's own set-up of the global command line.
  void Parse(const std::vector<std::string>& argv);

 private:
  using Switch = std::pair<std::string, std::string>;  // name as given, value

  // With the lock held.
  bool Writable() const { return valid_ && !read_only_; }
  Switch* FindSwitch(const std::string& name);
  void SetSwitch(const std::string& name, const std::string& value);
  void ClearSwitches();
  std::vector<std::string> Words() const;

  std::mutex lock_;
  bool valid_ = true;
  bool read_only_;
  std::vector<std::string> wrappers_;
  std::string program_;
  std::vector<Switch> switches_;  // in the order first given
  // Position in switches_ by name, ASCII case ignored: a command line may
  // hold hundreds of thousands of switches.
  std::unordered_map<std::string, size_t> switch_index_;
  std::vector<std::string> arguments_;

  IMPLEMENT_REFCOUNTING(CommandLineImpl);
};

// Sets the process's global command line (GetGlobalCommandLine) from the
// arguments main() received. Without it the global command line is read from
// /proc/self/cmdline on first use.
void InitGlobalCommandLine(int argc, const char* const* argv);

}  // namespace cef_base

#endif  // CEF_SRC_BASE_COMMAND_LINE_IMPL_H_
