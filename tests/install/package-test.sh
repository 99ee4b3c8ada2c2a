#!/usr/bin/env bash
# The Debian package as CPack makes it from the build folder: its dependencies found by dpkg-shlibdeps, its file
# list, and the programs run from a throw-away root. With MARROWFIN_TEST_DPKG_INSTALL=1 (CI, as root) it is also
# installed with dpkg and run from /usr/bin, then removed.
#   package-test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "package-test: $*" >&2
    exit 1
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/out/marrowfin_*.deb)
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' "$build/CMakeCache.txt")
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6widgets6 libqt6webenginewidgets6 libcurl4 libicu72; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for expected in ./usr/bin/marrowfin ./usr/bin/marrowfin-cli ./usr/lib/marrowfin/marrowfin_web.so \
    ./usr/share/applications/org.marrowfin.Marrowfin.desktop ./usr/share/metainfo/org.marrowfin.Marrowfin.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/marrowfin.svg ./usr/share/icons/hicolor/256x256/apps/marrowfin.png \
    ./usr/share/man/man1/marrowfin.1.gz ./usr/share/man/man1/marrowfin-cli.1.gz \
    ./usr/share/bash-completion/completions/marrowfin-cli ./usr/lib/systemd/user/marrowfin-watch.service \
    ./usr/lib/systemd/user/marrowfin-watch.timer ./usr/share/doc/marrowfin/copyright; do
    grep -qx -- "$expected" <<<"$files" || fail "the package lacks $expected"
done
! grep -q demo-site <<<"$files" || fail "the package holds the demo site"
! grep -qE '\.a$|/include/' <<<"$files" || fail "the package holds build files"

dpkg-deb -x "$deb" "$work/root"
[ "$("$work/root/usr/bin/marrowfin-cli" --version)" = "marrowfin-cli $version" ] || fail "marrowfin-cli from the package"
grep -q "^ExecStart=/usr/bin/marrowfin-cli watch --once --send$" "$work/root/usr/lib/systemd/user/marrowfin-watch.service" ||
    fail "the packaged service does not run /usr/bin/marrowfin-cli"
# Each command of the manual's Commands section begins a paragraph of its own, not the text of the one before it.
for command in new search favorites filters settings detail login logout whoami remote send history doctor watch; do
    gzip -dc "$work/root/usr/share/man/man1/marrowfin-cli.1.gz" | sed -n '/^\.SS "Commands:"/,$p' | grep -A1 '^\.TP' |
        grep -qE "^$command( |$)" || fail "man marrowfin-cli runs $command into the command before it"
done

if [ "${MARROWFIN_TEST_DPKG_INSTALL:-}" = 1 ] && [ "$(id -u)" = 0 ]; then
    dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i"; }
    trap 'dpkg -P marrowfin >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
    [ "$(/usr/bin/marrowfin-cli --version)" = "marrowfin-cli $version" ] || fail "/usr/bin/marrowfin-cli"
    [ "$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/marrowfin --version)" = "marrowfin $version" ] || fail "/usr/bin/marrowfin"
    echo "package-test: installed with dpkg and run from /usr/bin"
fi
echo "package-test: all checks passed ($(basename "$deb"))"
