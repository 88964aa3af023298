# Shared part of the MinGW-w64 toolchain files. The -posix compilers are required: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${TARVO_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVO_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVO_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TARVO_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Wine's 64-bit loader directly when it is there: with Wine's 32-bit half installed, the `wine` wrapper would hand
# the programs to the 32-bit loader.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(TARVO_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
endif()
find_program(TARVO_WINE wine)
if(TARVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVO_WINE})
endif()
