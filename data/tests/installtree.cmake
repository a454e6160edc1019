# Installs the build tree afresh into PREFIX, so that the install tests see
# exactly what "cmake --install" lays out and nothing left from a former run.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BINARY_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "installing into ${PREFIX} failed: ${result}")
endif()
