#include "tests/browser/bridge_app.h"

bool BridgeClient::HasLine(int browser_id, const std::string& line) const {
  auto it = console.find(browser_id);
  if (it == console.end())
    return false;
  for (const std::string& text : it->second) {
    if (text == line)
      return true;
  }
  return false;
}

size_t BridgeClient::CountLines(int browser_id,
                                const std::string& prefix) const {
  auto it = console.find(browser_id);
  if (it == console.end())
    return 0;
  size_t count = 0;
  for (const std::string& text : it->second) {
    if (text.compare(0, prefix.size(), prefix) == 0)
      ++count;
  }
  return count;
}
