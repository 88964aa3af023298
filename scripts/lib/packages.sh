# Debian packages and locales: what the build and the Wine test rig need, installed only where missing. Part of
# scripts/lib.sh; source that.

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

# apt retries a download that failed (a mirror being updated answers with an index of the wrong size for a while),
# and waits up to two minutes for another apt or dpkg that holds the lock.
TARVO_APT_OPTIONS=(-o Acquire::Retries=5 -o DPkg::Lock::Timeout=120)
TARVO_APT_UPDATED=       # set once the package lists were read in this run
TARVO_APT_INDEX_FAILURE= # apt's words for the indexes that could not be read, when some could not
TARVO_APT_FAILURE=       # what the last tarvo_apt_install could not do: the index, the packages, apt's own words
TARVO_APT_REASON=        # the same in one line

tarvo_missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# Reads the package lists once per run. An index that fails (apt says "Failed to fetch" or "Some index files failed")
# is read once more; when it fails again its lines are kept in TARVO_APT_INDEX_FAILURE and the older lists are used.
tarvo_apt_update() {
  [ -z "$TARVO_APT_UPDATED" ] || return 0
  TARVO_APT_UPDATED=1
  local out try
  for try in 1 2; do
    out=$(tarvo_as_root apt-get "${TARVO_APT_OPTIONS[@]}" update -q 2>&1) && ! grep -q '^[WE]: .*[Ff]ailed' <<<"$out" &&
      { TARVO_APT_INDEX_FAILURE=; return 0; }
    TARVO_APT_INDEX_FAILURE=$(grep -E '^(W|E|Err):' <<<"$out" || tail -n 3 <<<"$out")
    [ "$try" = 2 ] || tarvo_log "apt-get update could not read every index; reading them once more"$'\n'"$TARVO_APT_INDEX_FAILURE"
  done
  tarvo_log "apt-get update failed twice on these indexes (going on with the lists apt has):"$'\n'"$TARVO_APT_INDEX_FAILURE"
  return 1
}

# tarvo_apt_install PACKAGE...: installs the packages without the ones they merely recommend. On a failure returns 1
# with TARVO_APT_FAILURE saying which index failed, which packages were not installed and apt's own words.
tarvo_apt_install() {
  TARVO_APT_FAILURE= TARVO_APT_REASON=
  tarvo_log "installing $*"
  tarvo_apt_update || true
  local out status=0 said first
  out=$(tarvo_as_root env DEBIAN_FRONTEND=noninteractive apt-get "${TARVO_APT_OPTIONS[@]}" install -y -q \
    --no-install-recommends "$@" 2>&1) || status=$?
  if [ $status -eq 0 ]; then
    grep -E '^W:' <<<"$out" >&2 || true
    return 0
  fi
  said=$(grep -E '^(E|W):|unmet|Depends:' <<<"$out" | head -n 12 || true)
  [ -n "$said" ] || said=$(tail -n 5 <<<"$out")
  TARVO_APT_FAILURE="apt-get install $* failed (status $status); apt said:"$'\n'"$said"
  TARVO_APT_REASON="installing $* failed: $(head -n 1 <<<"$said")"
  if [ -n "$TARVO_APT_INDEX_FAILURE" ]; then
    TARVO_APT_FAILURE+=$'\n'"Before that, these package indexes could not be read (twice):"$'\n'"$TARVO_APT_INDEX_FAILURE"
    first=$(grep -m1 -o 'Failed to fetch [^ ]*' <<<"$TARVO_APT_INDEX_FAILURE" || true)
    TARVO_APT_REASON+="; an index could not be read${first:+ (${first#Failed to fetch })}"
  fi
  return 1
}

# How to try the installation again by hand, as said after a failure of it.
tarvo_apt_rerun_hint() {
  echo "when the package source answers again (a mirror being updated does within hours), run 'sudo apt-get update' until it ends without errors, then 'sudo apt-get install --no-install-recommends $*', then run the command again"
}

tarvo_install_packages() {
  local missing
  mapfile -t missing < <(tarvo_missing_packages "${TARVO_PACKAGES[@]}")
  if [ ${#missing[@]} -gt 0 ]; then
    tarvo_apt_install "${missing[@]}" || tarvo_die "$TARVO_APT_FAILURE" "$(tarvo_apt_rerun_hint "${missing[@]}")"
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
