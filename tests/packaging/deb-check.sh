#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its control fields, its dependencies as
# dpkg-shlibdeps found them, its file list, and lintian's verdict (errors fail, warnings are
# listed).
#   deb-check.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
debs=("$work"/veltroma-monitor_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package in $work"
deb=${debs[0]}
echo "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = veltroma-monitor ] || fail "Package: $(field Package)"
[ "$(field Version)" = 3.00 ] || fail "Version: $(field Version)"
[ "$(field Section)" = electronics ] || fail "Section: $(field Section)"
[[ "$(field Maintainer)" == *"Veltroma monitor"*"<"*"@"*">" ]] || fail "Maintainer: $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6network6 libqcustomplot libfreexl libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/veltroma-monitor \
            ./usr/share/applications/org.veltroma.Monitor.desktop \
            ./usr/share/metainfo/org.veltroma.Monitor.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/org.veltroma.Monitor.svg \
            ./usr/share/icons/hicolor/48x48/apps/org.veltroma.Monitor.png \
            ./usr/share/man/man1/veltroma-monitor.1.gz \
            ./usr/share/doc/veltroma-monitor/copyright \
            ./usr/share/doc/veltroma-monitor/changelog.gz \
            ./usr/share/doc/veltroma-monitor/README.md \
            ./usr/lib/systemd/system/veltroma-monitor@.service; do
  grep -qxF "$file" <<<"$files" || fail "the package lacks $file"
done
# The unit is read whole before it is matched: under pipefail a grep -q at the end of the pipe
# would leave early and let SIGPIPE fail the writers.
unit=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/system/veltroma-monitor@.service)
grep -qx 'ExecStart=/usr/bin/veltroma-monitor --headless' <<<"$unit" || fail "the unit does not start /usr/bin/veltroma-monitor"
grep -qx 'ProtectSystem=strict' <<<"$unit" || fail "the packaged unit is not the sandboxed one"

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 --display-info "$deb" >"$work/lintian.txt" 2>&1 || true
  echo "lintian:"
  sed 's/^/  /' "$work/lintian.txt"
  ! grep -q '^E: ' "$work/lintian.txt" || fail "lintian reports errors"
else
  fail "lintian is not installed"
fi
echo "package check passed"
