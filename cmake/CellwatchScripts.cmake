# Registers command scripts as CTest tests, so that `ctest -j N` runs a folder of them in parallel.
# Installed with the program under share/cellwatch/cmake; in a project of your own:
#
#   list(APPEND CMAKE_MODULE_PATH /usr/share/cellwatch/cmake)   # or wherever it was installed
#   include(CellwatchScripts)
#   enable_testing()
#   cellwatch_add_scripts(FOLDER tests/board_scripts)
#
# cellwatch_add_scripts(FOLDER <dir> [PROGRAM <cellwatch>] [BOARD <value>] [OUTPUT <dir>]
#                       [PREFIX <text>] [TIMEOUT <seconds>] [LABELS <label>...])
#   FOLDER   every *.cmd in it (not in subfolders) becomes one test, named PREFIX + the file's name
#   PROGRAM  the cellwatch program (default: the one installed beside this file, else on the PATH)
#   BOARD    the -board= value of every run (default: the program's own choice)
#   OUTPUT   where each run's log and JUnit report go, as <name>.log and <name>.xml
#            (default: cellwatch-results in the current build folder)
#   PREFIX   the start of each test's name (default "cellwatch.")
#   TIMEOUT  seconds before CTest ends a run (default 1500)
#   LABELS   CTest labels for `ctest -L`
# A test passes when the run's exit status is 0: no errors and no failed checks.

set(_CELLWATCH_SCRIPTS_MODULE_DIR "${CMAKE_CURRENT_LIST_DIR}")

function(cellwatch_add_scripts)
  cmake_parse_arguments(ARG "" "FOLDER;PROGRAM;BOARD;OUTPUT;PREFIX;TIMEOUT" "LABELS" ${ARGN})
  if(NOT ARG_FOLDER)
    message(FATAL_ERROR "cellwatch_add_scripts: FOLDER is required")
  endif()
  get_filename_component(folder "${ARG_FOLDER}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "cellwatch_add_scripts: \"${folder}\" is not a folder")
  endif()

  set(program "${ARG_PROGRAM}")
  if(NOT program)
    # Installed as <prefix>/share/cellwatch/cmake/CellwatchScripts.cmake beside <prefix>/bin.
    find_program(CELLWATCH_PROGRAM cellwatch HINTS "${_CELLWATCH_SCRIPTS_MODULE_DIR}/../../../bin")
    if(NOT CELLWATCH_PROGRAM)
      message(FATAL_ERROR "cellwatch_add_scripts: no cellwatch program found; give PROGRAM")
    endif()
    set(program "${CELLWATCH_PROGRAM}")
  endif()
  set(output "${ARG_OUTPUT}")
  if(NOT output)
    set(output "${CMAKE_CURRENT_BINARY_DIR}/cellwatch-results")
  endif()
  get_filename_component(output "${output}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  file(MAKE_DIRECTORY "${output}")
  set(prefix "cellwatch.")
  if(DEFINED ARG_PREFIX)
    set(prefix "${ARG_PREFIX}")
  endif()
  set(timeout 1500)
  if(ARG_TIMEOUT)
    set(timeout "${ARG_TIMEOUT}")
  endif()
  set(board "")
  if(ARG_BOARD)
    set(board "-board=${ARG_BOARD}")
  endif()

  file(GLOB scripts CONFIGURE_DEPENDS "${folder}/*.cmd")
  list(SORT scripts)
  foreach(script IN LISTS scripts)
    get_filename_component(name "${script}" NAME_WE)
    add_test(NAME "${prefix}${name}"
             COMMAND "${program}" -run ${board} "-log=${output}/${name}.log" "-junit=${output}/${name}.xml"
                     "${script}")
    set_tests_properties("${prefix}${name}" PROPERTIES TIMEOUT "${timeout}")
    if(ARG_LABELS)
      set_tests_properties("${prefix}${name}" PROPERTIES LABELS "${ARG_LABELS}")
    endif()
  endforeach()
endfunction()
