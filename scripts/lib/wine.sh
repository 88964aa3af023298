# Wine: its loader, the environment of our runs, prefixes, the private display and the settings the Windows build's
# tests run in once more. Part of scripts/lib.sh; source that.

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
