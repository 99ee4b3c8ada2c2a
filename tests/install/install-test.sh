#!/usr/bin/env bash
# An install into a temporary prefix, as a user's `cmake --install` makes it: the programs run from there, the demo
# site stays out unless asked for, the desktop entry and the metainfo pass their validators, the man pages name
# every command, and the icon, the completion and the watcher's units are in place.
#   install-test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
    echo "install-test: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' "$build/CMakeCache.txt")
[ "$("$prefix/bin/marrowfin-cli" --version)" = "marrowfin-cli $version" ] || fail "marrowfin-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/marrowfin" --version)" = "marrowfin $version" ] ||
    fail "marrowfin --version, without a display"
[ -f "$prefix/lib/marrowfin/marrowfin_web.so" ] || fail "the web page module is not beside the programs"
[ ! -e "$prefix/bin/marrowfin-demo-site" ] || fail "the demo site was installed without its component"

desktop="$prefix/share/applications/org.marrowfin.Marrowfin.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/org.marrowfin.Marrowfin.metainfo.xml" >/dev/null ||
    fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.marrowfin.Marrowfin.metainfo.xml" ||
    fail "the metainfo names another version"
for size in 16 22 24 32 48 64 128 256 512; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/marrowfin.png"
    [ "$(file -b "$png" | sed -nE 's/.*PNG image data, ([0-9]+) x ([0-9]+).*/\1x\2/p')" = "${size}x${size}" ] ||
        fail "icon $png"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/marrowfin.svg" ] || fail "the scalable icon"

# Every command of marrowfin-cli's help is in its man page.
page=$(zcat "$prefix/share/man/man1/marrowfin-cli.1.gz")
commands=$("$prefix/bin/marrowfin-cli" --help | sed -n '/^Commands:/,/^$/p' | sed -nE 's/^  ([a-z]+) .*/\1/p')
[ "$(wc -w <<<"$commands")" -ge 14 ] || fail "the help lists too few commands: $commands"
for command in $commands; do
    grep -q -- "$command" <<<"$page" || fail "the man page lacks $command"
done
zcat "$prefix/share/man/man1/marrowfin.1.gz" | grep -q 'config.-dir' || fail "marrowfin.1 lacks its options"

completion="$prefix/share/bash-completion/completions/marrowfin-cli"
bash -n "$completion" || fail "the completion is not valid bash"
for command in $commands; do
    grep -q "\b$command\b" "$completion" || fail "the completion lacks $command"
done
grep -q "^ExecStart=$prefix/bin/marrowfin-cli watch --once --send$" "$prefix/lib/systemd/user/marrowfin-watch.service" ||
    fail "the service does not run the installed watcher"
grep -q '^WantedBy=timers.target$' "$prefix/lib/systemd/user/marrowfin-watch.timer" || fail "the timer"

cmake --install "$build" --prefix "$prefix" --component demo >/dev/null
[ -x "$prefix/bin/marrowfin-demo-site" ] || fail "the demo component"
echo "install-test: all checks passed"
