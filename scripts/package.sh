#!/usr/bin/env bash
# Sets up, builds and makes the Debian package; prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
scripts/build.sh default >&2
rm -f build/default/telvane-list-dialer_*.deb
(cd build/default && cpack -G DEB >&2)
ls "$PWD"/build/default/telvane-list-dialer_*.deb
