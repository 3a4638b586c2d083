#!/usr/bin/env bash
# Drives the built program in a real X server the way a person would: load a
# call list through the file dialog, dial the first entry through a fake tel:
# handler reached by xdg-open, export, quit; then checks the export file, what
# the dialer received and the stored preferences.
#   scripts/xvfb-check.sh [--screenshot FILE]
# With TELVANE_APP set, that program is checked (an installed copy) and
# nothing is set up or built.
set -euo pipefail
cd "$(dirname "$0")/.."
shot=""
[ "${1:-}" = --screenshot ] && shot=$(realpath -m "$2")
if [ -n "${TELVANE_APP:-}" ]; then
  app=$TELVANE_APP
else
  scripts/setup.sh
  scripts/build.sh default >/dev/null
  app=$PWD/build/default/app/telvane-list-dialer
fi

check=xvfb-check
. scripts/xvfb-session.sh
start_session
register_fake_dialer
printf 'Phone\n555 0100\n+49 30 1234567\n' >"$scratch/calls.txt"

"$app" >"$scratch/app.log" 2>&1 &
app_pid=$!
main=$(timeout 20 bash -c "$(declare -f window); window '^Telvane List Dialer$'") || fail "the main window did not appear"

keys "$main" ctrl+o
dialog=$(timeout 20 bash -c "$(declare -f window); window 'Load Call List'") || fail "the load dialog did not appear"
type_path "$dialog" "$scratch/calls.txt"
sleep 0.5

keys "$main" ctrl+d
wait_for "$scratch/dialled.txt" "the fake dialer was not reached"

keys "$main" ctrl+e
dialog=$(timeout 20 bash -c "$(declare -f window); window 'Export Call Log'") || fail "the export dialog did not appear"
type_path "$dialog" "$scratch/export.txt"
wait_for "$scratch/export.txt" "nothing was exported"

if [ -n "$shot" ]; then
  xdotool windowfocus --sync "$main"
  sleep 0.3
  import -window "$main" "$shot"
fi

# A script may not replace the stored list under the running window.
status=0
"$app" --import "$scratch/calls.txt" >/dev/null 2>"$scratch/import.err" || status=$?
[ "$status" = 75 ] || fail "--import while the window runs answered $status: $(cat "$scratch/import.err")"

keys "$main" ctrl+q
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not quit"
app_pid=""

grep -qx 'tel:5550100' "$scratch/dialled.txt" || fail "the dialer got $(cat "$scratch/dialled.txt")"
[ "$(sed -n 1p "$scratch/export.txt")" = "$(printf 'index\tnumber\tdate\tsuccess\tnote')" ] || fail "bad export header"
awk -F'\t' 'NR==2 && $1=="1" && $2=="555 0100" && $3!="" && $4=="0" {ok=1} END {exit !ok}' "$scratch/export.txt" \
  || fail "the dialled entry is not in the export: $(sed -n 2p "$scratch/export.txt")"
awk -F'\t' 'NR==3 && $1=="2" && $2=="+49 30 1234567" && $3=="" {ok=1} END {exit !ok}' "$scratch/export.txt" \
  || fail "the second entry is not in the export: $(sed -n 3p "$scratch/export.txt")"
/usr/bin/python3 - "$XDG_CONFIG_HOME/tirr-defaults/org.telvane.ListDialer.plist" <<'PY' || fail "the stored preferences are wrong"
import plistlib, sys
prefs = plistlib.load(open(sys.argv[1], "rb"))
data = prefs["data"]
assert [r["number"] for r in data] == ["555 0100", "+49 30 1234567"], data
assert "date" in data[0] and "date" not in data[1], data
assert "NSWindow Frame Main" in prefs and "NSNavLastRootDirectory" in prefs, sorted(prefs)
PY
echo "xvfb-check: load, dial, export and quit work in a real X window"
scripts/xvfb-check-calling.sh --built
scripts/xvfb-check-storage.sh
scripts/xvfb-check-import.sh
