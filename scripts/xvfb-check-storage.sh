#!/usr/bin/env bash
# Storing under a hostile machine, in a real X server: a second launch hands
# its file to the running window and exits; a lock left by a killed instance
# is taken over; a full disk is told (message, status-bar mark, log line),
# quitting asks first, and storing succeeds by itself once there is room.
#   scripts/xvfb-check-storage.sh [--screenshot FILE]   (the program built in build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
shot=""
[ "${1:-}" = --screenshot ] && shot=$(realpath -m "$2")
app=${TELVANE_APP:-$PWD/build/default/app/telvane-list-dialer}
[ -x "$app" ] || { echo "xvfb-check-storage: build the program first" >&2; exit 1; }

check=xvfb-check-storage
. scripts/xvfb-session.sh
start_session
export XDG_RUNTIME_DIR=$scratch/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
prefs=$XDG_CONFIG_HOME/tirr-defaults/org.telvane.ListDialer.plist
mounted=""
cleanup_extra() { [ -z "$mounted" ] || umount "$mounted" 2>/dev/null || true; }

on_failure() { for log in "$scratch"/*.log; do echo "--- $log" >&2; cat "$log" >&2; done; }
window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
exited() { for _ in $(seq "${2:-100}"); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; return 1; }
stored_count() {
  /usr/bin/python3 -c 'import plistlib,sys; print(len(plistlib.load(open(sys.argv[1],"rb"))["data"]))' "$prefs"
}
start() {  # start LOG [ARGS...]; sets $app_pid
  local log=$1
  shift
  "$app" "$@" >"$scratch/$log.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
}

printf 'Phone\n555 0100\n555 0101\n555 0102\n' >"$scratch/three.txt"
{
  echo Phone
  seq -f '555 %06g' 100000
} >"$scratch/many.txt"

# 1. A second launch brings the file to the running window and exits.
start first
first=$app_pid
main=$(window '^Telvane List Dialer$') || fail "the main window did not appear"
start second "$scratch/three.txt"
exited "$app_pid" 100 || fail "the second instance did not exit"
wait "$app_pid" || fail "the second instance failed"
[ "$(xdotool search --onlyvisible --name '^Telvane List Dialer$' | wc -l)" = 1 ] || fail "two main windows"
keys "$main" ctrl+q
exited "$first" || fail "the first instance did not quit"
[ "$(stored_count)" = 3 ] || fail "the handed-over file was not loaded: $(stored_count) entries stored"

# 2. A lock left by a killed instance does not stop the next launch.
start killed
main=$(window '^Telvane List Dialer$') || fail "the main window did not appear"
kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true
start after-kill
main=$(window '^Telvane List Dialer$') || fail "no window after a stale lock: $(cat "$scratch/after-kill.log")"
keys "$main" ctrl+q
exited "$app_pid" || fail "the program did not quit after a stale lock"

# 3. A full disk: the preferences on a 2 MB file system, or, where mounting is
# not allowed, under a 2 MB file-size limit, which fails writes the same way.
export XDG_CONFIG_HOME=$scratch/full
prefs=$XDG_CONFIG_HOME/tirr-defaults/org.telvane.ListDialer.plist
mkdir -p "$XDG_CONFIG_HOME/tirr-defaults"
launcher=()
if mount -t tmpfs -o size=2m tmpfs "$XDG_CONFIG_HOME/tirr-defaults" 2>/dev/null; then
  mounted=$XDG_CONFIG_HOME/tirr-defaults
else
  launcher=(prlimit --fsize=2097152:unlimited)
fi
start small "$scratch/three.txt"
main=$(window '^Telvane List Dialer$') || fail "the main window did not appear"
keys "$main" ctrl+q
exited "$app_pid" || fail "the program did not quit"
[ "$(stored_count)" = 3 ] || fail "the small list was not stored"
before=$(sha256sum "$prefs")

"${launcher[@]}" "$app" "$scratch/many.txt" >"$scratch/full.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
main=$(window '^Telvane List Dialer$') || fail "the main window did not appear"
box=$(window '^Call List Not Saved$') || fail "a failed store was not told"
grep -q "^error: cannot write preferences file $prefs (" "$scratch/full.log" || fail "no log line for the failed store"
[ "$(sha256sum "$prefs")" = "$before" ] || fail "the stored file changed though storing failed"
[ -z "$shot" ] || import -window root "$shot"
keys "$box" Return
sleep 0.3
keys "$main" ctrl+q
box=$(window '^Quit Without Saving\?$') || fail "quitting with the list not stored did not ask"
keys "$box" Escape
sleep 0.5
kill -0 "$app_pid" 2>/dev/null || fail "cancelling the question quit anyway"

# Room again: the next retry stores the whole list by itself.
if [ -n "$mounted" ]; then mount -o remount,size=64m "$mounted"; else prlimit --pid "$app_pid" --fsize=unlimited; fi
for _ in $(seq 100); do [ "$(stored_count 2>/dev/null)" = 100000 ] && break; sleep 0.1; done
[ "$(stored_count)" = 100000 ] || fail "storing was not retried once there was room"
keys "$main" ctrl+q
exited "$app_pid" 100 || fail "the program did not quit once the list was stored"
echo "xvfb-check-storage: second instance, stale lock and full disk are handled in a real X window"
