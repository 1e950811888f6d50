# Writes the version header of the information box: run as a script at every build so the
# commit and the build date stay current; the header is only touched when they change.
# In: INPUT, OUTPUT, SOURCE_DIR, VADRIX_VERSION (major.minor.patch[.tweak]).
string(REPLACE "." ";" parts "${VADRIX_VERSION}.0.0.0")
list(GET parts 0 VADRIX_VERSION_MAJOR)
list(GET parts 1 VADRIX_VERSION_MINOR)
list(GET parts 2 VADRIX_VERSION_PATCH)
list(GET parts 3 VADRIX_VERSION_TWEAK)
execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
                OUTPUT_VARIABLE VADRIX_GIT_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT VADRIX_GIT_COMMIT MATCHES "^[0-9a-f]+$")
  set(VADRIX_GIT_COMMIT "unknown")
endif()
# Honours SOURCE_DATE_EPOCH for reproducible builds.
string(TIMESTAMP VADRIX_BUILD_DATE "%Y-%m-%d" UTC)
configure_file("${INPUT}" "${OUTPUT}.new" @ONLY)
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
