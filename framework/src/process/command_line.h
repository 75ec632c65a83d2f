// The command line of a sub-process: the switches the framework reads at
// start-up, and the CefCommandLine that CefApp::OnBeforeCommandLineProcessing
// receives. Parsing follows Chromium: "--name=value" and "-name=value" are
// switches (names compare without regard to case), "--" ends the switches,
// everything else is an argument.
#ifndef CEF_SRC_PROCESS_COMMAND_LINE_H_
#define CEF_SRC_PROCESS_COMMAND_LINE_H_

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_command_line.h"

namespace cef_process {

class ParsedCommandLine {
 public:
  ParsedCommandLine() = default;
  ParsedCommandLine(int argc, const char* const* argv);

  const std::string& program() const { return program_; }
  bool HasSwitch(const std::string& name) const;
  // The switch's value; empty when absent or given without one.
  std::string GetSwitch(const std::string& name) const;

  std::string program_;
  // Keys are lower case; values keep their order of appearance via order_.
  std::map<std::string, std::string> switches_;
  std::vector<std::string> order_;  // switch names as given, first occurrence
  std::vector<std::string> arguments_;
};

// A CefCommandLine over a ParsedCommandLine. Detach() makes it invalid, so a
// command line handed to a callback is usable only during the call.
class CommandLineImpl : public CefCommandLine {
 public:
  CommandLineImpl(const ParsedCommandLine& parsed, bool read_only);

  void Detach();
  ParsedCommandLine Snapshot();

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

 private:
  bool Usable();
  bool Writable();

  std::recursive_mutex lock_;
  ParsedCommandLine parsed_;
  std::vector<std::string> wrappers_;
  bool read_only_;
  bool valid_ = true;

  IMPLEMENT_REFCOUNTING(CommandLineImpl);
};

}  // namespace cef_process

#endif  // CEF_SRC_PROCESS_COMMAND_LINE_H_
