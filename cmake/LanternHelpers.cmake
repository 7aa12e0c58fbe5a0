include(GoogleTest)

# lantern_library(<name> SOURCES ... DEPS ...): one static library per code folder.
function(lantern_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(lantern_${name} STATIC ${L_SOURCES})
  target_link_libraries(lantern_${name} PUBLIC ${L_DEPS})
endfunction()

# lantern_test(<name> LABEL <subsystem> [LONG] SOURCES ... DEPS ...)
# A GoogleTest program; each test case becomes a CTest test carrying the label.
# The long program runs carry the label "long" as well (./test -LE long leaves
# them out): every test of a LONG program, and the test suites defined in its
# *e2e_test.cpp sources.
function(lantern_test name)
  cmake_parse_arguments(T "LONG" "LABEL;TIMEOUT" "SOURCES;DEPS" ${ARGN})
  if(NOT T_LABEL)
    message(FATAL_ERROR "lantern_test(${name}) needs a LABEL")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # Every test program runs with a home of its own (tests/support/isolatedhome.cpp).
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/isolatedhome.cpp)
  target_link_libraries(${name} PRIVATE ${T_DEPS} lantern_testsupport GTest::gtest_main GTest::gmock Threads::Threads)
  # The suites of the end-to-end sources, as a gtest filter.
  set(longFilter)
  foreach(source ${T_SOURCES})
    if(source MATCHES "e2e_test\\.cpp$")
      get_filename_component(path ${source} ABSOLUTE)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
      file(STRINGS ${path} lines REGEX "^TEST(_F|_P)?\\(")
      foreach(line ${lines})
        if(line MATCHES "^TEST(_F|_P)?\\(([A-Za-z0-9_]+)")
          list(APPEND longFilter "${CMAKE_MATCH_2}.*" "*/${CMAKE_MATCH_2}.*")
        endif()
      endforeach()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES longFilter)
  string(REPLACE ";" ":" longFilter "${longFilter}")
  # Discovered once for the quick tests and once for the long ones; the list
  # properties are set by a file CTest reads after the discovered tests (a
  # list handed to gtest_discover_tests keeps its first item only).
  set(parts)
  if(T_LONG)
    list(APPEND parts "long|*")
  elseif(longFilter)
    list(APPEND parts "quick|-${longFilter}" "long|${longFilter}")
  else()
    list(APPEND parts "quick|*")
  endif()
  set(props ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  set(script "")
  foreach(part ${parts})
    string(REPLACE "|" ";" part "${part}")
    list(GET part 0 kind)
    list(GET part 1 filter)
    set(labels ${T_LABEL})
    if(kind STREQUAL "long")
      list(APPEND labels long)
    endif()
    gtest_discover_tests(${name} TEST_FILTER "${filter}" TEST_LIST ${name}_${kind}_TESTS
      PROPERTIES TIMEOUT ${T_TIMEOUT}
      DISCOVERY_TIMEOUT 120)
    string(APPEND script "if(${name}_${kind}_TESTS)\n"
      "  set_tests_properties(\${${name}_${kind}_TESTS} PROPERTIES LABELS \"${labels}\"\n"
      "    ENVIRONMENT \"SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;LANTERN_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data;"
      "LANTERN_SOURCE_DIR=${CMAKE_SOURCE_DIR}\")\n"
      "endif()\n")
  endforeach()
  file(WRITE ${props} "${script}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props})
endfunction()

# lantern_fuzz(<name> SOURCES ... DEPS ... CORPUS <dir> [MAX_LEN <bytes>])
# A libFuzzer target; CTest runs it for LANTERN_FUZZ_SECONDS over its seed corpus.
# MAX_LEN lets inputs grow past libFuzzer's default (the largest seed, at least 4 KB).
function(lantern_fuzz name)
  cmake_parse_arguments(F "" "CORPUS;MAX_LEN" "SOURCES;DEPS" ${ARGN})
  if(NOT LANTERN_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/isolatedhome.cpp)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_DEPS})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  set(lengthArgs)
  if(F_MAX_LEN)
    set(lengthArgs -max_len=${F_MAX_LEN})
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            $<TARGET_FILE:${name}> -max_total_time=${LANTERN_FUZZ_SECONDS} -rss_limit_mb=2048
            -timeout=10 ${lengthArgs} ${work} ${F_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300
    FIXTURES_REQUIRED ${name}_corpus)
  add_test(NAME ${name}_corpus COMMAND ${CMAKE_COMMAND} -E make_directory ${work})
  set_tests_properties(${name}_corpus PROPERTIES FIXTURES_SETUP ${name}_corpus LABELS fuzz)
endfunction()

# lantern_bench(<area> SOURCES ... DEPS ...): the program lantern_bench_<area>.
function(lantern_bench area)
  cmake_parse_arguments(B "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(lantern_bench_${area} ${B_SOURCES})
  target_link_libraries(lantern_bench_${area} PRIVATE ${B_DEPS} benchmark::benchmark Threads::Threads)
endfunction()
