# Shared by the Xvfb checks; sourced, not run. Set `check` (the script's name
# for failure messages) before sourcing, then call start_session.
#   start_session          a throw-away home with its own XDG folders, a private
#                          X server on a free display, and cleanup on exit
#   register_fake_dialer   tel: URIs go to a stand-in dialer that appends each
#                          URI it is given to $scratch/dialled.txt
# On exit the program in $app_pid and those in the array `pids` are ended; a
# script may define `cleanup_extra` for more, and `on_failure` to add to what
# `fail` prints.

start_session() {
  scratch=$(mktemp -d)
  export HOME=$scratch XDG_CONFIG_HOME=$scratch/.config XDG_DATA_HOME=$scratch/.local/share
  export XDG_STATE_HOME=$scratch/.local/state XDG_CURRENT_DESKTOP=X-Generic LC_ALL=C.UTF-8 LANG=C.UTF-8
  unset DBUS_SESSION_BUS_ADDRESS || true
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$HOME/Desktop"
  app_pid=""
  pids=()
  trap end_session EXIT
  # Xvfb picks a free display itself and writes its number once it is ready.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  [ -s "$scratch/display" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -n 1 "$scratch/display") QT_QPA_PLATFORM=xcb
}

end_session() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  if declare -F cleanup_extra >/dev/null; then cleanup_extra; fi
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}

register_fake_dialer() {
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
}

fail() {
  echo "$check: $*" >&2
  if declare -F on_failure >/dev/null; then on_failure; fi
  exit 1
}
window() { xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
keys() { xdotool windowfocus --sync "$1"; shift; xdotool key --delay 30 "$@"; }
type_path() { xdotool windowfocus --sync "$1"; xdotool key ctrl+a; xdotool type --delay 5 "$2"; xdotool key Return; }
wait_for() { for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done; fail "$2"; }
