// Entry point of kiv-subprocess, started by the framework for every renderer
// and every other sub-process it needs. The framework runs the whole
// sub-process inside CefExecuteProcess; its result is the exit code.

#include "app/application.h"
#include "include/cef_app.h"

#if defined(_WIN32)

int APIENTRY WinMain(HINSTANCE hInstance,
                     HINSTANCE hPrevInstance,
                     LPSTR lpCmdLine,
                     int nCmdShow) {
  CefMainArgs main_args(GetModuleHandleW(NULL));
  CefRefPtr<Application> application(new Application);
  return CefExecuteProcess(main_args, application.get(), NULL);
}

#else

int main(int argc, char* argv[]) {
  CefMainArgs main_args(argc, argv);
  CefRefPtr<Application> application(new Application);
  return CefExecuteProcess(main_args, application.get(), NULL);
}

#endif
