# Runs dc-load-logger offscreen in a fresh Results folder and checks what it leaves behind.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(
  COMMAND "${PROGRAM}" --results-dir "${WORK}/Results" --screenshot "${WORK}/window.png" --quit-after 1
  RESULT_VARIABLE rc
  TIMEOUT 40)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dc-load-logger ended with ${rc}")
endif()
foreach(f window.png Results/ACIP.txt Results/DCCount.txt)
  if(NOT EXISTS "${WORK}/${f}")
    message(FATAL_ERROR "missing ${f}")
  endif()
endforeach()
file(READ "${WORK}/window.png" head LIMIT 8 HEX)
if(NOT head STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "window.png is not a PNG (${head})")
endif()
file(SIZE "${WORK}/window.png" size)
if(size LESS 10000)
  message(FATAL_ERROR "window.png is only ${size} bytes")
endif()

# A Results folder that cannot be made: start-up shows a message box nobody answers; the
# program must still take its picture and end on time.
file(WRITE "${WORK}/blocker" "a file where a folder should be")
execute_process(
  COMMAND "${PROGRAM}" --results-dir "${WORK}/blocker/Results" --screenshot "${WORK}/blocked.png" --quit-after 1
  RESULT_VARIABLE rc
  TIMEOUT 20)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "with an unusable Results folder dc-load-logger ended with ${rc}")
endif()
if(NOT EXISTS "${WORK}/blocked.png")
  message(FATAL_ERROR "no picture with an unusable Results folder")
endif()
