#!/usr/bin/env bash
# Runs a program on a plain X server of its own: Xvfb, with no window manager and no compositing
# manager, as a bare X display (or a remote one) is. Qt talks to it through its xcb platform.
# Works as root and without any display; exits 77 (CTest's skip) only when Xvfb is not installed.
#   run_under_xvfb.sh PROGRAM [ARGS...]
set -euo pipefail
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "run_under_xvfb: Xvfb is not installed (scripts/setup.sh installs it): skipped"
  exit 77
fi
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# Xvfb picks a free display itself and writes its number to descriptor 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "run_under_xvfb: Xvfb did not start:"; cat "$work/xvfb.log"; exit 1
  fi
  sleep 0.1
done
if [ ! -s "$work/display" ]; then echo "run_under_xvfb: Xvfb gave no display"; cat "$work/xvfb.log"; exit 1; fi
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
# A runtime folder of the run's own, as a desktop session would give.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY XAUTHORITY
"$@"
