# Sourced by the test and run scripts: a private Wine prefix, HOME and display
# inside the build tree, with one persistent Wine server for every test process.
#   nubo_wine_start BUILD_DIR [--keep-prefix] [--no-display] [--prefix-name NAME]
#   nubo_wine_stop

nubo_find_free_display() {
  local n
  for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      echo "$n"; return 0
    fi
  done
  return 1
}

# Wine links no CJK font to the dialog faces, so Chinese in message boxes and
# the tray menu shows as boxes; link the WenQuanYi font that install-packages
# brings. A prefix that is already linked is left alone.
nubo_wine_link_cjk_font() {
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local face
  if wine reg query "$key" /v 'Segoe UI' </dev/null 2>/dev/null | grep -q 'wqy-microhei'; then
    return 0
  fi
  for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' 'Segoe UI'; do
    wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f \
      </dev/null >/dev/null 2>&1
  done
}

nubo_wine_start() {
  local build_dir keep_prefix=0 want_display=1 name=wine
  mkdir -p "$1"
  build_dir=$(cd "$1" && pwd); shift
  while [ $# -gt 0 ]; do
    case "$1" in
      --keep-prefix) keep_prefix=1 ;;
      --no-display) want_display=0 ;;
      --prefix-name) shift; name=$1 ;;
    esac
    shift
  done
  export NUBO_WINE_ROOT="$build_dir/$name"
  export WINEPREFIX="$NUBO_WINE_ROOT/prefix"
  export HOME="$NUBO_WINE_ROOT/home"
  export WINEDEBUG=-all
  export WINEARCH=win64
  # No Mono or Gecko installers (dialogs, network) and no debugger on a crash
  # (it would wait forever instead of letting the test fail), and no menu
  # builder started behind a saved shortcut (it would outlive the test and
  # hold its output open).
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
  export TZ=EST5EDT
  unset WAYLAND_DISPLAY
  if [ "$keep_prefix" -eq 0 ]; then rm -rf "$NUBO_WINE_ROOT"; fi
  mkdir -p "$WINEPREFIX" "$HOME"

  NUBO_XVFB_PID=
  if [ "$want_display" -eq 1 ] && [ -z "${DISPLAY:-}" ]; then
    local n
    n=$(nubo_find_free_display) || { echo "no free X display number" >&2; return 1; }
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    NUBO_XVFB_PID=$!
    export DISPLAY=":$n"
    # No window manager runs on this display: Wine must not wait for one.
    export NUBO_WINE_UNMANAGED=1
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.05
    done
  fi

  wineserver -p >/dev/null 2>&1
  if [ -f "$WINEPREFIX/system.reg" ]; then
    wineboot </dev/null >/dev/null 2>&1
  else
    wineboot -i </dev/null >/dev/null 2>&1
  fi
  if [ "${NUBO_WINE_UNMANAGED:-0}" = 1 ]; then
    # Without a window manager, hiding a managed window waits two seconds for
    # a reply that never comes; unmanaged windows need none.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  fi
  nubo_wine_link_cjk_font
  nubo_serial_ports_start
}

nubo_wine_stop() {
  nubo_serial_ports_stop
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "${NUBO_XVFB_PID:-}" ]; then
    kill "$NUBO_XVFB_PID" 2>/dev/null || true
    wait "$NUBO_XVFB_PID" 2>/dev/null || true
    NUBO_XVFB_PID=
  fi
}

# Test serial ports: COM1..COM3 of the prefix are each one end of a socat pty
# pair ($NUBO_SERIAL_DIR/comN); the tests' peers open the other end
# ($NUBO_SERIAL_DIR/peerN). COM1 is mapped too, or the host's own serial
# device would take it. A pair that ends (a test may cut the line) is made
# again under the same names. The device map and the COM links follow the
# Ports key only when the Wine server starts, hence the restart.
NUBO_SERIAL_NUMBERS="1 2 3"

nubo_serial_ports_start() {
  local dir="$NUBO_WINE_ROOT/serial" n i
  export NUBO_SERIAL_DIR="$dir"
  export NUBO_SERIAL_PORTS="COM1 COM2 COM3"
  mkdir -p "$dir"
  NUBO_SERIAL_LOOP_PIDS=
  for n in $NUBO_SERIAL_NUMBERS; do
    (
      trap 'kill "$(cat "$dir/socat$n.pid" 2>/dev/null)" 2>/dev/null; exit 0' TERM
      while :; do
        socat "PTY,link=$dir/com$n,rawer" "PTY,link=$dir/peer$n,rawer" </dev/null >/dev/null 2>&1 &
        echo $! >"$dir/socat$n.pid"
        wait $! || true
        sleep 0.05
      done
    ) &
    NUBO_SERIAL_LOOP_PIDS="$NUBO_SERIAL_LOOP_PIDS $!"
  done
  for n in $NUBO_SERIAL_NUMBERS; do
    for i in $(seq 1 100); do
      if [ -e "$dir/com$n" ]; then break; fi
      sleep 0.05
    done
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$dir/com$n" /f </dev/null >/dev/null 2>&1
  done
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1
  wineboot </dev/null >/dev/null 2>&1
}

nubo_serial_ports_stop() {
  local pid
  for pid in ${NUBO_SERIAL_LOOP_PIDS:-}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  NUBO_SERIAL_LOOP_PIDS=
}
