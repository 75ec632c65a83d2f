# Compiles each snippet twice: with KIV_PARITY_CONTROL (the accepted form,
# which must compile) and without (the form client code cannot use against
# the framework's headers, which must not compile).
#   cmake -DCXX=<compiler> -DINCLUDE=<dir> -DSNIPPETS=<dir> -P check.cmake
file(GLOB snippets ${SNIPPETS}/*.cc)
list(LENGTH snippets count)
if(count EQUAL 0)
  message(FATAL_ERROR "no snippets in ${SNIPPETS}")
endif()
set(failures "")
foreach(snippet ${snippets})
  get_filename_component(name ${snippet} NAME_WE)
  execute_process(
    COMMAND ${CXX} -std=c++17 -fsyntax-only -Wall -Werror -Wno-unused-parameter
            -DKIV_PARITY_CONTROL -I${INCLUDE} ${snippet}
    RESULT_VARIABLE control_result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT control_result EQUAL 0)
    list(APPEND failures "${name}: the accepted form does not compile:\n${err}")
    continue()
  endif()
  execute_process(
    COMMAND ${CXX} -std=c++17 -fsyntax-only -Wno-unused-parameter
            -I${INCLUDE} ${snippet}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(result EQUAL 0)
    list(APPEND failures "${name}: the rejected form compiles")
  endif()
endforeach()
if(failures)
  string(REPLACE ";" "\n" text "${failures}")
  message(FATAL_ERROR "${text}")
endif()
message(STATUS "${count} snippets behave as the framework's headers do")
