# cmake -DOBJDUMP=<objdump, llvm-objdump or dumpbin> -DFILE=<exe> -P CheckSystemImports.cmake
# Fails when the executable imports a DLL that is not part of Windows itself (a MinGW or Visual C++ runtime DLL, say),
# or the common controls library, which is loaded from System32 when the first tooltip is due and never imported (an
# import is resolved through the DLL search before the program starts, and loading it would cost every start), or
# when it lost its hardening: address space randomisation (DYNAMIC_BASE, with the relocations it needs), no-execute
# data (NX_COMPAT) and, for 64-bit executables, high-entropy randomisation (HIGH_ENTROPY_VA).
get_filename_component(tool "${OBJDUMP}" NAME_WE)
string(TOLOWER "${tool}" tool)
if(tool STREQUAL "dumpbin")
  set(command ${OBJDUMP} /nologo /headers /imports ${FILE})
else()
  set(command ${OBJDUMP} -p ${FILE})
endif()
execute_process(COMMAND ${command} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${tool} could not read ${FILE}")
endif()

if(tool STREQUAL "dumpbin")
  # dumpbin lists each imported DLL alone on a line indented by four blanks, the functions below it further in
  # (delay-loaded DLLs too: they are found through the same search), and writes each header value in hex before
  # its name: "8160 DLL characteristics", "20B magic # (PE32+)". Every newline is doubled so that each line can be
  # matched together with the newlines around it.
  string(REPLACE "\n" "\n\n" lines_apart "${dump}")
  string(REGEX MATCHALL "\n    [^ \t\r\n]+\\.[dD][lL][lL]\r?\n" lines "${lines_apart}")
  list(TRANSFORM lines STRIP)
  set(characteristics "([0-9a-fA-F]+) DLL characteristics")
  set(pe32plus "20[bB] magic #")
else()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
  list(TRANSFORM lines REPLACE "^DLL Name: " "")
  set(characteristics "DllCharacteristics[ \t]+([0-9a-fA-F]+)")
  set(pe32plus "Magic[ \t]+020b")
endif()

# KnownDLLs alone: Windows loads them from System32 whatever lies beside the program.
set(allowed "^(kernel32|user32|gdi32|advapi32|msvcrt|shell32|ole32|oleaut32|comdlg32|ws2_32)\\.dll$")
foreach(name ${lines})
  string(TOLOWER "${name}" lower)
  if(lower STREQUAL "comctl32.dll")
    message(FATAL_ERROR "${FILE} imports ${name}: load it with win::LoadSystemLibrary where it is first needed")
  endif()
  if(NOT lower MATCHES "${allowed}")
    message(FATAL_ERROR "${FILE} imports ${name}, which is not a system DLL")
  endif()
endforeach()
if(NOT lines)
  message(FATAL_ERROR "${FILE}: no imports found")
endif()

if(NOT dump MATCHES "${characteristics}")
  message(FATAL_ERROR "${FILE}: no DllCharacteristics in the optional header")
endif()
math(EXPR flags "0x${CMAKE_MATCH_1}")
set(required DYNAMIC_BASE 0x40 NX_COMPAT 0x100)
if(dump MATCHES "${pe32plus}")
  list(APPEND required HIGH_ENTROPY_VA 0x20)
endif()
set(missing)
while(required)
  list(POP_FRONT required name bit)
  math(EXPR set "${flags} & ${bit}")
  if(set EQUAL 0)
    list(APPEND missing ${name})
  endif()
endwhile()
if(missing)
  list(JOIN missing ", " missing)
  message(FATAL_ERROR "${FILE} is not marked ${missing}")
endif()
if(dump MATCHES "[Rr]elocations stripped")
  message(FATAL_ERROR "${FILE} has no relocations: DYNAMIC_BASE cannot move it")
endif()
