#!/usr/bin/env bash
# Runs a Windows program of the Windows build under Wine, in a Wine prefix of
# the build's own (the build's CMAKE_CROSSCOMPILING_EMULATOR):
#
#   wine-run.sh --prefix DIR PROGRAM.exe [ARGUMENTS...]
#   wine-run.sh --prefix DIR --start     boot the prefix if needed, keep a wineserver
#                                        (and an Xvfb when DISPLAY is not set) alive
#   wine-run.sh --prefix DIR --stop      end what --start started
#
# The prefix is created once (wineboot -i) with no Mono or Gecko installer
# prompts; Wine's own messages are silenced. Between --start and --stop every
# program starts against the same wineserver, which keeps each start short.
set -euo pipefail

[ "${1:-}" = "--prefix" ] && [ $# -ge 3 ] || {
  echo "usage: wine-run.sh --prefix DIR (PROGRAM [ARGS...] | --start | --stop)" >&2
  exit 64
}
mkdir -p "$2"
prefix=$(cd "$2" && pwd)
shift 2

wine_dir=/usr/lib/wine
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER="$wine_dir/wine64"
export WINESERVER="$wine_dir/wineserver"

# One boot at a time: builds and tests may start programs in parallel.
boot_prefix() {
  [ -f "$prefix/system.reg" ] && return 0
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$WINELOADER" wineboot -i >/dev/null 2>&1 </dev/null
      "$WINESERVER" -w
    fi
  ) 9>"$prefix.lock"
}

# Wine's services (services.exe, rpcss.exe ...) start with the first program
# and outlive it, keeping the descriptors they inherited: a caller that waits
# for the end of a program's output (CTest) would wait for them too. So they
# are started first by a program with no descriptors of the caller's.
server_running() {
  local socket
  for socket in /tmp/wine-*/"server-$(stat -c %D "$prefix")-$(printf %x "$(stat -c %i "$prefix")")"/socket; do
    [ -S "$socket" ] && return 0
  done
  return 1
}
start_services() {
  server_running || "$WINELOADER" wineboot </dev/null >/dev/null 2>&1
}

# The X server that --start started for this prefix, while it runs.
use_recorded_display() {
  [ -z "${DISPLAY:-}" ] && [ -f "$prefix/.xvfb" ] || return 0
  local display pid
  read -r display pid <"$prefix/.xvfb"
  kill -0 "$pid" 2>/dev/null && export DISPLAY="$display"
  return 0
}

start_xvfb() {
  [ -z "${DISPLAY:-}" ] || return 0
  local number
  for number in $(seq 90 140); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$number" ] && break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      echo ":$number $pid" >"$prefix/.xvfb"
      return 0
    fi
  done
  echo "wine-run.sh: no se pudo iniciar Xvfb" >&2
  return 1
}

case "$1" in
  --start)
    boot_prefix
    start_xvfb
    use_recorded_display
    # Fails when a server of this prefix is running already, which serves as well.
    "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
    "$WINELOADER" wineboot </dev/null >/dev/null 2>&1
    ;;
  --stop)
    "$WINESERVER" -k 2>/dev/null || true
    if [ -f "$prefix/.xvfb" ]; then
      read -r _ pid <"$prefix/.xvfb"
      kill "$pid" 2>/dev/null || true
      rm -f "$prefix/.xvfb"
    fi
    ;;
  *)
    boot_prefix
    use_recorded_display
    start_services
    exec "$WINELOADER" "$@"
    ;;
esac
