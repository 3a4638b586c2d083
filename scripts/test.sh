#!/usr/bin/env bash
# Sets up, builds and runs every test. With "sanitize" as argument the same
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
scripts/setup.sh
scripts/build.sh "$preset"
ctest --preset "$preset" -j2
