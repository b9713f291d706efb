#!/bin/bash
# Runs one test program under Wine for CTest (the cross-compiling emulator),
# in this checkout's prefix and display.
# Wine's media back end now and then brings a process down with a signal on
# its way out, after every test in it has passed and been reported. CTest
# would count a death by signal as a failure whatever the program printed, so
# the signal is handed on as an ordinary exit status (128 + signal) and the
# verdict comes from GoogleTest's own summary, which a crash during a test
# never prints.
source "$(dirname "${BASH_SOURCE[0]}")/wine_env.sh"
zuv_map_spare_drive
# The recycle bin of the tests is their own, inside the prefix, where the
# tests look for what was sent there.
# Wine makes the Trash folder but not its parent.
export XDG_DATA_HOME=$ZUV_WINEPREFIX/xdg-data
mkdir -p "$XDG_DATA_HOME"
status=0
zuv_wine_env "$ZUV_WINE64" "$@" || status=$?
# A run that printed nothing at all says at least how it ended.
[ "$status" -eq 0 ] || echo "wine_test_run: $(basename "$1") ended with status $status" >&2
exit "$status"
