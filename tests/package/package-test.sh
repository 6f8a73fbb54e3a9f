#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root (dpkg -x) and checks it as a user
# would meet it: the installed krelvan-cli lists the installed demo product, the settings tool
# and the man pages are there, and the desktop entry is valid.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/krelvan-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack did not build the package"
deb=$(ls "$work"/out/krelvan_*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt runtime"
dpkg -x "$deb" "$work/root"
usr="$work/root/usr"

for f in bin/krelvan bin/krelvan-cli bin/kvxsim share/krelvan/demo/product/Program/SettingsTool \
         share/krelvan/demo/product/System/LinkTool share/krelvan/demo/product/System/ImageKey.pub \
         share/man/man1/krelvan-cli.1.gz share/man/man1/kvxsim.1.gz \
         share/icons/hicolor/scalable/apps/krelvan.svg share/applications/krelvan.desktop; do
  [[ -e "$usr/$f" ]] || fail "$f is not in the package"
done
[[ -e "$usr/share/krelvan/demo/make-binaries.sh" ]] && fail "the demo's generator is packaged"

# The demo product is read-only where it is installed; it is used from a copy.
cp -r "$usr/share/krelvan/demo" "$work/demo"
expected=$'1\tVelmoro Classic\tKVX200 heating controller\n2\tVelmoro Optima\tKVX210 air handling controller\n3\tVelmoro Optima C\tKVX300C KVXreal C controller\n4\tVelmoro Lumen\tLumen room unit'
got=$("$usr/bin/krelvan-cli" catalogue --machine "$work/demo/machine")
[[ "$got" == "$expected" ]] || fail "installed krelvan-cli catalogue printed: $got"
got=$("$usr/bin/krelvan-cli" catalogue --machine "$usr/share/krelvan/demo/machine" --model 3)
[[ "$got" == *"3.1-0-02"* ]] || fail "the installed demo product in place does not list: $got"

"$usr/share/krelvan/demo/product/Program/SettingsTool" --help | grep -q -- '--batch' ||
  fail "the settings tool does not answer --help"
"$usr/share/krelvan/demo/product/System/LinkTool" --help | grep -q -- '--batch' ||
  fail "the link tool does not answer --help"
zcat "$usr/share/man/man1/krelvan-cli.1.gz" | grep -q 'partitions' ||
  fail "the man page of krelvan-cli lacks its commands"
desktop-file-validate "$usr/share/applications/krelvan.desktop" || fail "desktop entry invalid"
echo "package ok: $(basename "$deb")"
