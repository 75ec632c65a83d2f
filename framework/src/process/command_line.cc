#include "process/command_line.h"

#include <algorithm>
#include <cctype>

namespace cef_process {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return text;
}

void AddSwitch(ParsedCommandLine* parsed,
               const std::string& name,
               const std::string& value) {
  std::string key = Lower(name);
  if (parsed->switches_.find(key) == parsed->switches_.end())
    parsed->order_.push_back(name);
  parsed->switches_[key] = value;  // a later occurrence wins, as in Chromium
}

}  // namespace

ParsedCommandLine::ParsedCommandLine(int argc, const char* const* argv) {
  if (argc <= 0 || !argv)
    return;
  if (argv[0])
    program_ = argv[0];
  bool switches_done = false;
  for (int i = 1; i < argc; ++i) {
    if (!argv[i])
      continue;
    std::string word = argv[i];
    if (!switches_done && word == "--") {
      switches_done = true;
      continue;
    }
    size_t prefix = 0;
    if (!switches_done && word.size() > 1 && word[0] == '-')
      prefix = word[1] == '-' ? 2 : 1;
    if (prefix == 0 || word.size() == prefix) {
      arguments_.push_back(word);
      continue;
    }
    std::string body = word.substr(prefix);
    size_t equals = body.find('=');
    if (equals == std::string::npos)
      AddSwitch(this, body, std::string());
    else
      AddSwitch(this, body.substr(0, equals), body.substr(equals + 1));
  }
}

bool ParsedCommandLine::HasSwitch(const std::string& name) const {
  return switches_.find(Lower(name)) != switches_.end();
}

std::string ParsedCommandLine::GetSwitch(const std::string& name) const {
  auto found = switches_.find(Lower(name));
  return found == switches_.end() ? std::string() : found->second;
}

CommandLineImpl::CommandLineImpl(const ParsedCommandLine& parsed,
                                 bool read_only)
    : parsed_(parsed), read_only_(read_only) {}

void CommandLineImpl::Detach() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  valid_ = false;
}

ParsedCommandLine CommandLineImpl::Snapshot() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return parsed_;
}

bool CommandLineImpl::Usable() {
  return valid_;
}

bool CommandLineImpl::Writable() {
  return valid_ && !read_only_;
}

bool CommandLineImpl::IsValid() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return valid_;
}

bool CommandLineImpl::IsReadOnly() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return read_only_;
}

CefRefPtr<CefCommandLine> CommandLineImpl::Copy() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (!Usable())
    return nullptr;
  CommandLineImpl* copy = new CommandLineImpl(parsed_, false);
  copy->wrappers_ = wrappers_;
  return copy;
}

void CommandLineImpl::InitFromArgv(int argc, const char* const* argv) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (Writable()) {
    parsed_ = ParsedCommandLine(argc, argv);
    wrappers_.clear();
  }
}

void CommandLineImpl::InitFromString(const CefString& command_line) {
  // Windows only in the framework; nothing to do elsewhere.
}

void CommandLineImpl::Reset() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (!Writable())
    return;
  parsed_.switches_.clear();
  parsed_.order_.clear();
  parsed_.arguments_.clear();
  wrappers_.clear();
}

void CommandLineImpl::GetArgv(std::vector<CefString>& argv) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (!Usable())
    return;
  for (const std::string& wrapper : wrappers_)
    argv.push_back(wrapper);
  argv.push_back(parsed_.program_);
  for (const std::string& name : parsed_.order_) {
    const std::string& value = parsed_.switches_[Lower(name)];
    argv.push_back(value.empty() ? "--" + name : "--" + name + "=" + value);
  }
  if (!parsed_.arguments_.empty()) {
    argv.push_back("--");
    for (const std::string& argument : parsed_.arguments_)
      argv.push_back(argument);
  }
}

CefString CommandLineImpl::GetCommandLineString() {
  std::vector<CefString> argv;
  GetArgv(argv);
  std::string text;
  for (const CefString& word : argv) {
    std::string item = word.ToString();
    if (!text.empty())
      text += ' ';
    if (item.find_first_of(" \t\"") != std::string::npos) {
      text += '"';
      for (char c : item) {
        if (c == '"' || c == '\\')
          text += '\\';
        text += c;
      }
      text += '"';
    } else {
      text += item;
    }
  }
  return text;
}

CefString CommandLineImpl::GetProgram() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return Usable() ? CefString(parsed_.program_) : CefString();
}

void CommandLineImpl::SetProgram(const CefString& program) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (Writable())
    parsed_.program_ = program.ToString();
}

bool CommandLineImpl::HasSwitches() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return Usable() && !parsed_.switches_.empty();
}

bool CommandLineImpl::HasSwitch(const CefString& name) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return Usable() && !name.empty() && parsed_.HasSwitch(name.ToString());
}

CefString CommandLineImpl::GetSwitchValue(const CefString& name) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (!Usable() || name.empty())
    return CefString();
  return parsed_.GetSwitch(name.ToString());
}

void CommandLineImpl::GetSwitches(SwitchMap& switches) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (!Usable())
    return;
  for (const auto& entry : parsed_.switches_)
    switches[entry.first] = entry.second;
}

void CommandLineImpl::AppendSwitch(const CefString& name) {
  AppendSwitchWithValue(name, CefString());
}

void CommandLineImpl::AppendSwitchWithValue(const CefString& name,
                                            const CefString& value) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (Writable() && !name.empty())
    AddSwitch(&parsed_, name.ToString(), value.ToString());
}

bool CommandLineImpl::HasArguments() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return Usable() && !parsed_.arguments_.empty();
}

void CommandLineImpl::GetArguments(ArgumentList& arguments) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (!Usable())
    return;
  for (const std::string& argument : parsed_.arguments_)
    arguments.push_back(argument);
}

void CommandLineImpl::AppendArgument(const CefString& argument) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (Writable() && !argument.empty())
    parsed_.arguments_.push_back(argument.ToString());
}

void CommandLineImpl::PrependWrapper(const CefString& wrapper) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (!Writable() || wrapper.empty())
    return;
  // Split on spaces, as Chromium does (no quoting).
  std::vector<std::string> words;
  std::string text = wrapper.ToString();
  size_t start = 0;
  while (start < text.size()) {
    size_t space = text.find(' ', start);
    if (space == std::string::npos)
      space = text.size();
    if (space > start)
      words.push_back(text.substr(start, space - start));
    start = space + 1;
  }
  wrappers_.insert(wrappers_.begin(), words.begin(), words.end());
}

}  // namespace cef_process
