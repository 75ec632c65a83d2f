# Fails when a source of browser/ includes anything but a framework header
# ("include/..."), one of its own headers ("browser/...") or a standard
# library header: the library must build against a genuine distribution.
set(standard_headers
    algorithm atomic cmath cstddef cstdint initializer_list limits map memory
    mutex set string type_traits utility vector)

set(areas browser)
set(what library)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/CheckIncludes.cmake)
