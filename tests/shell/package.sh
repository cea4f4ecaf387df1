#!/bin/sh
# Builds the Debian package from the build tree as a user would (cpack -G DEB), looks at its
# files and its dependencies, unpacks it into a scratch root (never onto the machine) and runs
# the installed command there: its version, and a report to CSV from a scratch book.
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/quarrydesk_*_amd64.deb "$work"/out/quarrydesk_*_*.deb 2>/dev/null | head -1)
[ -f "$deb" ] || fail "no package quarrydesk_VERSION_ARCH.deb"
version=$(dpkg-deb -f "$deb" Version)
case "$(basename "$deb")" in quarrydesk_${version}_*.deb) ;; *) fail "package name without its version";; esac

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for f in ./usr/bin/quarrydesk ./usr/lib/quarrydesk/quarrydesk ./usr/lib/quarrydesk/dbBlank.mdb \
         ./usr/lib/quarrydesk/HAND-M.CUR ./usr/lib/quarrydesk/x/o.cjs \
         ./usr/share/applications/com.brisklane.Quarrydesk.desktop \
         ./usr/share/metainfo/com.brisklane.Quarrydesk.metainfo.xml \
         ./usr/share/man/man1/quarrydesk.1.gz ./usr/share/doc/quarrydesk/copyright \
         ./usr/share/doc/quarrydesk/changelog.gz; do
  grep -qx "$f" "$work/files" || fail "missing from the package: $f"
done
for size in 16x16 24x24 32x32 48x48 64x64 128x128 256x256; do
  grep -qx "./usr/share/icons/hicolor/$size/apps/quarrydesk.png" "$work/files" || fail "no icon of $size"
done
if grep -q -e '^./usr/lib/quarrydesk/test_' -e 'qd_' "$work/files"; then fail "test programs in the package"; fi

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6core6 libsqlite3-0 libpq5 fonts-liberation; do
  echo "$depends" | grep -q "\\b$package\\b" || fail "Depends names no $package: $depends"
done
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
[ "$(dpkg-deb -f "$deb" Section)" = misc ] || fail "no section"

dpkg -x "$deb" "$work/root"
readelf -S "$work/root/usr/lib/quarrydesk/quarrydesk" | grep -q '\.debug_info' && fail "the program is not stripped"
out=$("$work/root/usr/bin/quarrydesk" --version)
[ "$out" = "quarrydesk $version" ] || fail "--version says: $out"
"$work/root/usr/bin/quarrydesk" --help | head -1 | grep -q "Quarrydesk $version" || fail "--help names no version"

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
cp "$work/root/usr/lib/quarrydesk/dbBlank.mdb" "$work/book.mdb"
chmod 600 "$work/book.mdb"
"$work/root/usr/bin/quarrydesk" --book "$work/book.mdb" --report "Total Price of Orders" --csv "$work/rows.csv" 2>"$work/err" ||
  { cat "$work/err"; fail "the installed program made no report"; }
head -1 "$work/rows.csv" | grep -q '^Company Name,Order ID,Total Price of Order' || fail "the report's rows: $(head -1 "$work/rows.csv")"

# The manual page renders without a warning; the software centre's metadata is valid.
zcat "$work/root/usr/share/man/man1/quarrydesk.1.gz" >"$work/quarrydesk.1"
warnings=$(groff -ww -man -Tutf8 -z "$work/quarrydesk.1" 2>&1)
[ -z "$warnings" ] || fail "the manual page: $warnings"
for option in $("$work/root/usr/bin/quarrydesk" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -q -- "$(echo "$option" | sed 's/-/\\\\-/g')" "$work/quarrydesk.1" || fail "the manual page lacks $option"
done
appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.brisklane.Quarrydesk.metainfo.xml" >"$work/as.log" 2>&1 ||
  { cat "$work/as.log"; fail "appstreamcli"; }
echo "the package $(basename "$deb") installs and runs"
