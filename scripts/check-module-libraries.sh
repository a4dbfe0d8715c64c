#!/usr/bin/env bash
# Fails when the module names a desktop library (GTK, GDK, X11, pango, cairo, gdk-pixbuf,
# glib) among the libraries it needs: a server without them could not even load it.  They
# belong to the desktop companion, which needs them and exports its table alone.
set -euo pipefail
bin="${1:?usage: check-module-libraries.sh BIN_DIR}"
module="$bin/VELMORA2.fmx"
companion="$bin/VELMORA2-desktop.so"
desktop='^lib(gtk|gdk|X|xcb|pango|cairo|glib|gio|gobject|gmodule|gthread|atk|epoxy|wayland)'

needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'; }

status=0
# The same check on the companion must find GTK, else it would find nothing anywhere.
if ! needed "$companion" | grep -Eq '^libgtk-3'; then
  echo "the check reads no GTK among the companion's libraries: it could not see one in the module"
  status=1
fi
if found=$(needed "$module" | grep -E "$desktop"); then
  echo "VELMORA2.fmx needs desktop libraries:" $found
  status=1
fi
exports=$(nm -D --defined-only "$companion" | awk '{print $3}')
if [ "$exports" != "VelmoraDesktop_Table" ]; then
  echo "VELMORA2-desktop.so must export VelmoraDesktop_Table alone, not:" $exports
  status=1
fi
[ "$status" -eq 0 ] && echo "module libraries: no desktop library in VELMORA2.fmx:" $(needed "$module")
exit "$status"
