#include "process/renderer_output.h"

#include <unistd.h>

#include "unicode/utf.h"

namespace cef_process {

void ReportLine(const std::string& line) {
  std::string text = "renderer: " + line + "\n";
  ssize_t ignored = write(STDERR_FILENO, text.data(), text.size());
  (void)ignored;
}

std::string CleanText(const std::string& text) {
  if (unicode::IsValidUtf8(text))
    return text;
  return unicode::Utf16ToUtf8(unicode::Utf8ToUtf16(text));
}

}  // namespace cef_process
