# Helpers shared by every folder.
#
# docuvane_include_root(<target> <folder>)
#   Gives <target> the public include root of src/<folder> alone: a folder of the build tree
#   that holds one link, <folder> -> src/<folder>. Headers are included as
#   "<folder>/Header.h", and a target sees only the folders of the libraries it links, so an
#   include of a library that is not linked fails to compile.
function(docuvane_include_root target folder)
  set(root "${PROJECT_BINARY_DIR}/include/${folder}")
  if(NOT EXISTS "${root}/${folder}")
    file(MAKE_DIRECTORY "${root}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/src/${folder}" "${root}/${folder}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

# docuvane_library(<name> SOURCES ... [DEPS ...])
#   One static library per src/ folder, named docuvane_<name>, with its own include root
#   (above). DEPS lists every library whose headers it includes, lower layers only.
function(docuvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(docuvane_${name} STATIC ${ARG_SOURCES})
  docuvane_include_root(docuvane_${name} ${name})
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
