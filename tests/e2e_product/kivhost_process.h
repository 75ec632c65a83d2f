// Drives `kivhost driver` as a separate process over its standard input and
// output (JSON lines, docs/kivhost.md), with the real kiv-subprocess as the
// renderer. Every command waits for its reply; the events that came before
// the reply are kept for the test to look at.
#ifndef TESTS_E2E_PRODUCT_KIVHOST_PROCESS_H_
#define TESTS_E2E_PRODUCT_KIVHOST_PROCESS_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "nlohmann/json.hpp"

using Json = nlohmann::ordered_json;

class KivhostProcess {
 public:
  // Starts kivhost; check ok() afterwards.
  KivhostProcess();
  // Closes kivhost's input (it shuts the renderer down) and reaps it.
  ~KivhostProcess();

  KivhostProcess(const KivhostProcess&) = delete;
  KivhostProcess& operator=(const KivhostProcess&) = delete;

  bool ok() const { return pid_ > 0; }

  // Sends |command| and returns its reply line, or a JSON object with
  // "ok": false and "error" when no reply came in time. Events seen while
  // waiting are appended to events().
  Json Command(Json command);

  // Shortcuts for the commands the tests use; each returns the reply.
  Json Start(const std::vector<std::string>& callback_names,
             const std::vector<std::string>& query_names);
  Json OpenPage(int browser, int64_t frame, const std::string& script);
  Json Send(int browser, const std::string& name, Json args);
  Json Release(int browser, int64_t frame);
  // Runs the renderer's queued tasks until none is left.
  Json Settle();

  // Evaluates |code| in a frame: the JSON text of its value, or
  // "exception: <message>".
  std::string Eval(int browser, int64_t frame, const std::string& code);

  // The events so far, and taking them (leaving none).
  const std::vector<Json>& events() const { return events_; }
  std::vector<Json> TakeEvents();
  // Takes the events named |kind| ("message", "console", ...), leaving the
  // others.
  std::vector<Json> TakeEvents(const std::string& kind);

  // Everything kivhost wrote, for failure messages.
  std::string Transcript() const;

 private:
  bool ReadLine(std::string* line, int timeout_ms);

  pid_t pid_ = -1;
  int to_host_ = -1;
  int from_host_ = -1;
  std::string buffer_;
  std::vector<Json> events_;
  std::vector<std::string> transcript_;
  int next_id_ = 1;
};

#endif  // TESTS_E2E_PRODUCT_KIVHOST_PROCESS_H_
