#!/usr/bin/env bash
# Runs a command on the current X display under a window manager, as a desktop
# session would (focus, activation, transient windows). Used inside xvfb-run.
set -euo pipefail
wm=""
if command -v openbox >/dev/null 2>&1; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  # The manager is ready once it has claimed the screen.
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
fi
status=0
"$@" || status=$?
if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; wait "$wm" 2>/dev/null || true; fi
exit "$status"
