# The 32-bit part: Wine's 32-bit half run through a user-mode emulator. Part of scripts/lib.sh; source that.

# 32-bit programs. The launcher players run is a 32-bit program. A 64-bit Linux kernel here refuses 32-bit
# executables, so Wine's 32-bit loader runs through a user-mode emulator registered with binfmt_misc as the entry
# qemu-i386. The entry is machine-wide: while it is enabled, any Wine prefix created on the machine boots its 32-bit
# half under the emulator (minutes instead of seconds). So it stays disabled except around the 32-bit runs, prefixes
# are created with it disabled, and the scripts leave it disabled however they end.
TARVO_BINFMT=/proc/sys/fs/binfmt_misc
TARVO_I386_ENTRY=$TARVO_BINFMT/qemu-i386
TARVO_I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
TARVO_I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
TARVO_WINE32_DLLS=/usr/lib/i386-linux-gnu/wine/i386-windows
TARVO_PACKAGES_32BIT=(wine32:i386 qemu-user-static)
# Held exclusively by a run while its entry is enabled, shared by prefix creations: runs of several checkouts on one
# machine neither disable each other's window nor boot a prefix inside one.
TARVO_EMULATION_LOCK=/tmp/tarvo-qemu-i386.lock
TARVO_EMULATION_READY=      # set once tarvo_emulation_prepare has registered the entry
TARVO_EMULATION_SKIPPED=    # why this machine cannot run 32-bit programs, when it cannot
# What kind of cause that is: "package-source" (the packages could not be installed), "emulation" (this machine
# cannot emulate: another architecture, no binfmt_misc, the kernel refuses the entry, the emulator does not start
# Wine's loader), "root" (no root and no sudo without a password), or "said" (the user set TARVO_32BIT_CANNOT_RUN).
TARVO_EMULATION_SKIP_KIND=

