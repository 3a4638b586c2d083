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

scratch=$(mktemp -d)
export HOME=$scratch XDG_CONFIG_HOME=$scratch/.config XDG_DATA_HOME=$scratch/.local/share
export XDG_STATE_HOME=$scratch/.local/state XDG_CURRENT_DESKTOP=X-Generic LC_ALL=C.UTF-8 LANG=C.UTF-8
unset DBUS_SESSION_BUS_ADDRESS || true
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$HOME/Desktop"

# The stand-in dialer for tel: URIs writes each URI it is given on a line.
cat >"$scratch/fake-dialer" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$1" >>"$scratch/dialled.txt"
SCRIPT
chmod +x "$scratch/fake-dialer"
cat >"$XDG_DATA_HOME/applications/fake-dialer.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Fake Dialer
Exec=$scratch/fake-dialer %u
MimeType=x-scheme-handler/tel;
DESKTOP
printf '[Default Applications]\nx-scheme-handler/tel=fake-dialer.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"

printf 'Phone\n555 0100\n+1 (555) 010-1 ext. 21\n555-CALL\n٠١٢٣ ٤٥٦\n' >"$scratch/calls.txt"

display=:$((190 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || sleep 1

fail() { echo "xvfb-check-calling: $*" >&2; exit 1; }
window() { xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
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
