// kivhost: the browser-process stand-in on the command line.
//
//   kivhost driver [--renderer PATH] [--timeout-ms N] [--no-zygote]
//   kivhost run --renderer PATH --page FILE [--url URL] [--query NAME]...
//               [--event NAME]... [--ticks N] [--tick-ms N]
//               [--time-limit-ms N] [--timeout-ms N] [--no-zygote]
//
// docs/kivhost.md describes both modes and their formats.

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "host/driver.h"
#include "host/heap_policy.h"
#include "host/run_mode.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  kivhost driver [--renderer PATH] [--timeout-ms N] [--no-zygote]\n"
    "      JSON commands on standard input, JSON events on standard output\n"
    "  kivhost run --renderer PATH --page FILE [--url URL] [--query NAME]...\n"
    "              [--event NAME]... [--ticks N] [--tick-ms N]\n"
    "              [--time-limit-ms N] [--timeout-ms N] [--no-zygote]\n"
    "      runs one page with an echo query and ticking events and prints a\n"
    "      transcript; exits with the renderer's exit code\n"
    "  --no-zygote: exec every renderer instead of forking those from the\n"
    "  third on from a zygote\n"
    "See docs/kivhost.md.\n";

int UsageError(const std::string& message) {
  std::cerr << "kivhost: " << message << "\n" << kUsage;
  return kivhost::kRunUsageError;
}

// One line in one piece, without a copy of it: a message's values can make
// a line of hundreds of megabytes.
void WriteLine(const std::string& line) {
  flockfile(stdout);
  fwrite(line.data(), 1, line.size(), stdout);
  fputc('\n', stdout);
  fflush(stdout);
  funlockfile(stdout);
}

// Reads "--name VALUE" or "--name=VALUE" at |*i|.
bool TakeValue(const std::vector<std::string>& args,
               size_t* i,
               const std::string& name,
               std::string* value,
               bool* error) {
  const std::string& arg = args[*i];
  if (arg == name) {
    if (*i + 1 >= args.size()) {
      *error = true;
      return true;
    }
    *value = args[++*i];
    return true;
  }
  if (arg.rfind(name + "=", 0) == 0) {
    *value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

bool ParseCount(const std::string& text, long low, long high, long* out) {
  if (text.empty())
    return false;
  char* end = nullptr;
  long value = strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < low || value > high)
    return false;
  *out = value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A renderer that goes away must not end kivhost through SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  host::KeepFreedHeapForReuse();

  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty())
    return UsageError("no mode given");
  const std::string mode = args[0];
  if (mode == "--help" || mode == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (mode != "driver" && mode != "run")
    return UsageError("unknown mode \"" + mode + "\"");

  kivhost::DriverOptions driver;
  kivhost::RunOptions run;
  bool have_query = false;
  bool have_event = false;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string value;
    bool missing = false;
    long number = 0;
    auto number_of = [&](const char* flag, long low, long high) {
      if (!ParseCount(value, low, high, &number)) {
        UsageError(std::string(flag) + " needs a number from " +
                   std::to_string(low) + " to " + std::to_string(high));
        return false;
      }
      return true;
    };
    if (args[i] == "--no-zygote") {
      driver.use_zygote = false;
      run.use_zygote = false;
    } else if (TakeValue(args, &i, "--renderer", &value, &missing)) {
      driver.default_renderer = value;
      run.renderer = value;
    } else if (TakeValue(args, &i, "--timeout-ms", &value, &missing)) {
      if (!missing && !number_of("--timeout-ms", 1, 1L << 30))
        return kivhost::kRunUsageError;
      driver.timeout = run.timeout = kivhost::Millis(number);
    } else if (mode == "run" &&
               TakeValue(args, &i, "--page", &value, &missing)) {
      run.page = value;
    } else if (mode == "run" &&
               TakeValue(args, &i, "--url", &value, &missing)) {
      run.url = value;
    } else if (mode == "run" &&
               TakeValue(args, &i, "--query", &value, &missing)) {
      run.query_names.push_back(value);
      have_query = true;
    } else if (mode == "run" &&
               TakeValue(args, &i, "--event", &value, &missing)) {
      run.event_names.push_back(value);
      have_event = true;
    } else if (mode == "run" &&
               TakeValue(args, &i, "--ticks", &value, &missing)) {
      if (!missing && !number_of("--ticks", 0, 1000000))
        return kivhost::kRunUsageError;
      run.ticks = static_cast<int>(number);
    } else if (mode == "run" &&
               TakeValue(args, &i, "--tick-ms", &value, &missing)) {
      if (!missing && !number_of("--tick-ms", 1, 1L << 30))
        return kivhost::kRunUsageError;
      run.tick_interval = kivhost::Millis(number);
    } else if (mode == "run" &&
               TakeValue(args, &i, "--time-limit-ms", &value, &missing)) {
      if (!missing && !number_of("--time-limit-ms", 1, 1L << 30))
        return kivhost::kRunUsageError;
      run.time_limit = kivhost::Millis(number);
    } else {
      return UsageError("unknown argument \"" + args[i] + "\"");
    }
    if (missing)
      return UsageError(args[i] + " needs a value");
  }

  if (mode == "driver") {
    kivhost::Driver session(driver, WriteLine);
    return session.Run(STDIN_FILENO);
  }
  if (run.renderer.empty())
    return UsageError("run mode needs --renderer");
  if (run.page.empty())
    return UsageError("run mode needs --page");
  if (!have_query && !have_event) {
    run.query_names.push_back("echo");
    run.event_names.push_back("tick");
  }
  return kivhost::RunPage(run, WriteLine);
}
