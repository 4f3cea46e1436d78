#!/usr/bin/env bash
# How often the idle tuner window wakes up: runs the real program on a private virtual X
# display with no sound server (the synth stays off, so only the window's own timers count),
# puts the pointer beside the window and then on the first string button, and prints the
# voluntary context switches per second of the main thread and of all threads.
# Usage: bench/idle_wakeups.sh [path/to/tolmary] [seconds]    (needs xvfb-run and xdotool)
set -euo pipefail
if [ -z "${TOLMARY_IDLE_INNER:-}" ]; then
    binary=$(realpath "${1:-build/app/tolmary}")
    export TOLMARY_IDLE_INNER=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$binary" "${2:-10}"
fi
binary=$1
seconds=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A private home keeps the program away from the real settings and cache.
HOME=$home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
    PULSE_SERVER=unix:$home/no-pulse QT_QPA_PLATFORM=xcb "$binary" 2>/dev/null &
pid=$!
sleep 3
xdotool key Return # closes the message that there is no sound
sleep 1

voluntary() { awk '/^voluntary_ctxt_switches/ { print $2 }' "$1"; }
all_threads() {
    local total=0 status
    for status in /proc/"$pid"/task/*/status; do
        total=$((total + $(voluntary "$status")))
    done
    echo "$total"
}
measure() {
    xdotool mousemove "$2" "$3"
    sleep 1
    local main1 all1 main2 all2
    main1=$(voluntary /proc/"$pid"/task/"$pid"/status)
    all1=$(all_threads)
    sleep "$seconds"
    main2=$(voluntary /proc/"$pid"/task/"$pid"/status)
    all2=$(all_threads)
    echo "  $1: main thread $(((main2 - main1) / seconds))/s," \
        "all threads $(((all2 - all1) / seconds))/s"
}

# The window is centred on the display; the first string button's centre lies 96 px right of
# its client area's left edge and 120 px below its top.
window=$(xdotool search --onlyvisible --pid "$pid" | head -n 1)
read -r left top < <(xdotool getwindowgeometry --shell "$window" |
    awk -F= '/^X=/ { x = $2 } /^Y=/ { print x, $2 }')
echo "idle tuner window, voluntary context switches over ${seconds} s"
measure "pointer beside the window" 5 5
measure "pointer resting on a string button" $((left + 96)) $((top + 120))
kill "$pid"
wait "$pid" 2>/dev/null || true
