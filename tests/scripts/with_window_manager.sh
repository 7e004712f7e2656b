#!/bin/sh
# Runs a command with a window manager (openbox) on the test display for
# its whole run:  with_window_manager.sh COMMAND [ARGS...]
# The manager is started on $DISPLAY, the command starts once it has taken
# the display, and the manager ends with the command. The status is the
# command's; 1 when no manager could take the display.
if [ -z "${DISPLAY:-}" ]; then
  echo "with_window_manager: no DISPLAY" >&2
  exit 1
fi
if ! command -v openbox >/dev/null 2>&1; then
  echo "with_window_manager: openbox is not installed (scripts/setup installs it)" >&2
  exit 1
fi
openbox --sm-disable >/dev/null 2>&1 </dev/null &
manager=$!
ready=0
for _ in $(seq 1 200); do
  if ! kill -0 "$manager" 2>/dev/null; then break; fi
  # The manager's check window, which names it, exists once it runs.
  check="$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')"
  if [ -n "$check" ] && xprop -id "$check" _NET_WM_NAME 2>/dev/null | grep -q Openbox; then ready=1; break; fi
  sleep 0.05
done
if [ "$ready" != 1 ]; then
  echo "with_window_manager: openbox did not take the display $DISPLAY" >&2
  kill "$manager" 2>/dev/null
  exit 1
fi
LUMORA_UNDER_WINDOW_MANAGER=1 "$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit "$status"
