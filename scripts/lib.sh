# Shared by scripts/test, scripts/demo and scripts/bench: installs what is missing, builds, and prepares the Wine
# prefix and the display. Source it; do not run it.

TARVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARVO_BUILD=${TARVO_BUILD:-$TARVO_ROOT/build}

tarvo_log() { printf '== %s\n' "$*" >&2; }

# tarvo_die WHAT [WHAT TO DO]: says what failed and what to do about it, then ends the script.
tarvo_die() {
  printf '== FAILED: %s\n' "$1" >&2
  [ -z "${2:-}" ] || printf '== what to do: %s\n' "$2" >&2
  exit 1
}

# tarvo_loud_errors: a command that fails under `set -e` names itself, its line and its status before the script
# ends, so no script of ours ends without a word.
tarvo_loud_errors() {
  set -E
  trap 'tarvo_report_error $? "$BASH_COMMAND" "${BASH_SOURCE[0]}" $LINENO' ERR
}
tarvo_report_error() {
  printf '== FAILED (status %s) at %s line %s: %s\n' "$1" "${3##*/}" "$4" "$2" >&2
  printf '== what to do: run the command above by hand to see its output; if it is a Wine step, delete the build\n' >&2
  printf '   folder'"'"'s Wine prefixes (build/wineprefix, build/demo/wineprefix, build/bench-wineprefix) and run again.\n' >&2
}

tarvo_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian packages the build and the Wine test rig need; only the missing ones are installed, without the packages
# they merely recommend (a Pascal compiler came in that way). What Wine only recommends and the launcher does use is
# named here: fonts-liberation (Wine draws the dialog font, which it lacks, with Liberation Sans, else with another
# face of other metrics), fontconfig, and the X libraries its display driver loads at run time (text rendering,
# cursors, display modes, monitors, input). llvm-14 brings llvm-symbolizer, which puts source lines into a sanitizer's
# report; ca-certificates lets signing reach a time stamp server.
TARVO_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686 wine wine64 fonts-wine xvfb xdotool xauth x11-utils locales fonts-wqy-microhei googletest clang
  libclang-rt-14-dev clang-format-14 python3-pil imagemagick osslsigncode openssl ca-certificates fonts-liberation
  fontconfig libxrender1 libxcursor1 libxrandr2 libxinerama1 libxi6 libxfixes3 libxcomposite1 llvm-14)

# The Unix locales the tests run Wine under; each gives Wine's programs another system code page (936, 1252, 932).
TARVO_LOCALES=(zh_CN.UTF-8 en_US.UTF-8 ja_JP.UTF-8)