tarvo_can_be_root() { [ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null; }

# tarvo_emulation_cannot KIND WHY: notes why the 32-bit part cannot run; returns 1.
tarvo_emulation_cannot() {
  TARVO_EMULATION_SKIP_KIND=$1
  TARVO_EMULATION_SKIPPED=$2
  return 1
}

# Installs Wine's 32-bit half and the emulator, mounts binfmt_misc and registers the entry (flag F: usable from any
# mount namespace), leaving it disabled, and checks once that the emulator starts Wine's 32-bit loader: call it
# before creating any prefix. Returns 1 with TARVO_EMULATION_SKIPPED and TARVO_EMULATION_SKIP_KIND set when the
# 32-bit part cannot run; TARVO_32BIT_CANNOT_RUN (the user's reason) says so without trying.
tarvo_emulation_prepare() {
  TARVO_EMULATION_SKIPPED= TARVO_EMULATION_SKIP_KIND=
  [ -z "${TARVO_32BIT_CANNOT_RUN:-}" ] || tarvo_emulation_cannot said "$TARVO_32BIT_CANNOT_RUN" || return 1
  [ "$(uname -m)" = x86_64 ] || tarvo_emulation_cannot emulation "this is an $(uname -m) machine, not x86_64" || return 1
  tarvo_can_be_root ||
    tarvo_emulation_cannot root "registering the emulator needs root (or sudo without a password)" || return 1
  local missing
  dpkg --print-foreign-architectures | grep -qx i386 || tarvo_as_root dpkg --add-architecture i386 || true
  mapfile -t missing < <(tarvo_missing_packages "${TARVO_PACKAGES_32BIT[@]}")
  if [ ${#missing[@]} -gt 0 ] && ! tarvo_apt_install "${missing[@]}"; then
    tarvo_log "$TARVO_APT_FAILURE"
    tarvo_emulation_cannot package-source "$TARVO_APT_REASON" || return 1
  fi
  [ -d "$TARVO_WINE32_DLLS" ] ||
    tarvo_emulation_cannot package-source "Wine's 32-bit DLLs are not in $TARVO_WINE32_DLLS (package wine32:i386)" ||
    return 1
  if [ ! -e "$TARVO_BINFMT/register" ]; then
    tarvo_as_root mount -t binfmt_misc binfmt_misc "$TARVO_BINFMT" 2>/dev/null || true
  fi
  [ -e "$TARVO_BINFMT/register" ] || tarvo_emulation_cannot emulation "binfmt_misc cannot be mounted here" || return 1
  if [ ! -e "$TARVO_I386_ENTRY" ]; then
    printf ':qemu-i386:M::%s:%s:/usr/bin/qemu-i386-static:F' "$TARVO_I386_MAGIC" "$TARVO_I386_MASK" |
      tarvo_as_root tee "$TARVO_BINFMT/register" >/dev/null 2>&1 || true
  fi
  [ -e "$TARVO_I386_ENTRY" ] ||
    tarvo_emulation_cannot emulation "the kernel refused the emulator's binfmt_misc entry" || return 1
  TARVO_EMULATION_READY=1
  tarvo_emulation_off
  # The loader is tried now, so that a machine that cannot emulate says so before the builds, unless another run
  # holds the entry for longer than a few seconds (then the 32-bit part tries it when its turn comes).
  local lock
  exec {lock}>>"$TARVO_EMULATION_LOCK"
  if flock -x -w 10 "$lock"; then
    tarvo_emulation_set 1
    /usr/lib/wine/wine --version >/dev/null 2>&1 </dev/null ||
      TARVO_EMULATION_SKIPPED="the emulator does not start Wine's 32-bit loader (/usr/lib/wine/wine --version failed)"
    tarvo_emulation_set 0
  fi
  exec {lock}>&-
  [ -z "$TARVO_EMULATION_SKIPPED" ] || tarvo_emulation_cannot emulation "$TARVO_EMULATION_SKIPPED"
}

# What to do when the 32-bit part cannot run, as said when the test command stops for it.
tarvo_emulation_advice() {
  case $TARVO_EMULATION_SKIP_KIND in
  package-source) tarvo_apt_rerun_hint "${TARVO_PACKAGES_32BIT[@]}" ;;
  root) echo "run the command as root or as a user with sudo without a password" ;;
  *) echo "mend what is named above (docs/32-bit.md says what the part needs), then run the command again" ;;
  esac
  echo "on a machine that cannot run the 32-bit part, say so: TARVO_32BIT_CANNOT_RUN='<why>' scripts/test runs the rest and its summary shows the 32-bit part as not run, with that reason"
}

# Runs a program while no run on the machine has the entry enabled.
tarvo_outside_emulation() {
  if [ -e "$TARVO_EMULATION_LOCK" ] && command -v flock >/dev/null; then
    flock -s -o "$TARVO_EMULATION_LOCK" "$@"
  else
    "$@"
  fi
}

tarvo_emulation_set() {
  [ -n "$TARVO_EMULATION_READY" ] && [ -e "$TARVO_I386_ENTRY" ] || return 0
  echo "$1" | tarvo_as_root tee "$TARVO_I386_ENTRY" >/dev/null
}

# Enables the entry and checks that a 32-bit program now starts (Wine's 32-bit loader prints its version).
tarvo_emulation_on() {
  tarvo_emulation_set 1
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    tarvo_emulation_set 0
    TARVO_EMULATION_SKIPPED="the emulator does not start Wine's 32-bit loader"
    return 1
  fi
}

# Disables the entry unless another run holds it enabled. Safe to call at any time: the scripts call it when they
# end, however they end.
tarvo_emulation_off() {
  [ -n "$TARVO_EMULATION_READY" ] || return 0
  { flock -xn 9 && tarvo_emulation_set 0; } 9>>"$TARVO_EMULATION_LOCK" || true
}

