# Fails when a source of app/, jsapi/ or marshal/ includes anything but a
# framework header ("include/..."), a product header by its path from the
# repository root, or a standard library header.
set(standard_headers
    algorithm array atomic cassert cstddef cstdint cstdio cstdlib cstring
    exception functional iterator limits list map memory mutex new set sstream
    stdexcept string tuple type_traits utility vector)

set(areas app jsapi marshal)
set(what product)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/CheckIncludes.cmake)
