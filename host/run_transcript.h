// The run mode's transcript: one readable line for everything that crosses
// the boundary between the browser process and the renderer (format in
// docs/kivhost.md).

#ifndef HOST_RUN_TRANSCRIPT_H_
#define HOST_RUN_TRANSCRIPT_H_

#include <functional>
#include <string>
#include <vector>

#include "browser_process/browser_process.h"

namespace kivhost {

// Text of a JSON string, for names and paths in transcript lines.
std::string QuotedText(const std::string& text);
// ["a","b"]
std::string NameListText(const std::vector<std::string>& names);

class Transcript : public cef_browser_process::Observer {
 public:
  explicit Transcript(const std::function<void(const std::string&)>& write)
      : write_(write) {}

  void Print(const std::string& line) { write_(line); }

  bool exited() const { return exited_; }
  // The renderer's exit code, 128 + the signal when a signal ended it.
  int exit_code() const { return exit_code_; }

  // cef_browser_process::Observer methods:
  void OnMessageToRenderer(int browser_id,
                           const std::string& name,
                           const ipc::WireValue& arguments) override;
  void OnRendererEvent(int renderer, const HostEvent& event) override;

 private:
  const std::function<void(const std::string&)>& write_;
  bool exited_ = false;
  int exit_code_ = 0;
};

}  // namespace kivhost

#endif  // HOST_RUN_TRANSCRIPT_H_
