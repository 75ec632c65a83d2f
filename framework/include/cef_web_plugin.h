// Information about a web plug-in.

#ifndef CEF_INCLUDE_CEF_WEB_PLUGIN_H_
#define CEF_INCLUDE_CEF_WEB_PLUGIN_H_
#pragma once

#include "include/cef_base.h"

// Library implementation; the stand-in never hands one out.
class CefWebPluginInfo : public virtual CefBase {
 public:
  virtual CefString GetName() = 0;
  virtual CefString GetPath() = 0;
  virtual CefString GetVersion() = 0;
  virtual CefString GetDescription() = 0;
};

#endif  // CEF_INCLUDE_CEF_WEB_PLUGIN_H_
