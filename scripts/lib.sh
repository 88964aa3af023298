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

# Debian packages the build and the Wine test rig need; only the missing ones are installed.
TARVO_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686 wine wine64 fonts-wine xvfb xdotool xauth x11-utils locales fonts-wqy-microhei googletest clang
  libclang-rt-14-dev clang-format-14 python3-pil imagemagick)

tarvo_install_packages() {
  local missing=() p
  for p in "${TARVO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    tarvo_log "installing ${missing[*]}"
    tarvo_as_root apt-get update -q ||
      tarvo_die "apt-get update failed" "check the network and the package sources, then run again"
    tarvo_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" ||
      tarvo_die "could not install ${missing[*]}" "read apt's messages above; install them by hand and run again"
  fi
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    tarvo_log "generating the zh_CN.UTF-8 locale"
    tarvo_as_root sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | tarvo_as_root tee -a /etc/locale.gen >/dev/null
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

# The environment every Wine run of ours uses: Chinese code page, quiet Wine, no add-on downloads.
tarvo_wine_env() {
  export WINEPREFIX=${WINEPREFIX:-$TARVO_BUILD/wineprefix}
  export WINELOADER=$TARVO_WINE64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES='mscoree=;mshtml='
  export LC_ALL=zh_CN.UTF-8
}

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

# The prefix answers the 64-bit loader: it is a 64-bit prefix and its registry can be read.
tarvo_prefix_works() {
  [ -f "$WINEPREFIX/system.reg" ] && grep -q '^#arch=win64' "$WINEPREFIX/system.reg" &&
    [ -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] &&
    tarvo_wine reg query 'HKCU\Software\Wine\X11 Driver' /v Managed >/dev/null 2>&1
}

# A fresh Wine prefix at $WINEPREFIX, with the window stalls of an unmanaged X server removed and Wine's caption
# button font in place. Every step is checked; a failure says what to do.
tarvo_fresh_prefix() {
  tarvo_wine_env
  tarvo_log "creating a fresh Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX" || tarvo_die "could not remove the old prefix $WINEPREFIX" "remove it by hand and run again"
  local status=0
  tarvo_wine wineboot -i >/dev/null 2>&1 || status=$?
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
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
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
