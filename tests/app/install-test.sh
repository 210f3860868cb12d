#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop finds there: the
# program (answering --help and --version without a display), the menu entry, icon,
# metainfo and man page, validated by the desktop's own tools.
#   install-test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d "${TMPDIR:-/tmp}/mirelune-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

cmake --install "$build" --prefix "$prefix" > /dev/null

# The program answers without a window and without a display.
program=$prefix/bin/mirelune
[ -x "$program" ] || fail "no executable $program"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version)
[[ $version =~ ^Mirelune\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help | grep -q '^Usage: mirelune' ||
  fail "--help printed no usage"
"$prefix/bin/mirelune-tool" --help | grep -q '^Usage: mirelune-tool' || fail "mirelune-tool is not installed"

# The menu entry runs the installed program with a disc path and shows an installed icon.
desktop=$prefix/share/applications/org.mirelune.Mirelune.desktop
# Clean for the validator of this system, old as it may be: a key of a newer version of
# the entry format (SingleMainWindow of 1.5) is an error to desktop-file-utils before 0.27.
complaints=$(desktop-file-validate "$desktop" 2>&1) || complaints="${complaints:-failed without a word}"
[ -z "$complaints" ] || fail "desktop-file-validate rejected $desktop: $complaints"
grep -qx 'Exec=mirelune %f' "$desktop" || fail "the entry does not run mirelune with a file"
grep -qx 'MimeType=application/x-cue;application/x-cdrdao-toc;' "$desktop" ||
  fail "the entry does not open cue sheets and cdrdao TOC images"
# One main window, in the key both GNOME and validators of every age know.
grep -qx 'X-GNOME-SingleWindow=true' "$desktop" || fail "the entry does not say the program has one main window"
# Its actions tell the running program what to do, and the program knows them.
grep -qx 'Actions=PlayPause;Next;' "$desktop" || fail "the entry has no Play/Pause and Next actions"
for action in PlayPause Next; do
  exec=$(sed -n "/^\[Desktop Action $action\]/,/^\[/s/^Exec=//p" "$desktop")
  option=${exec#mirelune }
  [[ $exec == "mirelune --"* ]] || fail "the action $action runs '$exec'"
  "$prefix/bin/mirelune" --help | grep -q -- "$option" || fail "the program does not know $option of the action $action"
done
grep -qx 'Categories=AudioVideo;Audio;Player;' "$desktop" || fail "the entry's categories"
# The desktop ties the program's windows (class "Mirelune", its application name) to the entry.
grep -qx 'StartupWMClass=Mirelune' "$desktop" || fail "the entry does not name the windows' class"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon.svg"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x$size/apps/$icon.png
  file "$png" 2>/dev/null | grep -q "PNG image data, $size x $size" || fail "no $size pixel icon at $png"
done

# The software centre's description, checked with the entry and icon it names.
# Pedantic: only the hint on the upper-case letters of the reverse-DNS id may remain.
metainfo=$prefix/share/metainfo/org.mirelune.Mirelune.metainfo.xml
hints=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || fail "appstreamcli rejected the metainfo file: $hints"
hints=$(grep -E '^[EWIP]: ' <<< "$hints" | grep -v 'cid-contains-uppercase-letter' || true)
[ -z "$hints" ] || fail "appstreamcli --pedantic has more to say on the metainfo file: $hints"
# The newest release it lists is the version the program says it is.
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
[ "Mirelune $newest" = "$version" ] || fail "the newest release in the metainfo ($newest) is not the program's ($version)"
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli rejected the installed tree"

# The help pages where the installed program looks for them, and a man page that formats cleanly.
[ -f "$prefix/share/mirelune/help/Mirelune.html" ] || fail "no help pages"
for page in mirelune mirelune-tool; do
  manpage=$prefix/share/man/man1/$page.1
  [ -f "$manpage" ] || { fail "no man page $page.1"; continue; }
  warnings=$(MANWIDTH=80 man --warnings -l "$manpage" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "the man page $page.1 formats with warnings: $warnings"
  MANWIDTH=80 man -l "$manpage" 2> /dev/null | grep -q -- '--version' || fail "the man page $page.1 does not tell the options"
done
# Both programs answer --version as their man pages say.
[[ $("$prefix/bin/mirelune-tool" --version) == "mirelune-tool ${version#Mirelune }" ]] ||
  fail "mirelune-tool --version does not give the program's version"

[ "$failed" -eq 0 ] && echo "install-test: all installed files are in place and valid"
exit "$failed"
