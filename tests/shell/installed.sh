#!/bin/sh
# Installs the build into a fresh prefix, starts the installed program there with throwaway
# data and settings folders, asks it to end as a session logout would, and checks that it
# found its companions, made the order book and saved its layout on the way out.
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
app=$work/prefix/lib/quarrydesk
for f in quarrydesk dbBlank.mdb HAND-M.CUR quarrydesk.png x/o.cjs; do
  [ -e "$app/$f" ] || { echo "missing beside the program: $f"; exit 1; }
done
[ -x "$work/prefix/bin/quarrydesk" ] || { echo "no command on the path"; exit 1; }
desktop=$work/prefix/share/applications/com.brisklane.Quarrydesk.desktop
grep -q "^Exec=quarrydesk$" "$desktop" || { echo "desktop entry: wrong Exec"; exit 1; }
grep -q '^Icon=quarrydesk$' "$desktop" || { echo "desktop entry: no icon"; exit 1; }
[ -f "$work/prefix/share/icons/hicolor/256x256/apps/quarrydesk.png" ] || { echo "icon not installed"; exit 1; }

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
"$work/prefix/bin/quarrydesk" >"$work/out.txt" 2>&1 &
pid=$!
book=$XDG_DATA_HOME/Brisklane/Quarrydesk/dbData.mdb
for _ in $(seq 1 100); do [ -f "$book" ] && break; sleep 0.1; done
sleep 1
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "ended with $status"; cat "$work/out.txt"; exit 1; }
[ -f "$book" ] || { echo "no order book made"; exit 1; }
cmp -s "$book" "$app/dbBlank.mdb" || { echo "order book is not a copy of the template"; exit 1; }
grep -q '^WindowState=0' "$XDG_CONFIG_HOME/Brisklane.ini" || { echo "layout not saved"; exit 1; }
grep -q '^ColumnHeaders21=1' "$XDG_CONFIG_HOME/Brisklane.ini" || { echo "widths not saved"; exit 1; }
echo "installed program started, found its files and ended cleanly"
