#!/usr/bin/env bash
# Hostile files in a real X window, driven by keys: a named pipe (which once
# blocked the program for ever), a file with a 50 MB line (which once froze
# every paint and every launch), and a spreadsheet's UTF-16 "Unicode text".
# After each the program must answer at once, lose no key pressed meanwhile
# and keep what it had.
#   scripts/xvfb-check-import.sh        (expects build/default to be built)
set -euo pipefail
cd "$(dirname "$0")/.."
app=${TELVANE_APP:-$PWD/build/default/app/telvane-list-dialer}
[ -x "$app" ] || cmake --build build/default --target telvane-list-dialer >/dev/null

check=xvfb-check-import
. scripts/xvfb-session.sh
start_session

mkfifo "$scratch/pipe.txt"
printf '\xff\xfe' >"$scratch/unicode.txt"
printf 'Telefon\r\n030 1234\r\n+49 89 555\r\n' | iconv -f UTF-8 -t UTF-16LE >>"$scratch/unicode.txt"
{
  printf 'index\tnumber\tnote\n1\t555 0100\t'
  head -c 52428800 /dev/zero | tr '\0' 'x'
  printf '\n2\t555 0101\tshort\n'
} >"$scratch/long.txt"


on_failure() { [ -z "${XVFB_CHECK_SHOT:-}" ] || import -window root "$XVFB_CHECK_SHOT" 2>/dev/null || true; }
find_window() { timeout "$2" bash -c "$(declare -f window); window '$1'"; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN{printf "%.2f", b-a}'; }

launch() {
  "$app" >>"$scratch/app.log" 2>&1 &
  app_pid=$!
  main=$(find_window '^Telvane List Dialer$' 20) || fail "the main window did not appear"
}
# Waits until no window is titled $1: a dialog that is still closing must
# not be taken for the next one.
wait_gone() {
  for _ in $(seq 300); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0; sleep 0.1; done
  fail "$2"
}
load() {  # $1 = file
  keys "$main" ctrl+o
  local dialog
  dialog=$(find_window 'Load Call List' 20) || fail "the load dialog did not appear (loading $1)"
  type_path "$dialog" "$1"
  wait_gone 'Load Call List' "the load dialog did not close (loading $1)"
}
# Exports to $1, noting in answer_seconds how long the export dialog took to
# appear: the window must be answering keys again. Ctrl+E is pressed once,
# possibly while the program is still busy; the key must wait its turn, not be
# lost (a file dialog that closes with its name completer open, for one, must
# not leave the completer holding the keyboard while a load runs).
export_to() {
  local start dialog=""
  start=$(now)
  keys "$main" ctrl+e
  if ! dialog=$(find_window 'Export Call Log' 60); then
    keys "$main" ctrl+e
    find_window 'Export Call Log' 10 >/dev/null \
      && fail "Ctrl+E pressed while the program was busy was lost: only a second press opened the export dialog"
    fail "the export dialog did not appear in a minute: the window is not answering"
  fi
  since "$start" >"$scratch/answer_seconds"
  type_path "$dialog" "$1"
  wait_gone 'Export Call Log' "the export dialog did not close"
  for _ in $(seq 300); do [ -s "$1" ] && return 0; sleep 0.1; done
  fail "nothing was exported to $1"
}
quit() {
  keys "$main" ctrl+q
  for _ in $(seq 300); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not quit"
  app_pid=""
}

launch
# The named pipe is refused and the window answers at once.
load "$scratch/unicode.txt"
load "$scratch/pipe.txt"
export_to "$scratch/after_pipe.txt"
[ "$(cut -f2 "$scratch/after_pipe.txt" | tail -n +2 | tr '\n' '|')" = "030 1234|+49 89 555|" ] \
  || fail "after the pipe the list is not the UTF-16 file's: $(cat "$scratch/after_pipe.txt")"

# A 50 MB line: loading, painting and scrolling stay quick; the note is kept whole.
start=$(now)
load "$scratch/long.txt"
keys "$main" Down Up Down Up
export_to "$scratch/long_export.txt"
load_seconds=$(since "$start") load_answer=$(cat "$scratch/answer_seconds")
[ "$(awk -F'\t' 'NR==2 {print length($5)}' "$scratch/long_export.txt")" = 52428800 ] || fail "the 50 MB note was not kept whole"
quit
start=$(now)
launch
keys "$main" Down Up
export_to "$scratch/relaunch_export.txt"
launch_seconds=$(since "$start") launch_answer=$(cat "$scratch/answer_seconds")
cmp -s "$scratch/long_export.txt" "$scratch/relaunch_export.txt" || fail "the 50 MB note did not survive a relaunch"
quit
echo "xvfb-check-import: named pipe refused; UTF-16 loaded; 50 MB line kept whole (answering ${load_answer} s after the load, ${launch_answer} s after the launch; with the export of it ${load_seconds} s and ${launch_seconds} s)"
