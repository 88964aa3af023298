# Shared by scripts/test, scripts/demo, scripts/bench and scripts/package: installs what is missing, builds, and
# prepares the Wine prefix and the display. Source it; do not run it. It holds what every script uses (messages,
# root, the build) and sources the rest by concern from scripts/lib/: packages.sh (Debian packages and locales),
# wine.sh (prefixes, display, settings), emulation.sh (the 32-bit part) and summary.sh (the test command's parts and
# its closing table).

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


source "$TARVO_ROOT/scripts/lib/packages.sh"
source "$TARVO_ROOT/scripts/lib/wine.sh"
source "$TARVO_ROOT/scripts/lib/emulation.sh"
source "$TARVO_ROOT/scripts/lib/summary.sh"
