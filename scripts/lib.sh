# Shared by scripts/test, scripts/demo and scripts/bench: installs what is missing, builds, and prepares the Wine
# prefix and the display. Source it; do not run it.

TARVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARVO_BUILD=${TARVO_BUILD:-$TARVO_ROOT/build}

tarvo_log() { printf '== %s\n' "$*" >&2; }

tarvo_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian packages the build and the Wine test rig need; only the missing ones are installed.
TARVO_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686 wine wine64 fonts-wine xvfb xdotool xauth x11-utils locales fonts-wqy-microhei googletest clang
  libclang-rt-14-dev python3-pil imagemagick)

tarvo_install_packages() {
  local missing=() p
  for p in "${TARVO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    tarvo_log "installing ${missing[*]}"
    tarvo_as_root apt-get update -q
    tarvo_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
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
      cmake --preset "$preset" -S "$TARVO_ROOT" -B "$TARVO_BUILD/$preset" >/dev/null
    fi
    cmake --build "$TARVO_BUILD/$preset" --parallel "$(nproc)"
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

# The display scale of a setting: TARVO_DPI (96 when unset) is written into each fresh prefix as the desktop's
# LogPixels, which every Wine process reads when it starts; the private Xvfb grows with it.
tarvo_dpi() { echo "${TARVO_DPI:-96}"; }

# A fresh Wine prefix at $WINEPREFIX, with the window stalls of an unmanaged X server removed.
tarvo_fresh_prefix() {
  tarvo_wine_env
  tarvo_log "creating a fresh Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  tarvo_wine wineboot -i >/dev/null 2>&1
  tarvo_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  if [ "$(tarvo_dpi)" != 96 ]; then
    tarvo_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$(tarvo_dpi)" /f >/dev/null 2>&1 ||
      { tarvo_log "could not set LogPixels in $WINEPREFIX"; return 1; }
  fi
  wineserver -w
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
    tarvo_log "Xvfb did not start"
    return 1
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

# tarvo_run_setting NAME [VAR=VALUE...] -- [CTEST ARGS...]
# Runs the Windows build's tests once more in another setting: the assignments are exported (for instance
# TARVO_DPI=144 for a display at 144 DPI), a fresh prefix of the setting's own is made in $TARVO_BUILD/wineprefix-NAME,
# and a private Xvfb is started for it. Everything it starts is stopped again; returns ctest's status.
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
