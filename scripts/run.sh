#!/usr/bin/env bash
# Sets up, builds and launches Telvane List Dialer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh default
exec build/default/app/telvane-list-dialer "$@"
