// Linux window, cursor and event handle types and the process arguments.

#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_LINUX_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_LINUX_H_
#pragma once

#include "include/internal/cef_build.h"

#if defined(OS_LINUX)

#include "include/internal/cef_string.h"

// Window handles are GTK objects. They are only ever passed through here, so
// the GTK types stay incomplete and GTK itself is not needed.
typedef struct _GtkWidget GtkWidget;
typedef struct _GdkCursor GdkCursor;
typedef union _GdkEvent GdkEvent;

// Handle types.
#define cef_cursor_handle_t GdkCursor*
#define cef_event_handle_t GdkEvent*
#define cef_window_handle_t GtkWidget*
#define cef_text_input_context_t void*

#ifdef __cplusplus
extern "C" {
#endif

///
// Structure representing CefExecuteProcess arguments.
///
typedef struct _cef_main_args_t {
  int argc;
  char** argv;
} cef_main_args_t;

///
// Class representing window information.
///
typedef struct _cef_window_info_t {
  // Pointer for the parent GtkBox widget.
  cef_window_handle_t parent_widget;

  // Set to true (1) to create the browser using windowless (off-screen)
  // rendering.
  int window_rendering_disabled;

  // Set to true (1) to enable transparent painting.
  int transparent_painting;

  // Pointer for the new browser widget.
  cef_window_handle_t widget;
} cef_window_info_t;

#ifdef __cplusplus
}
#endif

#endif  // OS_LINUX

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_LINUX_H_
