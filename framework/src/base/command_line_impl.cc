#include "base/command_line_impl.h"

#include <fstream>
#include <iterator>

namespace cef_base {

namespace {

// |name| with ASCII letters lower-cased: the key switches are found by.
std::string SwitchKey(const std::string& name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

// The length of the switch prefix of |word| ("--" or "-"), or 0 when it is
// not a switch.
size_t SwitchPrefixLength(const std::string& word) {
  if (word.size() > 2 && word.compare(0, 2, "--") == 0)
    return 2;
  if (word.size() > 1 && word[0] == '-' && word[1] != '-')
    return 1;
  return 0;
}

// Quotes a word for a readable command line string when it needs it.
std::string Quote(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"\\") == std::string::npos)
    return word;
  std::string quoted = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\')
      quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

CommandLineImpl::CommandLineImpl(bool read_only) : read_only_(read_only) {}

void CommandLineImpl::Detach() {
  std::lock_guard<std::mutex> lock(lock_);
  valid_ = false;
}

CommandLineImpl::Switch* CommandLineImpl::FindSwitch(const std::string& name) {
  auto found = switch_index_.find(SwitchKey(name));
  return found == switch_index_.end() ? nullptr : &switches_[found->second];
}

void CommandLineImpl::SetSwitch(const std::string& name,
                                const std::string& value) {
  auto added = switch_index_.emplace(SwitchKey(name), switches_.size());
  if (added.second)
    switches_.emplace_back(name, value);
  else
    switches_[added.first->second].second = value;
}

void CommandLineImpl::ClearSwitches() {
  switches_.clear();
  switch_index_.clear();
}

void CommandLineImpl::Parse(const std::vector<std::string>& argv) {
  std::lock_guard<std::mutex> lock(lock_);
  wrappers_.clear();
  program_.clear();
  ClearSwitches();
  arguments_.clear();
  if (argv.empty())
    return;
  program_ = argv[0];
  bool parse_switches = true;
  for (size_t i = 1; i < argv.size(); ++i) {
    const std::string& word = argv[i];
    if (parse_switches && word == "--") {
      parse_switches = false;
      continue;
    }
    const size_t prefix = parse_switches ? SwitchPrefixLength(word) : 0;
    if (prefix == 0) {
      arguments_.push_back(word);
      continue;
    }
    const size_t equals = word.find('=', prefix);
    if (equals == std::string::npos)
      SetSwitch(word.substr(prefix), std::string());
    else
      SetSwitch(word.substr(prefix, equals - prefix), word.substr(equals + 1));
  }
}

std::vector<std::string> CommandLineImpl::Words() const {
  std::vector<std::string> words(wrappers_);
  words.push_back(program_);
  for (const Switch& entry : switches_) {
    // A switch with an empty name keeps its "=": a bare "--" would be read
    // back as the terminator.
    words.push_back(entry.second.empty() && !entry.first.empty()
                        ? "--" + entry.first
                        : "--" + entry.first + "=" + entry.second);
  }
  // The terminator keeps arguments that look like switches arguments.
  bool needs_terminator = false;
  for (const std::string& argument : arguments_) {
    if (argument == "--" || SwitchPrefixLength(argument) != 0)
      needs_terminator = true;
  }
  if (needs_terminator)
    words.push_back("--");
  words.insert(words.end(), arguments_.begin(), arguments_.end());
  return words;
}

bool CommandLineImpl::IsValid() {
  std::lock_guard<std::mutex> lock(lock_);
  return valid_;
}

bool CommandLineImpl::IsReadOnly() {
  std::lock_guard<std::mutex> lock(lock_);
  return valid_ && read_only_;
}

CefRefPtr<CefCommandLine> CommandLineImpl::Copy() {
  std::lock_guard<std::mutex> lock(lock_);
  if (!valid_)
    return NULL;
  CommandLineImpl* copy = new CommandLineImpl(false);
  copy->wrappers_ = wrappers_;
  copy->program_ = program_;
  copy->switches_ = switches_;
  copy->switch_index_ = switch_index_;
  copy->arguments_ = arguments_;
  return copy;
}

void CommandLineImpl::InitFromArgv(int argc, const char* const* argv) {
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (!Writable() || argc <= 0 || !argv)
      return;
  }
  std::vector<std::string> words;
  for (int i = 0; i < argc; ++i)
    words.push_back(argv[i] ? argv[i] : "");
  Parse(words);
}

void CommandLineImpl::InitFromString(const CefString& command_line) {
  // Windows only in the framework; it does nothing elsewhere.
}

void CommandLineImpl::Reset() {
  std::lock_guard<std::mutex> lock(lock_);
  if (!Writable())
    return;
  wrappers_.clear();
  ClearSwitches();
  arguments_.clear();
}

void CommandLineImpl::GetArgv(std::vector<CefString>& argv) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!valid_)
    return;
  for (const std::string& word : Words())
    argv.push_back(CefString(word));
}

