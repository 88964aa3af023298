#!/bin/sh
# compare_tables.sh HOST_TABLE KNOWN_DIFFERENCES WINDOWS_COMMAND...: the host's conversion table and the Windows one
# (under Wine) must differ exactly in the known lines: characters without a GBK form that Windows maps to a similar
# one ("best fit", e.g. U+00B2 to "2"), where glibc gives '?'. Any other difference is printed and fails.
set -e
host=$1
known=$2
shift 2
"$host" >host-table.txt
"$@" | tr -d '\r' >windows-table.txt
[ "$(wc -l <host-table.txt)" -eq "$(wc -l <windows-table.txt)" ]
diff host-table.txt windows-table.txt | sed -n 's/^> //p' >differences.txt || true
diff -u "$known" differences.txt
