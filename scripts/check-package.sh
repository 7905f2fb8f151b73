#!/usr/bin/env bash
# CI: builds the Debian package (reusing the build folder) and checks it as a
# user's machine would meet it: the files it holds, its desktop entry, chip
# file type and AppStream data, lintian, the manual pages, and the programs
# run from an unpacked copy, away from the source tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${NORIX_BUILD_DIR:-build}

NORIX_EXTRA_PACKAGES="lintian desktop-file-utils appstream shared-mime-info man-db bash-completion" \
    scripts/setup.sh package

failures=0
fail() {
    echo "check-package: $*" >&2
    failures=$((failures + 1))
}

deb=$(ls -t "$build_dir"/norixgui_*.deb | head -n 1)
version=$(dpkg-deb -f "$deb" Version)
echo "== $deb ($version)"

echo "== Files"
contents=$(dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); print $6 }')
expected=(
    /usr/bin/norixgui /usr/bin/norix /usr/bin/norix-sim
    /usr/share/norixgui/examples/chips/7400.chip
    /usr/share/norixgui/examples/fonts/Norix5x7.txt
    /usr/share/norixgui/examples/images/NorixLogo.txt
    /usr/share/applications/org.norixgui.NorixGUI.desktop
    /usr/share/metainfo/org.norixgui.NorixGUI.metainfo.xml
    /usr/share/mime/packages/norixgui.xml
    /usr/share/icons/hicolor/scalable/apps/norixgui.svg
    /usr/share/man/man1/norix.1.gz /usr/share/man/man1/norix-sim.1.gz
    /usr/share/man/man1/norixgui.1.gz
    /usr/share/bash-completion/completions/norix
    /usr/share/doc/norixgui/copyright /usr/share/doc/norixgui/changelog.Debian.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/norixgui.png")
done
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q "libqt6widgets6" <<<"$depends" || fail "Depends lacks the Qt libraries found by dpkg-shlibdeps"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

echo "== Desktop entry, chip file type, AppStream"
desktop-file-validate "$root/usr/share/applications/org.norixgui.NorixGUI.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.norixgui.NorixGUI.metainfo.xml" ||
    fail "appstreamcli validate"
grep -qF "<release version=\"${version%-*}\"" \
    "$root/usr/share/metainfo/org.norixgui.NorixGUI.metainfo.xml" ||
    fail "the AppStream data lacks the release ${version%-*}"
# Pointed at the unpacked tree so that it does not warn that the tree is not searched.
XDG_DATA_DIRS=$root/usr/share update-mime-database "$root/usr/share/mime" || fail "update-mime-database"
grep -qxF "application/x-norix-chip:*.chip" "$root/usr/share/mime/globs" ||
    fail "the chip file type does not claim *.chip"

echo "== Manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian found errors"

echo "== Programs from the unpacked package"
bin=$root/usr/bin
[ "$("$bin/norix" --version)" = "norix ${version%-*}" ] || fail "norix --version"
QT_QPA_PLATFORM=offscreen "$bin/norixgui" --version 2>/dev/null | grep -qxF "NorixGUI ${version%-*}" ||
    fail "norixgui --version"
# One sample taken out of the unpacked copy shows which samples were read:
# those installed beside the program, not the source tree's.
rm "$root/usr/share/norixgui/examples/chips/7400.chip"
chips=$("$bin/norix" -q -p sim chips) || fail "norix -p sim chips"
echo "$chips"
grep -q ": 6116$" <<<"$chips" || fail "norix -p sim chips lacks the installed samples"
grep -q ": 7400$" <<<"$chips" && fail "norix -p sim chips read samples from outside the package"
sim_log=$(timeout 2 "$bin/norix-sim" 2>&1 >/dev/null || true)
grep -q "sample content: 2 chips" <<<"$sim_log" || fail "norix-sim did not read the installed samples: $sim_log"

echo "== Completion"
bash tests/packaging/completion_test.sh "$root/usr/share/bash-completion/completions/norix" \
    "$bin/norix" dist/man/norix.1.txt || fail "completion"

[ "$failures" -eq 0 ] || { echo "check-package: $failures check(s) failed" >&2; exit 1; }
echo "check-package: all checks passed"
