#!/usr/bin/env bash
# Builds the .deb from the build tree (cpack), unpacks it into a temporary folder and checks
# what a desktop finds there: the three programs, a desktop entry per edition, the icon in
# every size, the AppStream metadata, and dependencies computed from the binaries.
#   package_test.sh CPACK BUILD_DIR
set -uo pipefail
cpack="$1" build="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1
fi
debs=("$tmp"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: expected one .deb, got: ${debs[*]}"; exit 1; }
deb="${debs[0]}" root="$tmp/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# Dependencies: found by dpkg-shlibdeps in the binaries, so the Qt libraries are named.
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libqt6widgets6 libqt6serialport6; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

for program in Velmora VelmoraEn velmora-sim; do
  f="$root/usr/bin/$program"
  [ -x "$f" ] && file -b "$f" | grep -q '^ELF .* executable' || fail "usr/bin/$program is no executable program"
done

apps="$root/usr/share/applications"
hicolor="$root/usr/share/icons/hicolor"
declare -A seen=()
for entry in "$apps"/*.desktop; do
  [ -f "$entry" ] || { fail "no desktop entries in usr/share/applications"; break; }
  name="$(basename "$entry")"
  out="$(desktop-file-validate "$entry" 2>&1)"  # warnings count too, not only errors
  [ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate $name: $out"
  key() { sed -n "s/^$1=//p" "$entry"; }
  exec="$(key Exec)"
  seen[$exec]=1
  [ -x "$root/usr/bin/${exec%% *}" ] || fail "$name: Exec=$exec is not an installed program"
  [ "$(key Categories)" = "Science;Electronics;" ] || fail "$name: Categories=$(key Categories)"
  for k in Name 'Name\[zh_CN\]' Comment; do
    [ -n "$(key "$k")" ] || fail "$name: no $k"
  done
  icon="$(key Icon)"
  [ -n "$icon" ] || fail "$name: no Icon"
  for size in 16 32 48 64 128 256; do
    png="$hicolor/${size}x${size}/apps/$icon.png"
    geometry="$(file -b "$png" 2>/dev/null)"
    [[ "$geometry" == "PNG image data, $size x $size,"* ]] || fail "$name: icon $png: $geometry"
  done
  file -b "$hicolor/scalable/apps/$icon.svg" | grep -q 'SVG' || fail "$name: no scalable icon $icon.svg"
done
[ -n "${seen[Velmora]:-}" ] || fail "no desktop entry starts Velmora"
[ -n "${seen[VelmoraEn]:-}" ] || fail "no desktop entry starts VelmoraEn"

# AppStream: the metadata is valid and every desktop entry it launches is in the package
# (appstreamcli validate-tree does not check that).
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no metainfo in usr/share/metainfo"
out="$(appstreamcli validate --no-net "${metainfo[@]}" 2>&1)" || fail "appstreamcli validate: $out"
launchables="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "${metainfo[@]}")"
[ "$(echo "$launchables" | grep -c .)" -eq 2 ] || fail "metainfo launches: $launchables"
for id in $launchables; do
  [ -f "$apps/$id" ] || fail "metainfo launches $id, which is not in usr/share/applications"
done

[ $failures -eq 0 ] && echo "package checked" || exit 1
