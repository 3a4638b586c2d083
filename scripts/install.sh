#!/usr/bin/env bash
# Sets up, builds, packages and installs Telvane List Dialer system-wide (as a
# Debian package, so `apt remove telvane-list-dialer` takes it away again).
set -euo pipefail
cd "$(dirname "$0")/.."
package=$(scripts/package.sh)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --reinstall "$package"
