# Each doctest case of a test program becomes a CTest test of its own, so
# CTest counts, times and reruns cases, not programs. The cases are listed
# when CTest reads the tests (the program prints them with
# --list-test-cases), and listed again only when the program has changed:
# a Windows program is listed under its emulator, so building it never
# needs Wine.
#
#   brevlin_doctest_cases(<target>
#     PREFIX <text>                    before each case's name
#     [LAUNCHER <command>...]          runs each case's command line
#     [LIST_SETUP <command>...]        runs before the listing
#     [ENVIRONMENT <var=value>...]     for the listing and every case
#     [FIXTURES <name>...] [LABELS <label>...] [TIMEOUT <seconds>] [RUN_SERIAL])

set(BREVLIN_DOCTEST_CASES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/doctest_cases.cmake)

function(brevlin_doctest_cases target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "RUN_SERIAL" "PREFIX;TIMEOUT"
    "LAUNCHER;LIST_SETUP;ENVIRONMENT;FIXTURES;LABELS")
  get_property(emulator TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR)

  # A filter that matches no case makes doctest pass with nothing run.
  set(properties "FAIL_REGULAR_EXPRESSION [==[test cases: *0 \\|]==]")
  if(arg_ENVIRONMENT)
    string(APPEND properties " ENVIRONMENT [==[${arg_ENVIRONMENT}]==]")
  endif()
  if(arg_FIXTURES)
    string(APPEND properties " FIXTURES_REQUIRED [==[${arg_FIXTURES}]==]")
  endif()
  if(arg_LABELS)
    string(APPEND properties " LABELS [==[${arg_LABELS}]==]")
  endif()
  if(DEFINED arg_TIMEOUT)
    string(APPEND properties " TIMEOUT ${arg_TIMEOUT}")
  endif()
  if(arg_RUN_SERIAL)
    string(APPEND properties " RUN_SERIAL TRUE")
  endif()

  set(stub ${CMAKE_CURRENT_BINARY_DIR}/${target}_cases_include.cmake)
  file(GENERATE OUTPUT ${stub} CONTENT "\
set(program [=======[$<TARGET_FILE:${target}>]=======])
set(emulator [=======[${emulator}]=======])
set(launcher [=======[${arg_LAUNCHER}]=======])
set(list_setup [=======[${arg_LIST_SETUP}]=======])
set(environment [=======[${arg_ENVIRONMENT}]=======])
set(prefix [=======[${arg_PREFIX}]=======])
set(properties [=======[${properties}]=======])
set(cases_file [=======[${CMAKE_CURRENT_BINARY_DIR}/${target}_cases.cmake]=======])
set(stub [=======[${stub}]=======])
set(cmake [=======[${CMAKE_COMMAND}]=======])
include([=======[${BREVLIN_DOCTEST_CASES_SCRIPT}]=======])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${stub})
endfunction()
