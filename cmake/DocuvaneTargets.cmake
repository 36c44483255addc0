# Helpers shared by every folder.
#
# docuvane_include_root(<target> <folder>)
#   Gives <target> the public include root of src/<folder> alone: a folder of the build tree
#   that holds one link, <folder> -> src/<folder>. Headers are included as
#   "<folder>/Header.h", and a target sees only the folders of the libraries it links, so an
#   include of a library that is not linked fails to compile.
#   A folder may be nested ("imaging/pixels"): its headers are included as
#   "imaging/pixels/Header.h", and its root shows that folder alone.
function(docuvane_include_root target folder)
  set(root "${PROJECT_BINARY_DIR}/include/${folder}")
  if(NOT EXISTS "${root}/${folder}")
    get_filename_component(parent "${root}/${folder}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/src/${folder}" "${root}/${folder}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

# docuvane_library(<name> [FOLDER <folder>] SOURCES ... [DEPS ...])
#   One static library per src/ folder, named docuvane_<name>, with its own include root
#   (above). DEPS lists every library whose headers it includes, lower layers only. FOLDER
#   names a nested folder (the engine's libraries: imaging_pixels is src/imaging/pixels).
function(docuvane_library name)
  cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_FOLDER)
    set(ARG_FOLDER ${name})
  endif()
  add_library(docuvane_${name} STATIC ${ARG_SOURCES})
  docuvane_include_root(docuvane_${name} ${ARG_FOLDER})
  target_link_libraries(docuvane_${name} PUBLIC ${ARG_DEPS})
endfunction()

# docuvane_test(<name> SOURCES ... DEPS ... [TIMEOUT s] [NO_WIDGETS])
#   One GoogleTest binary per tests/ folder; every test case becomes a ctest entry that runs
#   with the offscreen Qt platform, so no display is needed. NO_WIDGETS: started by a
#   QGuiApplication and linked without QtWidgets (the engine's lower libraries).
function(docuvane_test name)
  cmake_parse_arguments(ARG "NO_WIDGETS" "TIMEOUT" "SOURCES;DEPS;ENV" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(test_${name} ${ARG_SOURCES})
  if(ARG_NO_WIDGETS)
    target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} docuvane_testsupport_gui)
  else()
    target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} docuvane_testsupport)
  endif()
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
