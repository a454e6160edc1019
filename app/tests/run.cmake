# Runs the program with ARGS and checks its exit status against STATUS, and
# what it prints on standard output and standard error against the regular
# expressions OUT and ERR.
execute_process(COMMAND ${PROGRAM} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT 20)
if(NOT status STREQUAL STATUS OR NOT out MATCHES "${OUT}" OR NOT err MATCHES "${ERR}")
  message(FATAL_ERROR "vantril ${ARGS}: status ${status}, expected ${STATUS}\nstdout:\n${out}\nstderr:\n${err}")
endif()
