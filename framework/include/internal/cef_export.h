// Export and calling-convention decorations of the C API.

#ifndef CEF_INCLUDE_INTERNAL_CEF_EXPORT_H_
#define CEF_INCLUDE_INTERNAL_CEF_EXPORT_H_
#pragma once

#include "include/internal/cef_build.h"

#if defined(COMPILER_MSVC)

#ifdef BUILDING_CEF_SHARED
#define CEF_EXPORT __declspec(dllexport)
#elif USING_CEF_SHARED
#define CEF_EXPORT __declspec(dllimport)
#else
#define CEF_EXPORT
#endif
#define CEF_CALLBACK __stdcall

#elif defined(COMPILER_GCC)

#define CEF_EXPORT __attribute__((visibility("default")))
#define CEF_CALLBACK

#endif  // COMPILER_GCC

#endif  // CEF_INCLUDE_INTERNAL_CEF_EXPORT_H_
