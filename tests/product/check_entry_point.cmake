# kiv-subprocess returns CefExecuteProcess's result as its exit code: -1
# (255) when no sub-process kind is named, non-zero for an unknown kind.
execute_process(COMMAND ${EXECUTABLE} RESULT_VARIABLE result TIMEOUT 30)
if(NOT result EQUAL 255)
  message(FATAL_ERROR "without --type: exit code ${result}, expected 255")
endif()
execute_process(COMMAND ${EXECUTABLE} --type=no-such-kind
                RESULT_VARIABLE result TIMEOUT 30)
if(result EQUAL 0 OR NOT result MATCHES "^[0-9]+$")
  message(FATAL_ERROR "with an unknown --type: result ${result}, expected a non-zero code")
endif()
message(STATUS "kiv-subprocess exit codes as the framework returns them")
