# Source this: `. scripts/wine-env.sh BUILD_DIR`, then `trap wine_env_cleanup EXIT`.
# Sets up a Wine prefix in BUILD_DIR/wineprefix (once), an Xvfb display of our own
# and a persistent wineserver for the calling shell. Run programs with "$QUENLO_WINE".
# QUENLO_WINEARCH=win64 makes a 64-bit-only prefix for PE32+ builds, which run
# natively; the default win32 prefix runs PE32 (under qemu where the kernel lacks ia32).
# QUENLO_WINEARCH=wow64 is a 64-bit prefix that also runs PE32 programs, as 64-bit Windows
# does: Wine and its services stay 64-bit, and only the 32-bit programs go through qemu.
# No `set -euo pipefail` here: it would leak into the shell that sources this file,
# so every step checks its own result and the file returns non-zero on failure.

wine_env_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ "${QUENLO_WINE_SERVER_STARTED:-}" = 1 ]; then
    wineserver -k >/dev/null 2>&1 || true
    QUENLO_WINE_SERVER_STARTED=
  fi
  if [ -n "${QUENLO_XVFB_PID:-}" ]; then
    kill "$QUENLO_XVFB_PID" 2>/dev/null || true
    wait "$QUENLO_XVFB_PID" 2>/dev/null || true
    QUENLO_XVFB_PID=
  fi
}

_wine_env_fail() {
  echo "wine-env: $*" >&2
  wine_env_cleanup
  return 1
}

