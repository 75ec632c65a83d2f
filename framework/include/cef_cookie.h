// Cookie manager. Browser-process only; its shape is needed by the request
// context classes.

#ifndef CEF_INCLUDE_CEF_COOKIE_H_
#define CEF_INCLUDE_CEF_COOKIE_H_
#pragma once

#include <vector>
#include "include/cef_base.h"
#include "include/cef_callback.h"

///
// Class used for managing cookies. The methods of this class may be called on
// any thread unless otherwise indicated.
///
class CefCookieManager : public virtual CefBase {};

#endif  // CEF_INCLUDE_CEF_COOKIE_H_
