#!/usr/bin/env bash
# Builds the Debian package, has lintian check it (any error fails), unpacks it into a temporary
# root (dpkg -x) and checks it as a user would meet it: the installed krelvan-cli lists the
# installed demo product, the demo's folders start the settings and link tools installed in
# /usr/lib/krelvan (also from a copy of the demo), the man pages, completion, copyright and
# changelog are there, and the desktop entry is valid.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/krelvan-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack did not build the package"
deb=$(ls "$work"/out/krelvan_*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt runtime"

# What lintian says is shown whole; any error fails.
lintian_out=$(lintian --fail-on none "$deb" 2> >(grep -v 'running with root privileges' >&2))
[[ -z "$lintian_out" ]] || echo "$lintian_out"
grep -q '^E: ' <<<"$lintian_out" && fail "lintian reports errors"

dpkg -x "$deb" "$work/root"
usr="$work/root/usr"
for f in bin/krelvan bin/krelvan-cli bin/kvxsim lib/krelvan/SettingsTool lib/krelvan/LinkTool \
         share/krelvan/demo/product/Program/SettingsTool share/krelvan/demo/product/System/LinkTool \
         share/krelvan/demo/product/System/ImageKey.pub \
         share/man/man1/krelvan.1.gz share/man/man1/krelvan-cli.1.gz share/man/man1/kvxsim.1.gz \
         share/bash-completion/completions/krelvan-cli share/doc/krelvan/copyright \
         share/doc/krelvan/changelog.Debian.gz share/doc/krelvan/package.md \
         share/icons/hicolor/scalable/apps/krelvan.svg share/applications/krelvan.desktop; do
  [[ -e "$usr/$f" ]] || fail "$f is not in the package"
done
[[ -e "$usr/share/krelvan/demo/make-binaries.sh" ]] && fail "the demo's generator is packaged"
version=$(dpkg-deb -f "$deb" Version)
[[ $(zcat "$usr/share/doc/krelvan/changelog.Debian.gz" | head -1) == "krelvan ($version) "* ]] ||
  fail "the changelog's newest entry is not version $version"

# The demo product is read-only where it is installed; it is used from a copy.
cp -r "$usr/share/krelvan/demo" "$work/demo"
expected=$'1\tVelmoro Classic\tKVX200 heating controller\n2\tVelmoro Optima\tKVX210 air handling controller\n3\tVelmoro Optima C\tKVX300C KVXreal C controller\n4\tVelmoro Lumen\tLumen room unit'
got=$("$usr/bin/krelvan-cli" catalogue --machine "$work/demo/machine")
[[ "$got" == "$expected" ]] || fail "installed krelvan-cli catalogue printed: $got"
got=$("$usr/bin/krelvan-cli" catalogue --machine "$usr/share/krelvan/demo/machine" --model 3)
[[ "$got" == *"3.1-0-02"* ]] || fail "the installed demo product in place does not list: $got"

# The tools' starters in the copy run the tools as installed (/usr here being the unpacked root).
for starter in product/Program/SettingsTool product/System/LinkTool; do
  [[ -x "$work/demo/$starter" ]] || fail "$starter is not executable in the copy of the demo"
  grep -q "^exec '/usr/lib/krelvan/${starter##*/}' \"\$@\"$" "$work/demo/$starter" ||
    fail "$starter does not start /usr/lib/krelvan/${starter##*/}"
  sed "s|'/usr/|'$usr/|" "$work/demo/$starter" | sh -s -- --help | grep -q -- '--batch' ||
    fail "${starter##*/} does not answer --help through $starter"
done

zcat "$usr/share/man/man1/krelvan-cli.1.gz" | grep -q 'partitions' ||
  fail "the man page of krelvan-cli lacks its commands"
zcat "$usr/share/man/man1/krelvan.1.gz" | grep -q -- 'machine' ||
  fail "the man page of krelvan lacks its options"
grep -q 'complete -F _krelvan_cli krelvan-cli' "$usr/share/bash-completion/completions/krelvan-cli" ||
  fail "the completion does not complete krelvan-cli"
desktop-file-validate "$usr/share/applications/krelvan.desktop" || fail "desktop entry invalid"
echo "package ok: $(basename "$deb")"
