// Entry point of the JSON-string bridge renderer (see json_bridge_app.h).
#include "bench/json_bridge/json_bridge_app.h"
#include "include/cef_app.h"

int main(int argc, char* argv[]) {
  CefMainArgs main_args(argc, argv);
  CefRefPtr<JsonBridgeApp> app(new JsonBridgeApp);
  return CefExecuteProcess(main_args, app.get(), NULL);
}
