#!/usr/bin/env bash
# Event-loop stalls while ticking boxes and typing notes in a stored call list,
# and the time to quit, with the background writer and with storing on the
# main thread, in a real X server when one can be started.
#   bench/save_stall_bench.sh [ROWS] [BUILD_DIR]
set -euo pipefail
rows=${1:-1000000}
build=${2:-build/default}
bench=$build/bench/save_stall_bench
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [ -z "${xvfb:-}" ] || kill "$xvfb"' EXIT
. "$(dirname "$0")/x_server.sh"
export LC_ALL=C.UTF-8
for mode in "" --foreground; do
  export XDG_CONFIG_HOME=$scratch/config$mode HOME=$scratch/home$mode
  mkdir -p "$XDG_CONFIG_HOME" "$HOME"
  "$bench" "$rows" $mode
done
