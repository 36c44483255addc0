# Helpers shared by every folder.
#
# docuvane_library(<name> SOURCES ... [DEPS ...])
#   One static library per src/ folder, named docuvane_<name>. Headers are included as
#   "<folder>/Header.h" from the src/ root.
function(docuvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(docuvane_${name} STATIC ${ARG_SOURCES})
  target_include_directories(docuvane_${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(docuvane_${name} PUBLIC ${ARG_DEPS})
endfunction()

# docuvane_test(<name> SOURCES ... DEPS ... [TIMEOUT s])
#   One GoogleTest binary per tests/ folder; every test case becomes a ctest entry that runs
#   with the offscreen Qt platform, so no display is needed.
function(docuvane_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;ENV" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(test_${name} ${ARG_SOURCES})
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} docuvane_testsupport)
  target_compile_options(test_${name} PRIVATE -include "${PROJECT_SOURCE_DIR}/tests/support/QtPrint.h")
  set(env "QT_QPA_PLATFORM=offscreen" "CUPS_SERVER=/nonexistent/cups.sock"
          "DOCUVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR}" ${ARG_ENV})
  # The environment goes through the emulator, which runs both the discovery and every test:
  # a list given as the ENVIRONMENT property would be split by gtest_discover_tests, and only
  # its first entry would reach the tests.
  set_target_properties(test_${name} PROPERTIES
    CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${env}")
  include(GoogleTest)
  gtest_discover_tests(test_${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()
