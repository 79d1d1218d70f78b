#!/usr/bin/env bash
# Builds the .deb (cpack), unpacks it and checks what a desktop finds there: the three programs,
# a desktop entry per edition with the icon in every size, valid AppStream metadata launching
# both, and dependencies computed from the binaries.
#   package_test.sh CPACK BUILD_DIR
set -uo pipefail
tmp="$(mktemp -d)" failures=0 execs=""
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
key() { sed -n "s/^$1=//p" "$entry"; }

"$1" -G DEB --config "$2/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=("$tmp"/out/*.deb) root="$tmp/root" share="$tmp/root/usr/share"
[ ${#debs[@]} -eq 1 ] && dpkg-deb -x "${debs[0]}" "$root" || { echo "FAIL: not one .deb: ${debs[*]}"; exit 1; }
depends="$(dpkg-deb -f "${debs[0]}" Depends)"  # from dpkg-shlibdeps: the Qt libraries named
[[ "$depends" == *libqt6widgets6* && "$depends" == *libqt6serialport6* ]] || fail "Depends lacks Qt libraries: $depends"
for program in Velmora VelmoraEn velmora-sim; do
  [ -x "$root/usr/bin/$program" ] && file -b "$root/usr/bin/$program" | grep -q '^ELF .* executable' || fail "usr/bin/$program is no executable program"
done

for entry in "$share"/applications/*.desktop; do
  name="$(basename "$entry")" execs+=" $(key Exec)"
  out="$(desktop-file-validate "$entry" 2>&1)" && [ -z "$out" ] || fail "desktop-file-validate $name: $out"
  [ -x "$root/usr/bin/$(key Exec | cut -d' ' -f1)" ] || fail "$name: Exec=$(key Exec) is not installed"
  [ "$(key Categories)" = "Science;Electronics;" ] || fail "$name: Categories=$(key Categories)"
  for k in Name 'Name\[zh_CN\]' Comment Icon; do [ -n "$(key "$k")" ] || fail "$name: no $k"; done
  for size in 16 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/$(key Icon).png"
    [[ "$(file -b "$png")" == "PNG image data, $size x $size,"* ]] || fail "$name: $png: $(file -b "$png")"
  done
  file -b "$share/icons/hicolor/scalable/apps/$(key Icon).svg" | grep -q SVG || fail "$name: no scalable icon"
done
[[ "$execs " == *" Velmora "* && "$execs " == *" VelmoraEn "* ]] || fail "the desktop entries start:$execs"

metainfo=("$share"/metainfo/*.metainfo.xml)
out="$(appstreamcli validate --no-net "${metainfo[@]}" 2>&1)" || fail "appstreamcli validate: $out"
launches="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "${metainfo[@]}" | sort)"
[ "$launches" = "$(cd "$share/applications" && ls -- *.desktop)" ] || fail "metainfo launches: $launches"
[ $failures -eq 0 ] && echo "package checked" || exit 1
