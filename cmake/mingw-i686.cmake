# Cross-build for 32-bit Windows, the launcher's native form. Its programs run under Wine's 32-bit loader, which a
# 64-bit Linux machine starts through a user-mode emulator (see scripts/lib.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARVO_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
