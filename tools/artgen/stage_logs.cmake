# Creates the empty macro files that are missing from LOG_DIR. Files that
# exist are left alone, so a rebuild keeps the macros a developer stored.
# NAMES is a comma-separated list.
string(REPLACE "," ";" names "${NAMES}")
file(MAKE_DIRECTORY "${LOG_DIR}")
foreach(name IN LISTS names)
  if(NOT EXISTS "${LOG_DIR}/${name}")
    file(WRITE "${LOG_DIR}/${name}" "")
  endif()
endforeach()
