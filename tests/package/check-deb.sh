#!/usr/bin/env bash
# Builds the Debian package from a built tree into a temporary folder, runs the desktop-entry,
# software-centre and package validators over it, unpacks it and checks that every shipped file is
# there and that the unpacked program finds its data.
#   check-deb.sh <build folder> <source folder>
set -euo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
id=org.fernhillcrew.Kinbox
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "check-deb: $*" >&2; exit 1; }

for tool in cpack desktop-file-validate appstreamcli lintian dpkg-deb; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/out/kinbox_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single kinbox_*.deb in the cpack output"
deb=${debs[0]}
echo "== package: $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Depends Section

root=$work/root
dpkg-deb -x "$deb" "$root"
echo "== files"
(cd "$root" && find . -type f -o -type l | sort)

expected=(usr/bin/kinbox
          usr/share/kinbox/deutsch.lng usr/share/kinbox/kinbox.ohp usr/share/kinbox/deutsch.ohp
          usr/share/kinbox/file_id.diz usr/share/kinbox/kinbox_features.html
          usr/share/kinbox/analyzeVOB.ini
          usr/share/applications/$id.desktop
          usr/share/metainfo/$id.metainfo.xml
          usr/share/icons/hicolor/scalable/apps/$id.svg
          usr/share/man/man1/kinbox.1.gz
          usr/share/doc/kinbox/copyright usr/share/doc/kinbox/changelog.Debian.gz)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for f in "${expected[@]}"; do
    [ -f "$root/$f" ] && [ ! -L "$root/$f" ] || fail "missing from the package: /$f"
done
[ -x "$root/usr/bin/kinbox" ] || fail "/usr/bin/kinbox is not executable"
[ ! -e "$root/usr/lib/kinbox" ] || fail "/usr/lib/kinbox should no longer exist"
# Every file of the package comes from the list above: no stray build products.
extra=$(cd "$root" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$extra" ] || fail "unexpected files in the package: $extra"

# The rendered icons have the size their folder names.
for size in 16 22 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
    width=$((16#$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
    height=$((16#$(od -An -tx1 -j20 -N4 "$png" | tr -d ' \n')))
    [ "$width" -eq "$size" ] && [ "$height" -eq "$size" ] || fail "$png is ${width}x$height"
done
gzip -t "$root/usr/share/man/man1/kinbox.1.gz" "$root/usr/share/doc/kinbox/changelog.Debian.gz"

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/$id.desktop"
grep -qx "Icon=$id" "$root/usr/share/applications/$id.desktop" || fail "the desktop entry's icon is not $id"
cmp -s "$source/data/$id.desktop" "$root/usr/share/applications/$id.desktop" \
    || fail "the packaged desktop entry differs from data/$id.desktop"

echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"

echo "== lintian"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E: ' "$work/lintian.log"; then
    fail "lintian reports errors"
fi

echo "== data folder of the unpacked program"
dir=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/kinbox" --print-data-dir)
[ "$dir" = "$root/usr/share/kinbox" ] || fail "the unpacked program reads its data from '$dir'"
echo "$dir"
echo "check-deb: ok"
