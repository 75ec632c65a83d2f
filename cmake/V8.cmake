# V8 10.2 from Debian's libnode108 / libnode-dev, unpacked by scripts/setup.
set(KIV_V8_PREFIX "${CMAKE_SOURCE_DIR}/.deps/libnode" CACHE PATH
    "Folder into which scripts/setup unpacked libnode108 and libnode-dev")
set(_v8_include "${KIV_V8_PREFIX}/usr/include/node")
set(_v8_libdir "${KIV_V8_PREFIX}/usr/lib/x86_64-linux-gnu")
if(NOT EXISTS "${_v8_include}/v8.h" OR NOT EXISTS "${_v8_libdir}/libnode.so.108")
  message(FATAL_ERROR "V8 not found under ${KIV_V8_PREFIX}: run scripts/setup first")
endif()
add_library(v8 SHARED IMPORTED GLOBAL)
set_target_properties(v8 PROPERTIES
  IMPORTED_LOCATION "${_v8_libdir}/libnode.so.108"
  INTERFACE_INCLUDE_DIRECTORIES "${_v8_include}"
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${_v8_include}")
set(CMAKE_BUILD_RPATH "${_v8_libdir}")
set(CMAKE_INSTALL_RPATH "${_v8_libdir}")
