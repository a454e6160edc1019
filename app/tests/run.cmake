# Runs the program with ARGS and checks its exit status against STATUS, and
# what it prints on standard output and standard error against the regular
# expressions OUT and ERR. OUT /dev/full writes standard output there instead.
set(stdout OUTPUT_VARIABLE out)
if(OUT STREQUAL "/dev/full")
  set(stdout OUTPUT_FILE /dev/full)
  set(OUT "^$")
endif()
execute_process(COMMAND ${PROGRAM} ${ARGS} RESULT_VARIABLE status ${stdout} ERROR_VARIABLE err TIMEOUT 20)
if(NOT status STREQUAL STATUS OR NOT "${out}" MATCHES "${OUT}" OR NOT err MATCHES "${ERR}")
  message(FATAL_ERROR "vantril ${ARGS}: status ${status}, expected ${STATUS}\nstdout:\n${out}\nstderr:\n${err}")
endif()
