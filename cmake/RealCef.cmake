# Builds kivproduct and kiv-subprocess against a genuine CEF 3 binary
# distribution (branch 1750) instead of the stand-in:
#   KIV_CEF_ROOT             the distribution's root (the folder holding include/)
#   KIV_CEF_WRAPPER_LIBRARY  libcef_dll_wrapper built from that distribution
#   KIV_CEF_LIBRARY          libcef; found under Release/ of the root if unset
# The browser-process library (browser/) is built against it too. Tests, the
# stand-in and the host are not built in this configuration.
set(KIV_CEF_WRAPPER_LIBRARY "" CACHE FILEPATH
    "Prebuilt libcef_dll_wrapper of the CEF distribution named by KIV_CEF_ROOT")

if(NOT EXISTS "${KIV_CEF_ROOT}/include/cef_app.h")
  message(FATAL_ERROR "KIV_CEF_ROOT=${KIV_CEF_ROOT} holds no include/cef_app.h")
endif()
if(NOT EXISTS "${KIV_CEF_WRAPPER_LIBRARY}")
  message(FATAL_ERROR
    "Set KIV_CEF_WRAPPER_LIBRARY to the libcef_dll_wrapper built from the distribution")
endif()
find_library(KIV_CEF_LIBRARY NAMES cef libcef
             PATHS "${KIV_CEF_ROOT}/Release" "${KIV_CEF_ROOT}/Debug"
             NO_DEFAULT_PATH)
if(NOT KIV_CEF_LIBRARY)
  message(FATAL_ERROR "libcef not found under ${KIV_CEF_ROOT}; set KIV_CEF_LIBRARY")
endif()

add_library(kiv_real_cef INTERFACE)
# As a system include folder, so that -Werror applies to the product only.
target_include_directories(kiv_real_cef SYSTEM INTERFACE "${KIV_CEF_ROOT}")
# The wrapper calls into libcef, so it comes first.
target_link_libraries(kiv_real_cef INTERFACE
                      "${KIV_CEF_WRAPPER_LIBRARY}" "${KIV_CEF_LIBRARY}")
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # The Linux headers of this generation include GTK 2 for window handles.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(KIV_GTK REQUIRED IMPORTED_TARGET gtk+-2.0)
  find_package(Threads REQUIRED)
  target_link_libraries(kiv_real_cef INTERFACE PkgConfig::KIV_GTK
                        Threads::Threads)
endif()

if(MSVC)
  # The GCC and clang warning flags of the default build mean nothing to MSVC.
  set(KIV_WARNINGS /W3)
endif()
kiv_link_product(kiv_real_cef)

if(WIN32 AND TARGET kiv-subprocess)
  # WinMain is the entry point: a GUI sub-system executable.
  set_target_properties(kiv-subprocess PROPERTIES WIN32_EXECUTABLE ON)
endif()

# The browser-process library, for the application's own browser process.
if(EXISTS ${CMAKE_SOURCE_DIR}/browser/CMakeLists.txt)
  add_subdirectory(${CMAKE_SOURCE_DIR}/browser ${CMAKE_BINARY_DIR}/browser)
endif()
