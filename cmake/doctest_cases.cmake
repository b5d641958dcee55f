# Included by CTest as it reads the tests, with the variables that
# brevlin_doctest_cases (DoctestCases.cmake) wrote for one program: lists the
# program's cases when it has changed, and adds a test for each.
#
# Run as "cmake -D BREVLIN_FAILED_LISTING=<file> -P doctest_cases.cmake", it is
# the failing test that stands in for cases that could not be listed.

if(DEFINED BREVLIN_FAILED_LISTING)
  file(READ "${BREVLIN_FAILED_LISTING}" reason)
  message(FATAL_ERROR "${reason}")
endif()

set(this_script "${CMAKE_CURRENT_LIST_FILE}")
set(tests_file "${cases_file}")

function(quoted out)
  set(text "")
  foreach(word IN LISTS ARGN)
    string(APPEND text " [==[${word}]==]")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One failing test in place of the cases, saying why; the next run of CTest
# tries the listing again.
function(cases_not_listed reason)
  file(REMOVE "${cases_file}")
  set(reason_file "${cases_file}.failure.txt")
  file(WRITE "${reason_file}" "${reason}")
  quoted(command "${cmake}" -D "BREVLIN_FAILED_LISTING=${reason_file}" -P "${this_script}")
  file(WRITE "${cases_file}.failure.cmake"
    "add_test([==[${prefix}(the cases could not be listed)]==]${command})\n")
  set(tests_file "${cases_file}.failure.cmake" PARENT_SCOPE)
endfunction()

if(NOT EXISTS "${program}")
  cases_not_listed("${program} was not built")
elseif(NOT EXISTS "${cases_file}" OR "${program}" IS_NEWER_THAN "${cases_file}"
       OR "${stub}" IS_NEWER_THAN "${cases_file}")
  set(with_environment "")
  if(environment)
    set(with_environment "${cmake}" -E env ${environment})
  endif()
  set(listing "${cases_file}.listing.txt")
  set(setup_result 0)
  if(list_setup)
    execute_process(COMMAND ${with_environment} ${list_setup}
      OUTPUT_FILE "${listing}" ERROR_FILE "${listing}" RESULT_VARIABLE setup_result)
  endif()
  if(NOT setup_result EQUAL 0)
    file(READ "${listing}" output)
    cases_not_listed("${list_setup} failed (${setup_result}):\n${output}")
  else()
    # Output to a file, not a pipe: a program under Wine leaves Wine's own
    # background programs behind, holding a pipe open.
    execute_process(COMMAND ${with_environment} ${emulator} "${program}" --list-test-cases
      OUTPUT_FILE "${listing}" ERROR_FILE "${listing}" RESULT_VARIABLE result TIMEOUT 600)
    file(READ "${listing}" output)
    string(REPLACE "\r" "" output "${output}")
    # Names may hold a semicolon, which would split them in a CMake list.
    string(REPLACE ";" "<semicolon>" lines "${output}")
    string(REPLACE "\n" ";" lines "${lines}")
    set(names "")
    set(announced -1)
    foreach(line IN LISTS lines)
      if(line MATCHES "^\\[doctest\\] unskipped test cases passing the current filters: ([0-9]+)$")
        set(announced ${CMAKE_MATCH_1})
      elseif(NOT line STREQUAL "" AND NOT line MATCHES "^\\[doctest\\] " AND NOT line MATCHES "^=+$")
        list(APPEND names "${line}")
      endif()
    endforeach()
    list(LENGTH names count)
    if(NOT result EQUAL 0 OR count EQUAL 0 OR NOT count EQUAL announced)
      cases_not_listed(
        "${program} --list-test-cases gave ${count} names (result ${result}):\n${output}")
    else()
      quoted(command ${launcher} ${emulator} "${program}")
      set(script "")
      foreach(name IN LISTS names)
        string(REPLACE "<semicolon>" ";" name "${name}")
        # doctest's filters take commas as separators and a backslash as escape.
        string(REPLACE "\\" "\\\\" filter "${name}")
        string(REPLACE "," "\\," filter "${filter}")
        string(APPEND script "add_test([==[${prefix}${name}]==]${command} [==[--test-case=${filter}]==])\n"
          "set_tests_properties([==[${prefix}${name}]==] PROPERTIES ${properties})\n")
      endforeach()
      file(WRITE "${cases_file}" "${script}")
    endif()
  endif()
endif()

include("${tests_file}")
