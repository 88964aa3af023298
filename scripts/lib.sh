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

# The Unix locales the tests run Wine under; each gives Wine's programs another system code page (936, 1252, 932).
TARVO_LOCALES=(zh_CN.UTF-8 en_US.UTF-8 ja_JP.UTF-8)

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

# A fresh Wine prefix at $WINEPREFIX, with the window stalls of an unmanaged X server removed.
tarvo_fresh_prefix() {
  tarvo_wine_env
  tarvo_log "creating a fresh Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  tarvo_wine wineboot -i >/dev/null 2>&1
  tarvo_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  [[ $LC_ALL == zh_CN* ]] || tarvo_link_cjk_font
  wineserver -w
}

# tarvo_run_setting NAME [VAR=value...] -- [ctest arguments...]: runs ctest for the Windows build once more in a
# setting of its own: the assignments are exported (TARVO_LOCALE picks the Unix locale, and so the code page), a fresh
# prefix is made in $TARVO_BUILD/wineprefix-NAME with them, and its Wine server is ended afterwards. Needs the display
# and the build; returns non-zero when a test failed.
tarvo_run_setting() {
  local name=$1
  shift
  local assignments=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    assignments+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  (
    status=0
    for a in "${assignments[@]}"; do export "${a?}"; done
    export WINEPREFIX=$TARVO_BUILD/wineprefix-$name
    tarvo_fresh_prefix
    wineserver -p
    tarvo_wine cmd /c exit >/dev/null 2>&1 </dev/null
    tarvo_log "tests under Wine (x86_64), setting $name (${assignments[*]})"
    (cd "$TARVO_BUILD/mingw-x64" && ctest --output-on-failure "$@") || status=1
    wineserver -k 2>/dev/null || true
    exit $status
  )
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