tarvo_install_packages() {
  local missing=() p
  for p in "${TARVO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    tarvo_log "installing ${missing[*]}"
    tarvo_as_root apt-get update -q ||
      tarvo_die "apt-get update failed" "check the network and the package sources, then run again"
    tarvo_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" ||
      tarvo_die "could not install ${missing[*]}" "read apt's messages above; install them by hand and run again"
  fi
  local wanted=() l
  for l in "${TARVO_LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qi "^${l%%.*}\.utf-\?8$" || wanted+=("$l")
  done
  if [ ${#wanted[@]} -gt 0 ]; then
    tarvo_log "generating the locales ${wanted[*]}"
    for l in "${wanted[@]}"; do
      tarvo_as_root sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
      grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | tarvo_as_root tee -a /etc/locale.gen >/dev/null
    done
    tarvo_as_root locale-gen >/dev/null
  fi
}

# tarvo_build PRESET...: configure (once) and build each preset into $TARVO_BUILD/<preset>.
tarvo_build() {
  local preset
  for preset in "$@"; do
    tarvo_log "building $preset"
    if [ ! -f "$TARVO_BUILD/$preset/CMakeCache.txt" ]; then
      cmake --preset "$preset" -S "$TARVO_ROOT" -B "$TARVO_BUILD/$preset" >/dev/null ||
        tarvo_die "configuring the preset $preset failed" "read CMake's messages above; delete $TARVO_BUILD/$preset and run again"
    fi
    cmake --build "$TARVO_BUILD/$preset" --parallel "$(nproc)" ||
      tarvo_die "building the preset $preset failed" "read the compiler's messages above"
  done
}

# Wine's 64-bit loader, called directly. Once Wine's 32-bit half is installed, the `wine` wrapper hands programs and
# tools to the 32-bit loader, which this machine runs only under emulation; 64-bit work must not depend on that.
TARVO_WINE64=/usr/lib/wine/wine64
[ -x "$TARVO_WINE64" ] || TARVO_WINE64=$(command -v wine64 || command -v wine || echo wine)
tarvo_wine() { "$TARVO_WINE64" "$@"; }

# The environment every Wine run of ours uses: quiet Wine, no add-on downloads, and the Unix locale TARVO_LOCALE
# (zh_CN.UTF-8 unless set), from which Wine takes the system code page (936 for zh_CN).
tarvo_wine_env() {
  export WINEPREFIX=${WINEPREFIX:-$TARVO_BUILD/wineprefix}
  export WINELOADER=$TARVO_WINE64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES='mscoree=;mshtml='
  export LC_ALL=${TARVO_LOCALE:-zh_CN.UTF-8}
}

# Windows links a CJK font to its interface fonts, so Chinese text shows on a system of any language; a Wine prefix
# of a non-Chinese locale has no such link to the CJK font installed on Linux and draws boxes. Adds the links.
tarvo_link_cjk_font() {
  local face
  for face in Tahoma "Microsoft Sans Serif" "MS Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" System "Segoe UI"; do
    tarvo_wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
}

# The display scale of a setting: TARVO_DPI (96 when unset) is written into each fresh prefix as the desktop's
# LogPixels, which every Wine process reads when it starts; the private Xvfb grows with it.
tarvo_dpi() { echo "${TARVO_DPI:-96}"; }

# Wine's own fonts. This Wine loads fonts from the prefix's Windows\Fonts folder and through fontconfig, never from
# its data folder, so a new prefix has no Marlett: the caption buttons, which Wine draws as Marlett glyphs, then show
# as the letters "0 1 r". The prefix set-up copies Marlett in.
tarvo_wine_fonts_dir() {
  local dir
  for dir in "$(dirname "$TARVO_WINE64")/../../share/wine/fonts" /usr/share/wine/fonts; do
    if [ -f "$dir/marlett.ttf" ]; then
      (cd "$dir" && pwd)
      return
    fi
  done
}

tarvo_install_prefix_fonts() {
  local fonts
  fonts=$(tarvo_wine_fonts_dir)
  if [ -z "$fonts" ]; then
    tarvo_log "warning: Wine's marlett.ttf not found (package fonts-wine): caption buttons will show as letters"
    return
  fi
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp "$fonts/marlett.ttf" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
}

# Keyboard cues hidden until the keyboard is used, as a new Windows account has them (Wine's default prefix shows
# them always): Wine's preference mask with bit 0x20 of its first byte cleared.
tarvo_keyboard_cues_mask='10,00,02,80,12,00,00,00'
tarvo_keyboard_cues_off() {
  tarvo_wine reg add 'HKCU\Control Panel\Desktop' /v UserPreferencesMask /t REG_BINARY \
    /d "${tarvo_keyboard_cues_mask//,/}" /f >/dev/null 2>&1 ||
    tarvo_die "could not turn the keyboard cues setting off in $WINEPREFIX" \
      "run WINEPREFIX=$WINEPREFIX $TARVO_WINE64 reg add 'HKCU\\Control Panel\\Desktop' /v UserPreferencesMask /t REG_BINARY /d ${tarvo_keyboard_cues_mask//,/} to see Wine's messages"
}

# The prefix answers the 64-bit loader: it is a 64-bit prefix and its registry can be read.
tarvo_prefix_works() {
  [ -f "$WINEPREFIX/system.reg" ] && grep -q '^#arch=win64' "$WINEPREFIX/system.reg" &&
    [ -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] &&
    grep -q "^\"UserPreferencesMask\"=hex:$tarvo_keyboard_cues_mask\$" "$WINEPREFIX/user.reg" &&
    tarvo_wine reg query 'HKCU\Software\Wine\X11 Driver' /v Managed >/dev/null 2>&1
}

# A fresh Wine prefix at $WINEPREFIX, with the window stalls of an unmanaged X server removed and Wine's caption
# button font in place. Every step is checked; a failure says what to do.
tarvo_fresh_prefix() {
  tarvo_wine_env
  tarvo_log "creating a fresh Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX" || tarvo_die "could not remove the old prefix $WINEPREFIX" "remove it by hand and run again"
  local status=0
  tarvo_outside_emulation "$TARVO_WINE64" wineboot -i >/dev/null 2>&1 || status=$?
  # The registry files are written when the prefix's server ends.
  wineserver -w
  if [ $status -ne 0 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    tarvo_die "wineboot could not create the prefix $WINEPREFIX (status $status)" \
      "run '$TARVO_WINE64 wineboot -i' with WINEPREFIX=$WINEPREFIX to see Wine's messages; if a 32-bit emulator entry (qemu-i386) is enabled just now, wait for it to be disabled and run again"
  fi
  tarvo_install_prefix_fonts
  tarvo_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    tarvo_die "could not write the registry of the new prefix $WINEPREFIX" \
      "run WINEPREFIX=$WINEPREFIX $TARVO_WINE64 reg query HKCU\\Software to see Wine's messages"
  # A program that crashes ends at once with Wine's backtrace on its error output; by default the crash debugger
  # holds it behind a dialog nobody answers, until the test's own timeout (15 minutes).
  tarvo_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 ||
    tarvo_die "could not turn the crash dialog off in $WINEPREFIX" \
      "run WINEPREFIX=$WINEPREFIX $TARVO_WINE64 reg add 'HKCU\\Software\\Wine\\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 to see Wine's messages"
  tarvo_keyboard_cues_off
  if [ "$(tarvo_dpi)" != 96 ]; then
    tarvo_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$(tarvo_dpi)" /f >/dev/null 2>&1 ||
      tarvo_die "could not set LogPixels in $WINEPREFIX" "run WINEPREFIX=$WINEPREFIX $TARVO_WINE64 reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d $(tarvo_dpi) to see Wine's messages"
  fi
  [[ $LC_ALL == zh_CN* ]] || tarvo_link_cjk_font
  wineserver -w
}

# tarvo_prefix: the saved prefix at $WINEPREFIX when it still works, otherwise a fresh one. A prefix saved before a
# change to the machine's Wine (its 32-bit half installed, say) can stop working; it is made afresh, not trusted.
tarvo_prefix() {
  tarvo_wine_env
  if [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    tarvo_install_prefix_fonts
  fi
  if tarvo_prefix_works; then
    tarvo_log "using the saved Wine prefix in $WINEPREFIX"
    return
  fi
  [ ! -e "$WINEPREFIX" ] || tarvo_log "the saved Wine prefix in $WINEPREFIX does not work: making it afresh"
  tarvo_fresh_prefix
}

# tarvo_wine_reg_add ARGS...: `reg add` in the prefix. When it fails, the prefix is made afresh and the step tried
# once more; a second failure ends the script with what to do.
tarvo_wine_reg_add() {
  tarvo_wine reg add "$@" /f >/dev/null 2>&1 && return
  tarvo_log "reg add $1 failed in $WINEPREFIX: making the prefix afresh"
  wineserver -k 2>/dev/null || true
  tarvo_fresh_prefix
  tarvo_wine reg add "$@" /f >/dev/null 2>&1 ||
    tarvo_die "reg add $* failed in a fresh prefix $WINEPREFIX" \
      "run WINEPREFIX=$WINEPREFIX $TARVO_WINE64 reg add $* to see Wine's messages"
}

TARVO_XVFB_PID=

# Starts a private Xvfb when there is no display; tarvo_stop_display stops exactly that process.
tarvo_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${TARVO_FORCE_XVFB:-}" ]; then
    return
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$((1024 * $(tarvo_dpi) / 96))x$((768 * $(tarvo_dpi) / 96))x24" -nolisten tcp \
    3>"$fifo" >/dev/null 2>&1 &
  TARVO_XVFB_PID=$!
  local number
  read -r -t 30 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    tarvo_stop_display
    tarvo_die "Xvfb did not start within 30 s" "run 'Xvfb -displayfd 1' by hand to see why (package xvfb), or set DISPLAY to a running X server"
  fi
  export DISPLAY=":$number"
  tarvo_log "started Xvfb on $DISPLAY (pid $TARVO_XVFB_PID)"
}

tarvo_stop_display() {
  if [ -n "$TARVO_XVFB_PID" ]; then
    kill "$TARVO_XVFB_PID" 2>/dev/null || true
    wait "$TARVO_XVFB_PID" 2>/dev/null || true
    TARVO_XVFB_PID=
  fi
}

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
# Held exclusively by a run while its entry is enabled, shared by prefix creations: runs of several checkouts on one
# machine neither disable each other's window nor boot a prefix inside one.
TARVO_EMULATION_LOCK=/tmp/tarvo-qemu-i386.lock
TARVO_EMULATION_READY=      # set once tarvo_emulation_prepare has registered the entry
TARVO_EMULATION_SKIPPED=    # why this machine cannot run 32-bit programs, when it cannot

tarvo_can_be_root() { [ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null; }

# Installs Wine's 32-bit half and the emulator, mounts binfmt_misc and registers the entry (flag F: usable from any
# mount namespace), leaving it disabled: call it before creating any prefix. Returns 1 with TARVO_EMULATION_SKIPPED
# set when this machine cannot.
tarvo_emulation_prepare() {
  TARVO_EMULATION_SKIPPED=
  if [ "$(uname -m)" != x86_64 ]; then
    TARVO_EMULATION_SKIPPED="this is an $(uname -m) machine, not x86_64"
  elif ! tarvo_can_be_root; then
    TARVO_EMULATION_SKIPPED="registering the emulator needs root (or sudo without a password)"
  fi
  [ -z "$TARVO_EMULATION_SKIPPED" ] || return 1
  local missing=() p
  dpkg --print-foreign-architectures | grep -qx i386 || tarvo_as_root dpkg --add-architecture i386 || true
  for p in wine32:i386 qemu-user-static; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    tarvo_log "installing ${missing[*]}"
    if ! { tarvo_as_root apt-get update -q &&
           tarvo_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"; }
    then
      TARVO_EMULATION_SKIPPED="installing ${missing[*]} failed"
      return 1
    fi
  fi
  if [ ! -d "$TARVO_WINE32_DLLS" ]; then
    TARVO_EMULATION_SKIPPED="Wine's 32-bit DLLs are not in $TARVO_WINE32_DLLS"
    return 1
  fi
  if [ ! -e "$TARVO_BINFMT/register" ]; then
    tarvo_as_root mount -t binfmt_misc binfmt_misc "$TARVO_BINFMT" 2>/dev/null || true
  fi
  if [ ! -e "$TARVO_BINFMT/register" ]; then
    TARVO_EMULATION_SKIPPED="binfmt_misc cannot be mounted here"
    return 1
  fi
  if [ ! -e "$TARVO_I386_ENTRY" ]; then
    printf ':qemu-i386:M::%s:%s:/usr/bin/qemu-i386-static:F' "$TARVO_I386_MAGIC" "$TARVO_I386_MASK" |
      tarvo_as_root tee "$TARVO_BINFMT/register" >/dev/null 2>&1 || true
  fi
  if [ ! -e "$TARVO_I386_ENTRY" ]; then
    TARVO_EMULATION_SKIPPED="the kernel refused the emulator's binfmt_misc entry"
    return 1
  fi
  TARVO_EMULATION_READY=1
  tarvo_emulation_off
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

# The 32-bit part of the tests: a fresh prefix of its own (created natively), then the mingw-x86 build's ctest with
# the emulator enabled only around it. Extra arguments go to ctest. Prints one line and returns 0 when the machine
# cannot run 32-bit programs.
tarvo_test_32bit() {
  if (cd "$TARVO_BUILD/mingw-x86" && ctest -N "$@" | grep -qx 'Total Tests: 0'); then
    tarvo_log "32-bit part: no test matches"
    return 0
  fi
  if [ -z "$TARVO_EMULATION_READY" ] && { [ -n "$TARVO_EMULATION_SKIPPED" ] || ! tarvo_emulation_prepare; }; then
    tarvo_log "32-bit part skipped: $TARVO_EMULATION_SKIPPED"
    return 0
  fi
  local started=$SECONDS status=0
  (
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
      tarvo_log "32-bit part skipped: $TARVO_EMULATION_SKIPPED"
      exit 0
    fi
    tarvo_log "tests under Wine (i686, through the emulator)"
    # Two at a time: each 32-bit program spends its first minute or so in the emulator loading Wine.
    cd "$TARVO_BUILD/mingw-x86" && ctest --output-on-failure -j2 "$@" {lock}>&-
  ) || status=1
  # Each entry says how many of its cases ran (an entry that runs none fails); ctest keeps that in its log only.
  grep -h 'case(s) ran' "$TARVO_BUILD/mingw-x86/Testing/Temporary/LastTest.log" 2>/dev/null | sed 's/^/== /' >&2 || true
  tarvo_emulation_off
  tarvo_log "32-bit part $([ $status -eq 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s"
  return $status
}

# tarvo_run_setting NAME [VAR=VALUE...] -- [CTEST ARGS...]
# Runs the Windows build's tests once more in another setting: the assignments are exported (TARVO_LOCALE picks the
# Unix locale, and so the code page; TARVO_DPI=144 a display at 144 DPI), a fresh prefix of the setting's own is made
# in $TARVO_BUILD/wineprefix-NAME with them, and a private Xvfb is started for it. Everything it starts is stopped again; returns ctest's status.
tarvo_run_setting() {
  local name=$1
  shift
  local assignments=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    assignments+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  (
    set -e
    [ ${#assignments[@]} -eq 0 ] || export "${assignments[@]}"
    export WINEPREFIX=$TARVO_BUILD/wineprefix-$name TARVO_FORCE_XVFB=1
    TARVO_XVFB_PID=
    trap 'wineserver -k 2>/dev/null || true; tarvo_stop_display' EXIT
    tarvo_start_display
    tarvo_fresh_prefix
    wineserver -p
    tarvo_wine cmd /c exit >/dev/null 2>&1 </dev/null
    tarvo_log "tests under Wine (x86_64), setting $name: ${assignments[*]}"
    cd "$TARVO_BUILD/mingw-x64"
    ctest --output-on-failure "$@"
  )
}
