#!/usr/bin/env bash
# The Debian package as a user gets it: cpack builds it from the build tree,
# then lintian, appstreamcli, desktop-file-validate and man check it, and the
# installed programs answer --help and --version.
#   package_test.sh BUILD_DIR
# Exit 77 (skipped) when a checker is missing.
set -uo pipefail
build=$1
for tool in cpack dpkg-deb lintian appstreamcli desktop-file-validate man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
deb=$(ls "$work"/pkg/*.deb)
echo "package: $(basename "$deb")"

# Errors and warnings fail; the informational and pedantic tags are shown.
lintian --pedantic --info --fail-on error,warning "$deb" 2>&1 | grep -v 'running with root privileges'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors or warnings"

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
usr=$work/root/usr
grep -q '^Recommends: .*fonts-noto-cjk' "$work/control/control" || fail "no CJK font in Recommends"
grep -q '^Suggests: .*wine64' "$work/control/control" || fail "wine64 not in Suggests"

metainfo=$(ls "$usr"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate: $metainfo"
id=$(basename "$metainfo" .metainfo.xml)
desktop=$usr/share/applications/$id.desktop
[ -f "$desktop" ] || fail "no menu entry $id.desktop beside the AppStream id $id"
out=$(desktop-file-validate "$desktop" 2>&1)
[ -z "$out" ] || fail "desktop-file-validate: $out"

pages=$(cd "$usr/share/man/man1" && echo *.1.gz)
[ "$pages" = "orbo-cli.1.gz orbo-portd.1.gz orbo.1.gz" ] || fail "manual pages: $pages"
for page in "$usr"/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man -l $(basename "$page"): $warnings"
done

# GNU --help and --version: exit 0, on stdout, without a display.
version=$(sed -n 's/^Version: //p' "$work/control/control")
for program in orbo orbo-cli orbo-portd; do
  if ! out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$usr/lib/orbo/$program" --version 2>/dev/null) ||
    [[ $out != "$program (ORBO box tool) $version"* ]]; then
    fail "$program --version: $out"
  fi
  env -u DISPLAY -u WAYLAND_DISPLAY "$usr/lib/orbo/$program" --help 2>/dev/null | grep -q "usage: $program" ||
    fail "$program --help"
done

# The completion offers the verbs and the port service's names; a stand-in
# orbo-cli answers "vcom status --json" as a running service would.
cat >"$work/orbo-cli" <<STUB
#!/bin/sh
[ "\$*" = "vcom status --json" ] && exec echo '{"name":"COM7","port.name":"COM7"}'
exec "$usr/lib/orbo/orbo-cli" "\$@"
STUB
chmod +x "$work/orbo-cli"
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _orbo_cli
           echo "${COMPREPLY[*]}"' _ "$usr/share/bash-completion/completions/orbo-cli" "$@"
}
[ "$(complete_words "$work/orbo-cli" bo)" = "box boxtypes" ] || fail "completion of verbs"
[ "$(complete_words "$work/orbo-cli" box --usb config "")" = "send fetch" ] || fail "completion of actions"
[[ " $(complete_words "$work/orbo-cli" vcom "") " == *" create "* ]] || fail "completion of vcom commands"
[ "$(complete_words "$work/orbo-cli" vcom delete "")" = "COM7" ] || fail "completion of vcom names"

[ "$failures" -eq 0 ] || exit 1
echo "package checks passed"
