# Runs in script mode (cmake -P): a small project registers a folder of scripts with
# cellwatch_add_scripts, and ctest runs them in parallel: the passing script passes, the script with
# a failed check fails, and each leaves its log and JUnit report where OUTPUT says.
# Needs PROGRAM (the cellwatch program), SOURCE_DIR (the repository) and WORK (a scratch folder).

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/project/scripts")
foreach(ext sym cal cmd)
  file(COPY "${SOURCE_DIR}/examples/counter8.${ext}" DESTINATION "${WORK}/project/scripts")
endforeach()
file(READ "${SOURCE_DIR}/examples/counter8.cmd" script)
string(REPLACE "check count 0a\\h" "check count 0b\\h" script "${script}")
file(WRITE "${WORK}/project/scripts/miscounted.cmd" "${script}")
file(WRITE "${WORK}/project/scripts/notes.txt" "not a script")
file(WRITE "${WORK}/project/CMakeLists.txt" "
cmake_minimum_required(VERSION 3.25)
project(scripts NONE)
enable_testing()
list(APPEND CMAKE_MODULE_PATH \"${SOURCE_DIR}/cmake\")
include(CellwatchScripts)
cellwatch_add_scripts(FOLDER scripts PROGRAM \"${PROGRAM}\" BOARD emulator OUTPUT results PREFIX board. LABELS board)
")

execute_process(COMMAND "${CMAKE_COMMAND}" -S "${WORK}/project" -B "${WORK}/build"
                RESULT_VARIABLE configured OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "the project did not configure:\n${out}")
endif()
execute_process(COMMAND "${CMAKE_CTEST_COMMAND}" --test-dir "${WORK}/build" -j 2 -L board
                RESULT_VARIABLE tested OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(tested EQUAL 0)
  message(FATAL_ERROR "the script with a failed check passed:\n${out}")
endif()
foreach(expected "board.counter8 [.]+ +Passed" "board.miscounted [.]+[*]+Failed" "50% tests passed, 1 tests failed out of 2")
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "ctest did not report \"${expected}\":\n${out}")
  endif()
endforeach()
foreach(file counter8.log counter8.xml miscounted.log miscounted.xml)
  if(NOT EXISTS "${WORK}/build/results/${file}")
    message(FATAL_ERROR "${file} was not written to the OUTPUT folder")
  endif()
endforeach()
file(READ "${WORK}/build/results/miscounted.xml" report)
if(NOT report MATCHES "failures=\"1\"")
  message(FATAL_ERROR "the JUnit report does not count the failed check:\n${report}")
endif()
file(REMOVE_RECURSE "${WORK}")