_wine_env_start_xvfb() {
  local fdfile
  fdfile=$(mktemp) || return 1
  # -displayfd lets Xvfb pick a free display and tell us which once it accepts clients.
  Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp -noreset 9>"$fdfile" >/dev/null 2>&1 &
  QUENLO_XVFB_PID=$!
  local i
  for i in $(seq 1 300); do
    if [ -s "$fdfile" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$fdfile")"
      rm -f "$fdfile"
      return 0
    fi
    kill -0 "$QUENLO_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$fdfile"
  echo "wine-env: Xvfb did not start" >&2
  return 1
}

# Bump when _wine_env_boot changes what it puts into a prefix.
_wine_env_boot_rev=2

_wine_env_cache_dir() {
  local version
  version=$("$QUENLO_WINE" --version 2>/dev/null | tr -cs '[:alnum:].-' _)
  echo "${XDG_CACHE_HOME:-$HOME/.cache}/quenlo/wineprefix-$QUENLO_PREFIX_KIND-$version-r$_wine_env_boot_rev"
}

_wine_env_boot() {
  # The first process gives up waiting for wineboot after a few minutes and prints
  # "could not load kernel32.dll" (under qemu boot takes longer); the boot itself
  # goes on, so its exit code is ignored and wineserver -w waits for all of it.
  "$QUENLO_WINE" wineboot -i >/dev/null 2>&1 || true
  wineserver -w || return 1
  # With the server gone the files are the registry. Written here rather than with reg.exe,
  # because every Wine start (the server and its services with it) takes minutes under qemu.
  # A crashing test must fail, not wait on winedbg's dialog.
  local now
  now=$(date +%s)
  cat >>"$WINEPREFIX/user.reg" <<REG || return 1

[Software\\\\Wine\\\\Explorer] $now
"Desktop"="Default"

[Software\\\\Wine\\\\Explorer\\\\Desktops] $now
"Default"="1280x800"

[Software\\\\Wine\\\\WineDbg] $now
"ShowCrashDialog"=dword:00000000
REG
  [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && grep -q 'Explorer\\\\Desktops' "$WINEPREFIX/user.reg"
}

_wine_env_init_prefix() {
  local stamp=$WINEPREFIX/.quenlo-initialised
  [ -f "$stamp" ] && return 0
  rm -rf "$WINEPREFIX"
  # Booting a prefix costs minutes under qemu, so one booted prefix is kept per
  # machine and copied; a prefix holds no absolute path of its own.
  local cache
  cache=$(_wine_env_cache_dir)
  mkdir -p "$(dirname "$cache")" || return 1
  {
    flock 7 || return 1
    if [ ! -f "$cache/.quenlo-initialised" ]; then
      echo "wine-env: booting a Wine prefix into $cache (minutes under qemu)" >&2
      rm -rf "$cache"
      if [ "$QUENLO_PREFIX_KIND" = win64 ] && [ "$(id -u)" = 0 ] && command -v unshare >/dev/null; then
        # Hiding the 32-bit loader keeps wineboot from setting up syswow64, which
        # runs under qemu here and turns a one-minute boot into many.
        WINEPREFIX=$cache unshare -m bash -c "mount --bind /dev/null /usr/lib/wine/wine &&
          $(declare -f _wine_env_boot); _wine_env_boot"
      else
        (export WINEPREFIX=$cache; _wine_env_boot)
      fi || { echo "wine-env: wineboot failed" >&2; return 1; }
      touch "$cache/.quenlo-initialised"
    fi
  } 7>"$cache.lock" || return 1
  cp -a "$cache" "$WINEPREFIX" || return 1
  touch "$stamp"
}

# Debian's wine64 does not find the fonts of its own data folder (Marlett draws the caption
# buttons, Tahoma is the dialogs' face), so they are put where every Wine looks.
_wine_env_add_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts" || return 1
  [ -d /usr/share/wine/fonts ] || return 0
  cp -u /usr/share/wine/fonts/*.ttf "$fonts"/ 2>/dev/null || true
}

_wine_env_main() {
  if [ $# -ne 1 ]; then
    echo "usage: . scripts/wine-env.sh BUILD_DIR" >&2
    return 2
  fi
  mkdir -p "$1" || return 1
  local build_dir
  build_dir=$(cd "$1" && pwd) || return 1

  local tool
  for tool in wine wineserver Xvfb; do
    command -v "$tool" >/dev/null || { echo "wine-env: $tool not found; run scripts/setup.sh" >&2; return 1; }
  done
  export WINEPREFIX=$build_dir/wineprefix
  QUENLO_PREFIX_KIND=${QUENLO_WINEARCH:-win32}
  export WINEARCH=${QUENLO_PREFIX_KIND/wow64/win64}
  case $QUENLO_PREFIX_KIND in
    win32) export QUENLO_WINE=wine ;;
    win64 | wow64)
      export QUENLO_WINE=/usr/lib/wine/wine64
      export WINELOADER=$QUENLO_WINE
      ;;
    *)
      echo "wine-env: QUENLO_WINEARCH must be win32, win64 or wow64" >&2
      return 2
      ;;
  esac
  # Kernels booted without ia32 support need the qemu binfmt handler that setup.sh registers.
  if [ "$QUENLO_PREFIX_KIND" != win64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "wine-env: 32-bit wine cannot run here; run scripts/setup.sh" >&2
    return 1
  fi
  export WINEDEBUG=-all
  # Without these, wineboot offers to download Mono and Gecko and waits on that dialog.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=zh_CN.UTF-8
  export LC_ALL=zh_CN.UTF-8

  if [ "${QUENLO_KEEP_DISPLAY:-}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    :
  else
    _wine_env_start_xvfb || { _wine_env_fail "cannot start Xvfb"; return 1; }
  fi

  # Two shells on one build folder must not initialise the prefix at the same time.
  local lock=$build_dir/wineprefix.lock
  {
    flock 8 || return 1
    _wine_env_init_prefix && _wine_env_add_fonts
  } 8>"$lock" || { _wine_env_fail "prefix initialisation failed"; return 1; }

  wineserver -p >/dev/null 2>&1 || true
  QUENLO_WINE_SERVER_STARTED=1
  return 0
}

_wine_env_main "$@"