# A prefix created natively lacks what its 32-bit half would have installed: without the 32-bit system files in
# syswow64, a 32-bit program ends at once ("could not load kernel32.dll"). Wine's 32-bit DLLs and programs and the
# national-language files are linked in instead of running that half under the emulator (minutes).
tarvo_prefix_32bit_files() {
  local wow=$WINEPREFIX/drive_c/windows/syswow64
  mkdir -p "$wow"
  ln -sf "$TARVO_WINE32_DLLS"/* /usr/share/wine/nls/*.nls "$wow"/
}

# The 32-bit part of the tests, reported as the part "32-bit": a fresh prefix of its own (created natively), then the
# mingw-x86 build's ctest with the emulator enabled only around it. Extra arguments go to ctest. Returns 0 when it
# passed (or no test matches, or the user said it cannot run here), 1 when it failed, and 3 when it could not run
# (TARVO_EMULATION_SKIPPED and TARVO_EMULATION_SKIP_KIND say why).
tarvo_test_32bit() {
  local part=32-bit
  if (cd "$TARVO_BUILD/mingw-x86" && ctest -N "$@" | grep -qx 'Total Tests: 0'); then
    tarvo_part_report $part 0 0 0 "not run: no test matches the arguments"
    return 0
  fi
  if [ -z "$TARVO_EMULATION_READY" ] && { [ -n "$TARVO_EMULATION_SKIPPED" ] || ! tarvo_emulation_prepare; }; then
    tarvo_test_32bit_not_run
    return
  fi
  local status=0
  tarvo_part $part tarvo_test_32bit_run "$@" || status=$?
  # Each entry says how many of its cases ran (an entry that runs none fails); ctest keeps that in its log only.
  grep -h 'case(s) ran' "$TARVO_BUILD/mingw-x86/Testing/Temporary/LastTest.log" 2>/dev/null | sed 's/^/== /' >&2 || true
  tarvo_emulation_off
  if [ $status -eq 3 ]; then
    TARVO_EMULATION_SKIP_KIND=emulation
    TARVO_EMULATION_SKIPPED=$(cat "$TARVO_SUMMARY.logs/32-bit.reason" 2>/dev/null || echo "the emulator did not start")
    tarvo_test_32bit_not_run
    return
  fi
  return $((status == 0 ? 0 : 1))
}

# Reports the 32-bit part as not run; returns 0 when the user said it cannot run here, else 3.
tarvo_test_32bit_not_run() {
  tarvo_part_report 32-bit 0 0 0 "not run: $TARVO_EMULATION_SKIPPED$([ "$TARVO_EMULATION_SKIP_KIND" != said ] ||
    echo ' (TARVO_32BIT_CANNOT_RUN)')"
  [ "$TARVO_EMULATION_SKIP_KIND" = said ] && return 0
  tarvo_log "FAILED: the 32-bit part did not run: $TARVO_EMULATION_SKIPPED"
  return 3
}

tarvo_test_32bit_run() (
  export WINEPREFIX=$TARVO_BUILD/wineprefix-i686
  tarvo_fresh_prefix
  tarvo_prefix_32bit_files
  wineserver -p
  tarvo_wine cmd /c exit >/dev/null 2>&1 </dev/null
  trap 'tarvo_emulation_set 0; wineserver -k 2>/dev/null || true' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  exec {lock}>>"$TARVO_EMULATION_LOCK"
  flock -x "$lock" # waits for other runs' windows and prefix creations
  if ! tarvo_emulation_on; then
    echo "$TARVO_EMULATION_SKIPPED" >"$TARVO_SUMMARY.logs/32-bit.reason"
    exit 3
  fi
  tarvo_log "tests under Wine (i686, through the emulator)"
  # Two at a time: each 32-bit program spends its first minute or so in the emulator loading Wine.
  cd "$TARVO_BUILD/mingw-x86" && ctest --output-on-failure -j2 "$@" {lock}>&-
)
