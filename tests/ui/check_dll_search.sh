#!/bin/bash
# check_dll_search.sh WINE LAUNCHER: the launcher restricts the search for DLLs loaded by name to System32 before it
# loads any library by name itself. Wine shows no DLL planted beside a program in place of its own, so the call itself
# is shown: Wine's relay channel, narrowed to the calls that set the search and load by name, traces the launcher's
# first moments, with each line's process and the address the call returns to. Of the calls made by the launcher's
# own code (its process, return addresses inside its image), SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
# must come first; what Wine's own libraries load meanwhile, in the launcher or in Wine's background programs, does
# not count. The launcher is ended (by its process id) once its own code has made one of those calls.
set -u
wine=$1
launcher=$2
key='HKCU\Software\Wine\Debug'
trace=$(mktemp)
trap 'rm -f "$trace"; "$wine" reg delete "$key" /v RelayInclude /f >/dev/null 2>&1' EXIT
"$wine" reg add "$key" /v RelayInclude /d 'SetDefaultDllDirectories;SetDllDirectoryW;LoadLibraryA;LoadLibraryW;LoadLibraryExA;LoadLibraryExW' \
  /f >/dev/null 2>&1 || { echo "could not narrow Wine's relay channel in $WINEPREFIX"; exit 1; }

WINEDEBUG=+pid,+relay,+loaddll "$wine" "$launcher" 2>"$trace" </dev/null &
pid=$!
# own_calls: the launcher's own calls so far, one a line ("Call KERNEL32.Name(arguments)"). Its process is the one
# Wine's trace shows loading it; its image lies where that line says, as large as its PE header says.
own_calls() {
  python3 - "$trace" "$launcher" <<'PY'
import re, struct, sys
trace, launcher = sys.argv[1], sys.argv[2]
data = open(launcher, "rb").read(4096)
size = struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 24 + 56)[0]
name = launcher.replace("/", "\\").rsplit("\\", 1)[-1]
loaded = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:build_module Loaded L".*\\' + re.escape(name) +
                    r'" at ([0-9A-Fa-f]+)')
call = re.compile(r"^([0-9a-f]+):[0-9a-f]+:(Call KERNEL32\.(?:SetDefaultDllDirectories|SetDllDirectoryW|LoadLibrary\w*)"
                  r"\(.*\)) ret=([0-9a-fA-F]+)$")
process = base = None
for line in open(trace, errors="replace"):
    line = line.rstrip("\n")
    if process is None:
        found = loaded.match(line)
        if found:
            process, base = found.group(1), int(found.group(2), 16)
        continue
    made = call.match(line)
    if made and made.group(1) == process and base <= int(made.group(3), 16) < base + size:
        print(made.group(2))
PY
}
deadline=$((SECONDS + 60))
while [ $SECONDS -lt $deadline ]; do
  [ -n "$(own_calls)" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null

first=$(own_calls 2>/dev/null | head -n 1)
if [ "$first" != 'Call KERNEL32.SetDefaultDllDirectories(00000800)' ]; then
  [ -n "$first" ] || first="none within a minute ($(grep -q -F "${launcher##*/}\" at " "$trace" &&
    echo "the launcher was loaded" || echo "Wine's trace shows no load of ${launcher##*/}"))"
  echo "the launcher's own first call that sets the DLL search or loads a library by name is not SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), it is: $first"
  own_calls 2>/dev/null | head -n 5
  exit 1
fi
echo "restricted first: $first"
