# One benchmark run at its smallest size, for the smoke tests (label "bench"):
#   cmake -DFIGURE=<regex> [-DCLEAR=<URL prefix> -DCACHEFILL=<cachefill.exe>]
#         -P smoke.cmake <emulator> <benchmark.exe> [ARG ...]
# Fails when the benchmark ends with anything but 0 or prints no line that
# matches FIGURE (the one holding its medians and ratios). Judges no time.
# CLEAR: the URL cache items the benchmark filled are removed afterwards, as
# every test removes its own.
# The command is every argument after the script's own path.
set(command)
set(after_p FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 1 ${last})
  if(after_p)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "-P")
    set(after_p TRUE)
  endif()
endforeach()
list(REMOVE_AT command 0)

# Well inside ctest's TIMEOUT, so that a benchmark that hangs is named as one.
execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 240)
message("${output}")
if(DEFINED CLEAR)
  list(GET command 0 emulator)
  execute_process(COMMAND ${emulator} ${CACHEFILL} clear ${CLEAR} OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT result STREQUAL "0")
  message(FATAL_ERROR "bench smoke: the benchmark ended with \"${result}\"")
endif()
if(NOT output MATCHES "${FIGURE}")
  message(FATAL_ERROR "bench smoke: no figure line matching \"${FIGURE}\"")
endif()
