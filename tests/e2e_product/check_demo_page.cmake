# Runs the example page the way scripts/demo does and checks that the
# transcript shows the whole bridge at work.
execute_process(
  COMMAND ${KIVHOST} run --renderer ${RENDERER} --page ${PAGE}
          --query echo --event tick
  RESULT_VARIABLE result OUTPUT_VARIABLE transcript ERROR_VARIABLE errors
  TIMEOUT 60)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kivhost run ended with ${result}:\n${transcript}${errors}")
endif()
set(expected
    "<- message \"kiv_jsapi\" from browser 1"
    "echo replied: ok=true result={\"greeting\":\"hello from the page\""
    "subscribed to tick with registration id 0"
    "tick #2 arrived: 2"
    "unregisterCallback(0) = true"
    "unregisterCallback(0) again = false"
    "refused: Query needs a field named 'name' which is of type string!"
    "refused: The specified callback name is not known!"
    "refused: The specified argument cannot be passed to a query!"
    "unannounced query returned null"
    "renderer exited with exit code 0")
foreach(line ${expected})
  string(FIND "${transcript}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing from the transcript: ${line}\n${transcript}")
  endif()
endforeach()
string(FIND "${transcript}" "tick #3" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "a tick reached the page after it unsubscribed:\n${transcript}")
endif()
message(STATUS "the demo page's transcript shows queries, replies and events")
