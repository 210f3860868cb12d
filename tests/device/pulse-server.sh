#!/usr/bin/env bash
# Starts or stops a private PulseAudio server with one null sink, for the device
# tests: pulse-server.sh start|stop DIR [OWNER]. The server's socket is DIR/native
# (point PULSE_SERVER at unix:DIR/native), its pid is in DIR/pid. stop ends the server
# only when the same OWNER started it (scripts/test and ctest both use this). Works as
# root too (the server then warns and runs as a per-user daemon), with no sound card
# and no display.
set -u
cmd=${1:-}; dir=${2:-}; owner=${3:-default}
if [ -z "$cmd" ] || [ -z "$dir" ]; then echo "usage: $0 start|stop DIR [OWNER]" >&2; exit 2; fi
socket="$dir/native"
alive() { PULSE_SERVER="unix:$socket" pactl info >/dev/null 2>&1; }

case "$cmd" in
start)
  if alive; then exit 0; fi # already running (started by scripts/test)
  if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    echo "pulse-server: pulseaudio or pactl is not installed (see scripts/setup)" >&2; exit 1
  fi
  mkdir -p "$dir/runtime" "$dir/home"
  chmod 700 "$dir/runtime"
  rm -f "$socket" "$dir/pid" "$dir/owned"
  # A private home and runtime folder: no user config, no autospawned server, no D-Bus.
  HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config" \
    DBUS_SESSION_BUS_ADDRESS=disabled: \
    setsid pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
      --disallow-exit --disallow-module-loading=no --log-target=file:"$dir/log" \
      -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" \
      -L "module-null-sink sink_name=mirelune_test format=s16le rate=44100 channels=2" \
      </dev/null >/dev/null 2>&1 &
  pid=$!
  echo "$pid" > "$dir/pid"
  echo "$owner" > "$dir/owned"
  for _ in $(seq 1 100); do
    if alive; then
      PULSE_SERVER="unix:$socket" pactl set-default-sink mirelune_test >/dev/null 2>&1
      exit 0
    fi
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "pulse-server: PulseAudio did not start; its log ($dir/log):" >&2
  cat "$dir/log" >&2 2>/dev/null
  kill "$pid" 2>/dev/null
  rm -f "$dir/pid" "$dir/owned"
  exit 1
  ;;
stop)
  # Only a server this script started, by its pid.
  if [ -f "$dir/pid" ] && [ "$(cat "$dir/owned" 2>/dev/null)" = "$owner" ]; then
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$dir/pid" "$dir/owned"
  fi
  exit 0
  ;;
*) echo "usage: $0 start|stop DIR [OWNER]" >&2; exit 2 ;;
esac
