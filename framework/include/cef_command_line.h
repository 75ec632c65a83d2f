// CefCommandLine: switches and arguments of a process command line.

#ifndef CEF_INCLUDE_CEF_COMMAND_LINE_H_
#define CEF_INCLUDE_CEF_COMMAND_LINE_H_
#pragma once

#include <map>
#include <vector>
#include "include/cef_base.h"

///
// Class used to create and/or parse command line arguments. Arguments with
// '--', '-' and, on Windows, '/' prefixes are considered switches. Switches
// will always precede any arguments without switch prefixes. Switches can
// optionally have a value specified using the '=' delimiter (e.g.
// "-switch=value"); a separate following word is an argument, not a value. An
// argument of "--" will terminate switch parsing with all subsequent tokens,
// regardless of prefix, being interpreted as non-switch arguments. Switch names
// are considered case-insensitive. This class can be used before
// CefInitialize() is called.
///
class CefCommandLine : public virtual CefBase {
 public:
  typedef std::vector<CefString> ArgumentList;
  typedef std::map<CefString, CefString> SwitchMap;

  ///
  // Create a new CefCommandLine instance.
  ///
  static CefRefPtr<CefCommandLine> CreateCommandLine();

  ///
  // Returns the singleton global CefCommandLine object. The returned object
  // will be read-only.
  ///
  static CefRefPtr<CefCommandLine> GetGlobalCommandLine();

  ///
  // Returns true if this object is valid. Do not call any other methods if this
  // function returns false.
  ///
  virtual bool IsValid() = 0;

  ///
  // Returns true if the values of this object are read-only. Some APIs may
  // expose read-only objects.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Returns a writable copy of this object.
  ///
  virtual CefRefPtr<CefCommandLine> Copy() = 0;

  ///
  // Initialize the command line with the specified |argc| and |argv| values.
  // The first argument must be the name of the program. This method is only
  // supported on non-Windows platforms.
  ///
  virtual void InitFromArgv(int argc, const char* const* argv) = 0;

  ///
  // Initialize the command line with the string returned by calling
  // GetCommandLineW(). This method is only supported on Windows.
  ///
  virtual void InitFromString(const CefString& command_line) = 0;

  ///
  // Reset the command-line switches and arguments but leave the program
  // component unchanged.
  ///
  virtual void Reset() = 0;

  ///
  // Retrieve the original command line string as a vector of strings.
  // The argv array: { program, [(--|-|/)switch[=value]]*, [--], [argument]* }
  ///
  virtual void GetArgv(std::vector<CefString>& argv) = 0;

  ///
  // Constructs and returns the represented command line string. Use this method
  // cautiously because quoting behavior is unclear.
  ///
  virtual CefString GetCommandLineString() = 0;

  ///
  // Get the program part of the command line string (the first item).
  ///
  virtual CefString GetProgram() = 0;

  ///
  // Set the program part of the command line string (the first item).
  ///
  virtual void SetProgram(const CefString& program) = 0;

  ///
  // Returns true if the command line has switches.
  ///
  virtual bool HasSwitches() = 0;

  ///
  // Returns true if the command line contains the given switch.
  ///
  virtual bool HasSwitch(const CefString& name) = 0;

  ///
  // Returns the value associated with the given switch. If the switch has no
  // value or isn't present this method returns the empty string.
  ///
  virtual CefString GetSwitchValue(const CefString& name) = 0;

  ///
  // Returns the map of switch names and values. If a switch has no value an
  // empty string is returned.
  ///
  virtual void GetSwitches(SwitchMap& switches) = 0;

  ///
  // Add a switch to the end of the command line. If the switch has no value
  // pass an empty value string.
  ///
  virtual void AppendSwitch(const CefString& name) = 0;

  ///
  // Add a switch with the specified value to the end of the command line.
  ///
  virtual void AppendSwitchWithValue(const CefString& name,
                                     const CefString& value) = 0;

  ///
  // True if there are remaining command line arguments.
  ///
  virtual bool HasArguments() = 0;

  ///
  // Get the remaining command line arguments.
  ///
  virtual void GetArguments(ArgumentList& arguments) = 0;

  ///
  // Add an argument to the end of the command line.
  ///
  virtual void AppendArgument(const CefString& argument) = 0;

  ///
  // Insert a command before the current command.
  // Common for debuggers, like "valgrind" or "gdb --args".
  ///
  virtual void PrependWrapper(const CefString& wrapper) = 0;
};

#endif  // CEF_INCLUDE_CEF_COMMAND_LINE_H_
