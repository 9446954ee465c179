# Builds the Linux brenvik-device that the Windows build's end-to-end tests
# talk to through a wine COM port: the default preset's, in this source tree,
# configured first when nothing has configured it yet, so that
# `ctest --preset windows` needs no other step and shares the default build.
#   cmake -DSOURCE_DIR=... -DDEVICE=... -P BuildHostDevice.cmake
# A DEVICE outside the default build is only checked, never built.
set(default_build "${SOURCE_DIR}/build/default")
if(NOT DEVICE STREQUAL "${default_build}/tools/brenvik-device")
  if(NOT EXISTS "${DEVICE}")
    message(FATAL_ERROR "no Linux brenvik-device at ${DEVICE}")
  endif()
  return()
endif()

if(NOT EXISTS "${default_build}/CMakeCache.txt")
  execute_process(COMMAND "${CMAKE_COMMAND}" --preset default
                  WORKING_DIRECTORY "${SOURCE_DIR}" COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${default_build}" --target brenvik-device
                WORKING_DIRECTORY "${SOURCE_DIR}" COMMAND_ERROR_IS_FATAL ANY)
