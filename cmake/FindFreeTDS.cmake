# Finds the FreeTDS db-lib client (sybdb). FreeTDS ships no CMake or pkg-config file.
find_path(FreeTDS_INCLUDE_DIR NAMES sybdb.h PATH_SUFFIXES freetds)
find_library(FreeTDS_SYBDB_LIBRARY NAMES sybdb)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(FreeTDS REQUIRED_VARS FreeTDS_SYBDB_LIBRARY FreeTDS_INCLUDE_DIR)
if(FreeTDS_FOUND AND NOT TARGET FreeTDS::sybdb)
  add_library(FreeTDS::sybdb UNKNOWN IMPORTED)
  set_target_properties(FreeTDS::sybdb PROPERTIES
    IMPORTED_LOCATION "${FreeTDS_SYBDB_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${FreeTDS_INCLUDE_DIR}")
endif()
mark_as_advanced(FreeTDS_INCLUDE_DIR FreeTDS_SYBDB_LIBRARY)
