# cmake -DSOURCE_DIR=<tree> -DOUTPUT=<header> -DVERSION=<x.y.z> -DBUILD=<description> -P TarvoVersion.cmake
# Writes the version header the version resource includes: the project version and a build description naming the
# compiler, plus the commit when the tree is a git checkout of its own. Run at every build, but the header is only
# rewritten when its text changes, and nothing in it depends on the time or the folder, so two builds of the same
# commit give the same executable. A tree without git (an unpacked source archive) builds without the commit.
string(REPLACE "." ";" parts "${VERSION}")
list(APPEND parts 0 0 0 0)
list(SUBLIST parts 0 4 parts)
string(REPLACE ";" "," TARVO_VERSION_NUMBERS "${parts}")
set(TARVO_VERSION_TEXT "${VERSION}")

set(TARVO_BUILD_TEXT "${BUILD}")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
                  OUTPUT_VARIABLE top RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  # Only this tree's own repository counts: a source archive unpacked inside another checkout has no commit.
  if(rc EQUAL 0)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
  endif()
  if(rc EQUAL 0 AND top STREQUAL source)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse HEAD
                    OUTPUT_VARIABLE commit RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(rc EQUAL 0 AND commit)
      execute_process(COMMAND ${GIT} --no-optional-locks -C ${SOURCE_DIR} status --porcelain --untracked-files=no
                      OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      string(APPEND TARVO_BUILD_TEXT "; commit ${commit}")
      if(changes)
        string(APPEND TARVO_BUILD_TEXT " with local changes")
      endif()
    endif()
  endif()
endif()

file(CONFIGURE OUTPUT "${OUTPUT}" @ONLY CONTENT [[
// Generated at build time from the project version; do not edit.
#ifndef TARVO_VERSION_H
#define TARVO_VERSION_H
#define TARVO_VERSION_NUMBERS @TARVO_VERSION_NUMBERS@
#define TARVO_VERSION_TEXT "@TARVO_VERSION_TEXT@"
#define TARVO_BUILD_TEXT "@TARVO_BUILD_TEXT@"
#endif
]])
