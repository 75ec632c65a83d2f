// Off-screen rendering of a browser.
// The browser-process stand-in never calls this handler; the class is here so
// that CefClient's default GetRenderHandler() compiles.

#ifndef CEF_INCLUDE_CEF_RENDER_HANDLER_H_
#define CEF_INCLUDE_CEF_RENDER_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefRenderHandler : public virtual CefBase {};

#endif  // CEF_INCLUDE_CEF_RENDER_HANDLER_H_
