#include "host/run_transcript.h"

#include "host/json_value.h"

namespace kivhost {

namespace {

// |text| from the renderer as part of one transcript line: line breaks and
// other control characters (C0 but tab, DEL, and C1, which terminals act on)
// are written as escapes, so that the text can neither end its line, forge
// another one nor reach the terminal as a control sequence.
std::string OnTheLine(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\r') {
      out += "\\r";
    } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else if (byte == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      const auto low = static_cast<unsigned char>(text[++i]);
      out += "\\u00";
      out += kHex[low >> 4];
      out += kHex[low & 15];
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

}  // namespace

std::string QuotedText(const std::string& text) {
  return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string NameListText(const std::vector<std::string>& names) {
  Json list = Json::array();
  for (const std::string& name : names)
    list.push_back(name);
  return list.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void Transcript::OnMessageToRenderer(int browser_id,
                                     const std::string& name,
                                     const ipc::WireValue& arguments) {
  std::string line = "-> message " + QuotedText(name) + " to browser " +
                     std::to_string(browser_id) + ": ";
  AppendValueJsonText(arguments, &line);
  Print(line);
}

void Transcript::OnRendererEvent(int renderer, const HostEvent& event) {
  if (const auto* output = std::get_if<OutputLine>(&event)) {
    Print("<- renderer output: " + OnTheLine(output->text));
  } else if (const auto* ended = std::get_if<ChannelEnded>(&event)) {
    if (!ended->error.empty())
      Print("-- channel broken: " + OnTheLine(ended->error));
  } else if (const auto* exited = std::get_if<ProcessExited>(&event)) {
    exited_ = true;
    exit_code_ = exited->status.signaled ? 128 + exited->status.signal
                                         : exited->status.code;
    Print("<- renderer exited with " + exited->status.Describe() + " (" +
          exited->reason + ")");
  } else {
    const ipc::Event& wire = std::get<ipc::Event>(event);
    if (const auto* message = std::get_if<ipc::ProcessMessageSent>(&wire)) {
      std::string line = "<- message " + QuotedText(message->name) +
                         " from browser " +
                         std::to_string(message->browser_id) + ": ";
      AppendValueJsonText(message->arguments, &line);
      Print(line);
    } else if (const auto* console = std::get_if<ipc::ConsoleMessage>(&wire)) {
      Print(std::string("<- console.") + ipc::ConsoleLevelName(console->level) +
            ": " + OnTheLine(console->text));
    } else if (const auto* thrown =
                   std::get_if<ipc::UncaughtException>(&wire)) {
      Print("<- uncaught exception, line " + std::to_string(thrown->line) +
            ": " + OnTheLine(thrown->message));
    } else if (const auto* failed = std::get_if<ipc::RequestFailed>(&wire)) {
      Print(std::string("<- request failed (") +
            ipc::RequestTypeName(failed->request_type) +
            "): " + OnTheLine(failed->reason));
    }
  }
}

}  // namespace kivhost
