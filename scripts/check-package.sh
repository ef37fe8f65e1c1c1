#!/usr/bin/env bash
# Checks the Debian package in build/package (made by `cpack --preset ci`) and the install
# tree of the ci build: both hold exactly the expected files; lintian finds no error or
# warning; the desktop entry, the AppStream metainfo, the MIME description and the manual
# pages pass their validators; the programs carry no run path into the build tree; and,
# unpacked into a scratch root, the installed programs run: --version (without loading Qt),
# events and report on a bundled sample, and the window on a file.
set -euo pipefail
cd "$(dirname "$0")/.."

id=example.halvern_photonix.otdrview
version=$(sed -n 's/^project(otdrview VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
shopt -s nullglob
debs=(build/package/otdr-viewer_"$version"_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "expected one package build/package/otdr-viewer_${version}_*.deb, found ${#debs[@]}" >&2
    exit 1
fi
deb=${debs[0]}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "check-package: $*" >&2; exit 1; }

# The report module of otdr lies in the package's private folder of the multiarch libraries.
multiarch=$(gcc -print-multiarch)
module=lib/$multiarch/otdr-viewer/otdr-report.so

expected() {
    local p=$1
    echo "$p/bin/otdr"
    echo "$p/bin/otdrview"
    echo "$p/$module"
    echo "$p/share/doc/otdr-viewer/changelog.gz"
    echo "$p/share/doc/otdr-viewer/copyright"
    echo "$p/share/applications/$id.desktop"
    for s in 16 22 24 32 48 64 128 256; do echo "$p/share/icons/hicolor/${s}x${s}/apps/otdrview.png"; done
    echo "$p/share/icons/hicolor/scalable/apps/otdrview.svg"
    echo "$p/share/man/man1/otdr.1.gz"
    echo "$p/share/man/man1/otdrview.1.gz"
    echo "$p/share/metainfo/$id.metainfo.xml"
    echo "$p/share/mime/packages/$id.xml"
}

echo "-- install tree"
cmake --install build/ci --prefix "$scratch/prefix" >/dev/null
diff <(expected "$scratch/prefix" | sort) <(find "$scratch/prefix" -type f | sort) ||
    fail "the install tree does not hold exactly the expected files"

echo "-- package contents: $deb"
diff <(expected ./usr | sort) <(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort) ||
    fail "the package does not hold exactly the expected files"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for d in libc6 libstdc++6 libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins fonts-wqy-microhei; do
    grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d"
done

echo "-- lintian"
if ! findings=$(lintian --fail-on error,warning "$deb" 2>&1); then
    printf '%s\n' "$findings" >&2
    fail "lintian reports errors or warnings"
fi

root=$scratch/root
dpkg -x "$deb" "$root"
zcat "$root/usr/share/doc/otdr-viewer/changelog.gz" | head -n 1 | grep -q "^otdr-viewer ($version) " ||
    fail "the changelog's last entry is not version $version"

echo "-- validators"
desktop-file-validate "$root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
mkdir -p "$scratch/mime/packages"
cp "$root/usr/share/mime/packages/$id.xml" "$scratch/mime/packages/"
XDG_DATA_HOME=$scratch XDG_DATA_DIRS=$scratch update-mime-database "$scratch/mime"
grep -q "application/x-otdr-sor:\*.sor" "$scratch/mime/globs2" || fail "SOR glob missing"
grep -q "application/x-otdr-zt:\*.zt" "$scratch/mime/globs2" || fail "ZT glob missing"
for page in otdr otdrview; do
    warnings=$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1 || true)
    [ -z "$warnings" ] || fail "manual page $page: $warnings"
done

echo "-- run paths"
for exe in bin/otdr bin/otdrview "$module"; do
    if readelf -d "$root/usr/$exe" | grep -E -q 'RPATH|RUNPATH'; then
        fail "$exe carries a run path"
    fi
done

echo "-- installed programs"
export HOME=$scratch/home TMPDIR=$scratch/tmp XDG_CONFIG_HOME=$scratch/home/.config
mkdir -p "$HOME" "$TMPDIR"
[ "$("$root/usr/bin/otdr" --version)" = "otdr $version" ] || fail "otdr --version"
if LD_DEBUG=libs "$root/usr/bin/otdr" --version 2>&1 >/dev/null | grep -q 'libQt6'; then
    fail "otdr --version loads Qt"
fi
[ "$("$root/usr/bin/otdrview" --version)" = "otdrview $version" ] || fail "otdrview --version"
"$root/usr/bin/otdr" events samples/long_64km_1550.sor | tee "$scratch/events.txt"
grep -q "^samples/long_64km_1550.sor: [1-9][0-9]* events" "$scratch/events.txt" ||
    fail "otdr events found no events"
"$root/usr/bin/otdr" report samples/long_64km_1550.sor samples/mid_32km_1625.zt --analyse \
    -o "$scratch/reports/" --quiet | tee "$scratch/report.txt"
tail -n 1 "$scratch/report.txt" | grep -q "^2 个报告已写入，0 个文件被拒绝$" || fail "otdr report summary"
[ -s "$scratch/reports/long_64km_1550.pdf" ] && [ -s "$scratch/reports/mid_32km_1625.pdf" ] ||
    fail "otdr report wrote no PDF"

# The window starts on a file and is still running five seconds later.
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    "$0" "$1" >/dev/null 2>&1 &
    pid=$!
    sleep 5
    if kill -0 $pid 2>/dev/null; then kill $pid; wait $pid; exit 0; fi
    wait $pid
    echo "the installed window ended by itself (status $?)" >&2
    exit 1' "$root/usr/bin/otdrview" samples/long_64km_1550.sor || fail "otdrview FILE"

echo "-- package checks passed"
