# Runs every benchmark executable once at a tiny size (--tiny) and the report
# over their output with --check: everything must build, run, find its
# work right and give each figure of the table. No timing is checked.
#   BENCHMARKS  the executables, separated by "|"
#   REPORT      bench_report
#   OUT         a scratch folder
string(REPLACE "|" ";" BENCHMARKS "${BENCHMARKS}")
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
set(outputs "")
foreach(benchmark ${BENCHMARKS})
  get_filename_component(name "${benchmark}" NAME)
  execute_process(
    COMMAND "${benchmark}" --tiny --benchmark_out=${OUT}/${name}.json
            --benchmark_out_format=json
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${name} failed (${result}):\n${output}")
  endif()
  list(APPEND outputs "${OUT}/${name}.json")
endforeach()
execute_process(COMMAND "${REPORT}" --check ${outputs}
                RESULT_VARIABLE result
                OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "bench_report --check failed (${result}):\n${output}")
endif()
