// Windows window, cursor and event handle types and the process arguments.

#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_WIN_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_WIN_H_
#pragma once

#include "include/internal/cef_build.h"

#if defined(OS_WIN)
#include <windows.h>
#include "include/internal/cef_string.h"

// Handle types.
#define cef_cursor_handle_t HCURSOR
#define cef_event_handle_t MSG*
#define cef_window_handle_t HWND
#define cef_text_input_context_t void*

#ifdef __cplusplus
extern "C" {
#endif

///
// Structure representing CefExecuteProcess arguments.
///
typedef struct _cef_main_args_t {
  HINSTANCE instance;
} cef_main_args_t;

///
// Structure representing window information.
///
typedef struct _cef_window_info_t {
  // Standard parameters required by CreateWindowEx()
  DWORD ex_style;
  cef_string_t window_name;
  DWORD style;
  int x;
  int y;
  int width;
  int height;
  cef_window_handle_t parent_window;
  HMENU menu;

  // If window rendering is disabled no browser window will be created. Set
  // |parent_window| to be used for identifying monitor info
  // (MonitorFromWindow). If |parent_window| is not provided the main screen
  // monitor will be used.
  BOOL window_rendering_disabled;

  // Set to true to enable transparent painting.
  BOOL transparent_painting;

  // Handle for the new browser window.
  cef_window_handle_t window;
} cef_window_info_t;

#ifdef __cplusplus
}
#endif

#endif  // OS_WIN

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_WIN_H_
