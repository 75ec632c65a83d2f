// libFuzzer entry for kivhost's side of both boundaries: what a hostile
// renderer can send (a stream of frames, decoded into events and written in
// the JSON form of values), and what a test runner can write to the driver
// (JSON command lines). The first byte chooses which.
//
// Checked: nothing crashes; a decoded message's arguments survive the JSON
// form unchanged (it is lossless); the driver answers every command line with
// exactly one reply, and everything it writes is one JSON object per line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "host/driver.h"
#include "host/json_parse.h"
#include "host/json_value.h"
#include "host/renderer_host.h"
#include "ipc/framing.h"
#include "ipc/messages.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

void CheckLossless(const ipc::WireValue& value) {
  const std::string text = kivhost::ValueToJsonText(value);
  ipc::WireValue back;
  std::string error;
  Check(kivhost::JsonToValue(kivhost::ParseJson(text), &back, &error));
  Check(kivhost::ValueToJsonText(back) == text);
}

void RendererFrames(const std::string& bytes) {
  ipc::FrameAssembler assembler;
  assembler.Append(reinterpret_cast<const uint8_t*>(bytes.data()),
                   bytes.size());
  std::vector<uint8_t> payload;
  std::string error;
  while (assembler.Next(&payload, &error) ==
         ipc::FrameAssembler::Status::kFrame) {
    ipc::Event event;
    std::string reason;
    if (!ipc::DecodeEvent(payload, &event, &reason)) {
      Check(!reason.empty());
      return;  // the host stops reading a renderer that sent garbage
    }
    Check(!kivhost::DescribeHostEvent(kivhost::HostEvent(event)).empty());
    if (const auto* message = std::get_if<ipc::ProcessMessageSent>(&event))
      CheckLossless(message->arguments);
  }
}

// Commands that would start a process or sleep are left out; everything else
// is answered without a renderer, which is what the command parsing sees
// first.
bool Runnable(const kivhost::Json& command) {
  if (!command.is_object() || !command.contains("cmd") ||
      !command["cmd"].is_string()) {
    return true;
  }
  const std::string& name = command["cmd"].get_ref<const std::string&>();
  return name != "start" && name != "wait";
}

void DriverLines(const std::string& text) {
  std::vector<std::string> output;
  kivhost::DriverOptions options;
  options.default_renderer = "/nonexistent/kiv-subprocess";
  kivhost::Driver driver(
      options, [&output](const std::string& line) { output.push_back(line); });
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;

    kivhost::Json parsed;
    bool is_json = true;
    try {
      parsed = kivhost::ParseJson(line);
    } catch (const kivhost::Json::exception&) {
      is_json = false;
    }
    if (is_json) {
      // The value form on its own, as "args" and "extra_info" use it.
      ipc::WireValue value;
      std::string error;
      if (kivhost::JsonToValue(parsed, &value, &error))
        CheckLossless(value);
      else
        Check(!error.empty());
      if (!Runnable(parsed))
        continue;
    }

    output.clear();
    driver.HandleLine(line);
    if (line.find_first_not_of(" \t\r") == std::string::npos) {
      Check(output.empty());
      continue;
    }
    size_t replies = 0;
    for (const std::string& written : output) {
      kivhost::Json object = kivhost::ParseJson(written);
      Check(object.is_object());
      if (object.contains("reply"))
        ++replies;
    }
    Check(replies == 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const bool driver = input.Bool();
  const std::string rest = input.Rest();
  if (driver)
    DriverLines(rest);
  else
    RendererFrames(rest);
  return 0;
}
