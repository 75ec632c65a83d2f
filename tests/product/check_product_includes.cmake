# Fails when a source of app/, jsapi/ or marshal/ includes anything but a
# framework header ("include/..."), a product header by its path from the
# repository root, or a standard library header.
set(standard_headers
    algorithm array atomic cassert cstddef cstdint cstdio cstdlib cstring
    exception functional iterator limits list map memory mutex new set sstream
    stdexcept string tuple type_traits utility vector)

file(GLOB_RECURSE sources ${SOURCE_DIR}/app/* ${SOURCE_DIR}/jsapi/*
     ${SOURCE_DIR}/marshal/*)
set(failures "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(header ${CMAKE_MATCH_1})
      if(header MATCHES "^include/")
        continue()
      endif()
      if(header MATCHES "^(app|jsapi|marshal)/" AND EXISTS ${SOURCE_DIR}/${header})
        continue()
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      list(FIND standard_headers ${CMAKE_MATCH_1} index)
      if(NOT index EQUAL -1)
        continue()
      endif()
    endif()
    list(APPEND failures "${source}: ${line}")
  endforeach()
endforeach()
if(failures)
  string(REPLACE ";" "\n" failures "${failures}")
  message(FATAL_ERROR "Includes outside the product's rules:\n${failures}")
endif()
list(LENGTH sources count)
message(STATUS "${count} product sources include only permitted headers")
