# Source this: `. scripts/wine-env.sh BUILD_DIR`, then `trap wine_env_cleanup EXIT`.
# Sets up a Wine prefix in BUILD_DIR/wineprefix (once), an Xvfb display of our own
# and a persistent wineserver for the calling shell.
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

_wine_env_init_prefix() {
  local stamp=$WINEPREFIX/.quenlo-initialised
  [ -f "$stamp" ] && return 0
  echo "wine-env: initialising $WINEPREFIX (takes minutes when 32-bit code runs under qemu)" >&2
  rm -rf "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 || return 1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || return 1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f >/dev/null 2>&1 || return 1
  # A crashing test must fail, not wait on winedbg's dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || return 1
  # wineboot returns before the registry is flushed; the server writes it when it exits.
  wineserver -w || return 1
  touch "$stamp"
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
  # Kernels booted without ia32 support need the qemu binfmt handler that setup.sh registers.
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "wine-env: 32-bit wine cannot run here; run scripts/setup.sh" >&2
    return 1
  fi

  export WINEPREFIX=$build_dir/wineprefix
  export WINEARCH=win32
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
    _wine_env_init_prefix
  } 8>"$lock" || { _wine_env_fail "prefix initialisation failed"; return 1; }

  wineserver -p >/dev/null 2>&1 || true
  QUENLO_WINE_SERVER_STARTED=1
  return 0
}

_wine_env_main "$@"
