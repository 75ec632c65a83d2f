// What a renderer says on its standard error, and the text it puts in the
// wire's text fields.
#ifndef CEF_SRC_PROCESS_RENDERER_OUTPUT_H_
#define CEF_SRC_PROCESS_RENDERER_OUTPUT_H_

#include <string>

namespace cef_process {

// Writes "renderer: |line|" and a newline to standard error.
void ReportLine(const std::string& line);

// |text| as well-formed UTF-8, which the wire's text fields must be:
// ill-formed sequences become U+FFFD.
std::string CleanText(const std::string& text);

}  // namespace cef_process

#endif  // CEF_SRC_PROCESS_RENDERER_OUTPUT_H_