CefString CommandLineImpl::GetCommandLineString() {
  std::lock_guard<std::mutex> lock(lock_);
  if (!valid_)
    return CefString();
  std::string text;
  for (const std::string& word : Words()) {
    if (!text.empty())
      text += ' ';
    text += Quote(word);
  }
  return CefString(text);
}

CefString CommandLineImpl::GetProgram() {
  std::lock_guard<std::mutex> lock(lock_);
  return valid_ ? CefString(program_) : CefString();
}

void CommandLineImpl::SetProgram(const CefString& program) {
  std::lock_guard<std::mutex> lock(lock_);
  if (Writable())
    program_ = program.ToString();
}

bool CommandLineImpl::HasSwitches() {
  std::lock_guard<std::mutex> lock(lock_);
  return valid_ && !switches_.empty();
}

bool CommandLineImpl::HasSwitch(const CefString& name) {
  if (name.empty())
    return false;
  std::lock_guard<std::mutex> lock(lock_);
  return valid_ && FindSwitch(name.ToString()) != nullptr;
}

CefString CommandLineImpl::GetSwitchValue(const CefString& name) {
  if (name.empty())
    return CefString();
  std::string value;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (!valid_)
      return CefString();
    if (Switch* entry = FindSwitch(name.ToString()))
      value = entry->second;
  }
  return CefString(value);
}

void CommandLineImpl::GetSwitches(SwitchMap& switches) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!valid_)
    return;
  for (const Switch& entry : switches_)
    switches[CefString(entry.first)] = CefString(entry.second);
}

void CommandLineImpl::AppendSwitch(const CefString& name) {
  AppendSwitchWithValue(name, CefString());
}

void CommandLineImpl::AppendSwitchWithValue(const CefString& name,
                                            const CefString& value) {
  if (name.empty())
    return;
  std::lock_guard<std::mutex> lock(lock_);
  if (Writable())
    SetSwitch(name.ToString(), value.ToString());
}

bool CommandLineImpl::HasArguments() {
  std::lock_guard<std::mutex> lock(lock_);
  return valid_ && !arguments_.empty();
}

void CommandLineImpl::GetArguments(ArgumentList& arguments) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!valid_)
    return;
  for (const std::string& argument : arguments_)
    arguments.push_back(CefString(argument));
}

void CommandLineImpl::AppendArgument(const CefString& argument) {
  if (argument.empty())
    return;
  std::lock_guard<std::mutex> lock(lock_);
  if (Writable())
    arguments_.push_back(argument.ToString());
}

void CommandLineImpl::PrependWrapper(const CefString& wrapper) {
  if (wrapper.empty())
    return;
  // Split on spaces, without quoting, as Chromium does.
  std::vector<std::string> words;
  const std::string text = wrapper.ToString();
  size_t start = 0;
  while (start < text.size()) {
    size_t space = text.find(' ', start);
    if (space == std::string::npos)
      space = text.size();
    if (space > start)
      words.push_back(text.substr(start, space - start));
    start = space + 1;
  }
  std::lock_guard<std::mutex> lock(lock_);
  if (Writable())
    wrappers_.insert(wrappers_.begin(), words.begin(), words.end());
}

namespace {

std::mutex g_global_lock;
CommandLineImpl* g_global = nullptr;  // one reference, never released

std::vector<std::string> ReadOwnCommandLine() {
  std::vector<std::string> words;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)),
                   std::istreambuf_iterator<char>());
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\0', start);
    if (end == std::string::npos)
      end = data.size();
    words.push_back(data.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// With g_global_lock held.
CommandLineImpl* Global() {
  if (!g_global) {
    g_global = new CommandLineImpl(true);
    g_global->AddRef();
    g_global->Parse(ReadOwnCommandLine());
  }
  return g_global;
}

}  // namespace

void InitGlobalCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> words;
  for (int i = 0; argv && i < argc; ++i)
    words.push_back(argv[i] ? argv[i] : "");
  std::lock_guard<std::mutex> lock(g_global_lock);
  if (!g_global) {
    g_global = new CommandLineImpl(true);
    g_global->AddRef();
  }
  g_global->Parse(words);
}

}  // namespace cef_base

// static
CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() {
  return new cef_base::CommandLineImpl(false);
}

// static
CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
  std::lock_guard<std::mutex> lock(cef_base::g_global_lock);
  return cef_base::Global();
}
