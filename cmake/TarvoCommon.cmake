# Compiler settings and helpers shared by every target of the launcher.

# Compiler options only: the resource compiler takes none of them.
if(MSVC)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:/W4> $<$<COMPILE_LANGUAGE:C,CXX>:/utf-8>)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
else()
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-Wall> $<$<COMPILE_LANGUAGE:C,CXX>:-Wextra>
                      $<$<COMPILE_LANGUAGE:C,CXX>:-Wshadow> $<$<COMPILE_LANGUAGE:C,CXX>:-Werror=return-type>)
endif()

if(WIN32)
  # UNICODE stays undefined on purpose: the launcher's texts are bytes of code page 936 (GBK) whatever the system's
  # code page, and every call that takes or returns text names its wide (W) form and converts explicitly.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(MINGW)
    # No MinGW runtime DLLs beside the executables: only system DLLs are imported.
    add_link_options(-static -static-libgcc -static-libstdc++)
  endif()
endif()

# Reproducible and hardened executables: the same commit gives the same bytes whatever the folder or the time of
# the build (no link time in the header, no build folder in the binaries), and every executable keeps address space
# randomisation and no-execute data (cmake/CheckSystemImports.cmake checks both after each link).
if(MINGW)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>
                      $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>)
  add_link_options(-Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
  endif()
elseif(MSVC)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:/Brepro>)
  add_link_options(/Brepro /DYNAMICBASE /NXCOMPAT)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(/HIGHENTROPYVA)
  endif()
  # The static C runtime, as with MinGW: VCRUNTIME140.dll and the api-ms-win-crt sets are no KnownDLLs, so a copy
  # planted beside the launcher would be loaded before WinMain. Every target takes it, GoogleTest's among them.
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()

# The tool that reads an executable's imports and headers for cmake/CheckSystemImports.cmake: MinGW's objdump; with
# Visual Studio dumpbin beside the linker, else llvm-objdump.
if(MINGW)
  set(TARVO_IMAGE_DUMP ${CMAKE_OBJDUMP})
elseif(MSVC)
  get_filename_component(linker_dir "${CMAKE_LINKER}" DIRECTORY)
  find_program(TARVO_IMAGE_DUMP NAMES dumpbin llvm-objdump HINTS ${linker_dir})
endif()
if(WIN32 AND NOT TARVO_IMAGE_DUMP)
  message(FATAL_ERROR "No objdump, dumpbin or llvm-objdump found: the executables' imports cannot be checked")
endif()

# tarvo_single_threaded(<target>...): the launcher has one thread, so its function-local statics need no locking;
# that also keeps the threading runtime out of the executable.
function(tarvo_single_threaded)
  if(NOT MSVC)
    foreach(target ${ARGN})
      target_compile_options(${target} PRIVATE -fno-threadsafe-statics)
    endforeach()
  endif()
endfunction()

# tarvo_optimise_for_size(<target>...): the window, skin and hand-off code runs a few times per start and waits on
# the system; compiled for size it keeps the launcher small. The catalogue reader and the picture fitting, the work
# that grows with the input, keep the release build's speed.
function(tarvo_optimise_for_size)
  if(NOT MSVC)
    foreach(target ${ARGN})
      target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Os>)
    endforeach()
  endif()
endfunction()

# tarvo_native_path(<var> <path>): the path as the built programs see it. Under Wine the Unix root is drive Z:.
function(tarvo_native_path var path)
  if(CMAKE_CROSSCOMPILING AND WIN32 AND NOT CMAKE_HOST_WIN32)
    set(${var} "Z:${path}" PARENT_SCOPE)
  else()
    set(${var} "${path}" PARENT_SCOPE)
  endif()
endfunction()

# tarvo_check_system_imports(<target>): after each link of a Windows executable, fail the build when it needs a DLL
# that is not part of Windows itself or lost its hardening.
function(tarvo_check_system_imports target)
  if(WIN32)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${TARVO_IMAGE_DUMP} -DFILE=$<TARGET_FILE:${target}>
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckSystemImports.cmake
      VERBATIM)
  endif()
endfunction()
