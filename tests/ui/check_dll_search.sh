#!/bin/bash
# check_dll_search.sh WINE LAUNCHER: the launcher restricts the search for DLLs loaded by name to System32 before any
# library is loaded by name. Wine shows no DLL planted beside a program in place of its own, so the call itself is
# shown: Wine's relay channel, narrowed to the calls that set the search and load by name, traces the launcher's
# first moments; SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) must come first. The launcher is ended (by
# its process id) once it has loaded a library by name: it is then showing its window.
set -u
wine=$1
launcher=$2
key='HKCU\Software\Wine\Debug'
trace=$(mktemp)
trap 'rm -f "$trace"; "$wine" reg delete "$key" /v RelayInclude /f >/dev/null 2>&1' EXIT
"$wine" reg add "$key" /v RelayInclude /d 'SetDefaultDllDirectories;SetDllDirectoryW;LoadLibraryA;LoadLibraryW;LoadLibraryExA;LoadLibraryExW' \
  /f >/dev/null 2>&1 || { echo "could not narrow Wine's relay channel in $WINEPREFIX"; exit 1; }

WINEDEBUG=+relay "$wine" "$launcher" 2>"$trace" </dev/null &
pid=$!
calls='Call KERNEL32\.(SetDefaultDllDirectories|SetDllDirectoryW|LoadLibrary[A-Za-z]*)\('
for _ in $(seq 1200); do
  grep -Eq 'Call KERNEL32\.LoadLibrary' "$trace" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null

first=$(grep -Eo "$calls[^)]*\)" "$trace" | head -n 1)
if [ "$first" != 'Call KERNEL32.SetDefaultDllDirectories(00000800)' ]; then
  echo "the first call that sets the DLL search or loads a library by name is not SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), it is: ${first:-none (the launcher did not start?)}"
  grep -E "$calls" "$trace" | head -n 5
  exit 1
fi
echo "restricted first: $first"
