#!/usr/bin/env bash
# Works through a call list in a real X window by keys alone, the way a person
# making calls does: Return (dial), Space (success), type a note, Return (next
# row), Return (dial), then Dial Next (Ctrl+N) over a number that is refused
# and on to the end of the list. A fake tel: handler records what reached it;
# the stored preferences must hold the stamps and the note, and the refused
# row must be left unstamped.
#   scripts/xvfb-check-calling.sh [--built] [--screenshot FILE]
# --built skips set-up and build (scripts/xvfb-check.sh has done both).
set -euo pipefail
cd "$(dirname "$0")/.."
built=""
[ "${1:-}" = --built ] && { built=1; shift; }
[ -n "${TELVANE_APP:-}" ] && built=1
shot=""
[ "${1:-}" = --screenshot ] && shot=$(realpath -m "$2")
if [ -z "$built" ]; then
  scripts/setup.sh
  scripts/build.sh default >/dev/null
fi
app=${TELVANE_APP:-$PWD/build/default/app/telvane-list-dialer}

check=xvfb-check-calling
. scripts/xvfb-session.sh
start_session
register_fake_dialer
printf 'Phone\n555 0100\n+1 (555) 010-1 ext. 21\n555-CALL\n٠١٢٣ ٤٥٦\n' >"$scratch/calls.txt"

keys() { xdotool windowfocus --sync "$main"; xdotool key --delay 60 "$@"; sleep 0.4; }
dialled_lines() { [ -f "$scratch/dialled.txt" ] && wc -l <"$scratch/dialled.txt" || echo 0; }
wait_for_dials() {
  for _ in $(seq 100); do [ "$(dialled_lines)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "expected $1 dials, the dialer got: $(cat "$scratch/dialled.txt" 2>/dev/null)"
}

"$app" >"$scratch/app.log" 2>&1 &
app_pid=$!
main=$(timeout 20 bash -c "$(declare -f window); window '^Telvane List Dialer$'") || fail "the main window did not appear"

keys ctrl+o
dialog=$(timeout 20 bash -c "$(declare -f window); window 'Load Call List'") || fail "the load dialog did not appear"
xdotool windowfocus --sync "$dialog"
xdotool key ctrl+a
xdotool type --delay 5 "$scratch/calls.txt"
xdotool key Return
sleep 0.8

keys Return                 # dial the first row
wait_for_dials 1
keys space                  # it succeeded
xdotool windowfocus --sync "$main"
xdotool type --delay 60 "7 pm callback"   # "7" starts the note, it does not jump to a row
keys Return                 # store the note, next row
keys Return                 # dial the second row
wait_for_dials 2
keys ctrl+n                 # the third row is no telephone number: refused, not stamped
keys ctrl+n                 # the fourth row
wait_for_dials 3
keys ctrl+n                 # the end of the list
sleep 0.5
[ "$(dialled_lines)" -eq 3 ] || fail "a key dialled more than asked: $(cat "$scratch/dialled.txt")"

if [ -n "$shot" ]; then
  sleep 0.3
  import -window "$main" "$shot"
fi

keys ctrl+q
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not quit"
app_pid=""

expected=$(printf 'tel:5550100\ntel:+1(555)010-1;ext=21\ntel:0123456')
[ "$(cat "$scratch/dialled.txt")" = "$expected" ] || fail "the dialer got: $(cat "$scratch/dialled.txt")"
/usr/bin/python3 - "$XDG_CONFIG_HOME/tirr-defaults/org.telvane.ListDialer.plist" <<'PY' || fail "the stored list is wrong"
import plistlib, sys
data = plistlib.load(open(sys.argv[1], "rb"))["data"]
assert [r["number"] for r in data] == ["555 0100", "+1 (555) 010-1 ext. 21", "555-CALL", "٠١٢٣ ٤٥٦"], data
assert "date" in data[0] and data[0]["success"] is True and data[0]["note"] == "7 pm callback", data[0]
assert "date" in data[1] and data[1]["success"] is False and data[1]["note"] == "", data[1]
assert "date" not in data[2], data[2]
assert "date" in data[3], data[3]
PY
echo "xvfb-check-calling: the calling rhythm works by keys alone in a real X window"
