// JavaScript dialogs (alert, confirm, prompt) of a browser.
// The browser-process stand-in never calls this handler; the class is here so
// that CefClient's default GetJSDialogHandler() compiles.

#ifndef CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
#define CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefJSDialogHandler : public virtual CefBase {};

#endif  // CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
