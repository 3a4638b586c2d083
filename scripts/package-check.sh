#!/usr/bin/env bash
# Checks the program as a user gets it: the installed tree's desktop entry and
# AppStream metadata validate; the Debian package installs into a clean
# Debian 12 system made here with debootstrap, pulling in its dependencies from
# the archive; and there the installed program answers --version, exports and
# imports without a display, and passes the same check in a real X window.
set -euo pipefail
cd "$(dirname "$0")/.."
package=$(scripts/package.sh)

tree=$(mktemp -d)
root=""
cleanup() {
  if [ -n "$root" ]; then
    for mount in dev/pts dev proc sys; do umount -l "$root/$mount" 2>/dev/null || true; done
    rm -rf --one-file-system "$root"
  fi
  rm -rf "$tree"
}
trap cleanup EXIT

DESTDIR=$tree cmake --install build/default --prefix /usr >/dev/null
desktop-file-validate "$tree"/usr/share/applications/org.telvane.ListDialer.desktop
appstreamcli validate --no-net "$tree"/usr/share/metainfo/org.telvane.ListDialer.metainfo.xml
for file in usr/bin/telvane-list-dialer usr/share/icons/hicolor/scalable/apps/org.telvane.ListDialer.svg \
            usr/share/icons/hicolor/48x48/apps/org.telvane.ListDialer.png \
            usr/share/icons/hicolor/256x256/apps/org.telvane.ListDialer.png; do
  [ -s "$tree/$file" ] || { echo "package-check: $file is not installed" >&2; exit 1; }
done

root=$(mktemp -d /var/tmp/telvane-root.XXXXXX)
echo "== a clean Debian 12 system in $root"
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$tree/debootstrap.log" 2>&1 ||
  { tail -n 20 "$tree/debootstrap.log"; exit 1; }
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
cp "$package" "$root/tmp/"
mkdir -p "$root/opt/check"
cp -r scripts "$root/opt/check/"

in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    XDG_RUNTIME_DIR=/tmp/runtime "$@"
}
echo "== installing $(basename "$package") and the X tools the window check drives it with"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "/tmp/$(basename "$package")" >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  xvfb xauth x11-utils xdotool xdg-utils dbus fonts-dejavu-core python3 util-linux >/dev/null

echo "== the installed program without a display"
mkdir -p -m 0700 "$root/tmp/runtime"
in_root telvane-list-dialer --version
in_root env LANG=de_DE.UTF-8 telvane-list-dialer --help | grep -q "Eine Liste von Telefonnummern abarbeiten" ||
  { echo "package-check: the German translation is not used under LANG=de_DE.UTF-8" >&2; exit 1; }
in_root sh -ec '
  export XDG_CONFIG_HOME=$(mktemp -d)
  printf "Phone\n555 0100\n" >/tmp/calls.txt
  telvane-list-dialer --import /tmp/calls.txt
  telvane-list-dialer --export /tmp/export.txt
  grep -q "555 0100" /tmp/export.txt'

echo "== the installed program in a real X window"
in_root env TELVANE_APP=/usr/bin/telvane-list-dialer /opt/check/scripts/xvfb-check.sh
echo "package-check: passed"
