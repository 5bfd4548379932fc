#!/usr/bin/env bash
# Builds the Debian package from a configured, built tree into a scratch folder and checks its
# control fields, its file list and the files desktops and software centres read.
#   check_package.sh BUILD_DIR VERSION [OUT_DIR]
set -euo pipefail
build=$1 version=$2
out=${3:-$(mktemp -d)}
fail() { echo "check_package: $*" >&2; exit 1; }

rm -rf "$out" && mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; fail "cpack failed"; }
deb=$out/lumavell2_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no $deb (made: $(ls "$out"))"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == lumavell2 ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version)"
[[ $(field Architecture) == $(dpkg --print-architecture) ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == graphics ]] || fail "Section: $(field Section)"
[[ $(field Recommends) == "sane-utils, libsane1, xdg-utils" ]] || fail "Recommends: $(field Recommends)"
[[ $(field Suggests) == qt6-image-formats-plugins ]] || fail "Suggests: $(field Suggests)"
[[ $(field Maintainer) == *@* ]] || fail "Maintainer: $(field Maintainer)"
depends=$(field Depends)
# The run-time libraries come from the program's links, with versions.
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libjpeg62-turbo libzip4; do
    [[ ", $depends," == *", $lib ("* ]] || fail "Depends lacks $lib: $depends"
done
[[ $(field Description | sed -n 2p) == " Lumavell2 "* ]] || fail "no long description"

# File list: everything under /usr or /etc, nothing under /usr/local.
list=$out/files.txt
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$list"
if grep -vE '^/(usr|etc)(/|$)|^/$' "$list"; then fail "files outside /usr and /etc"; fi
if grep -q '^/usr/local' "$list"; then fail "files under /usr/local"; fi
expected=(
    /usr/bin/lumavell2
    /etc/lumavell2/machine.conf
    /usr/share/lumavell2/defaults.iml
    /usr/share/lumavell2/notfound.bmp
    /usr/share/lumavell2/help/default.htm
    /usr/share/applications/lumavell2.desktop
    /usr/share/applications/lumavell2-album.desktop
    /usr/share/mime/packages/lumavell2.xml
    /usr/share/metainfo/lumavell2.metainfo.xml
    /usr/share/man/man1/lumavell2.1.gz
    /usr/share/doc/lumavell2/copyright
    /usr/share/doc/lumavell2/changelog.gz
    /usr/share/icons/hicolor/scalable/apps/lumavell2.svg
)
for size in 16 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/lumavell2.png")
done
# The read-me and the licence go wherever the source tree has them.
src=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
for f in readme.txt licence.txt; do
    [[ -f $src/data/$f ]] && expected+=("/usr/share/lumavell2/$f")
done
for f in "${expected[@]}"; do
    grep -qx -- "$f" "$list" || fail "missing $f"
done
# Nothing of the build or the source tree's desktop folder leaks into the data folder.
if grep -E '^/usr/share/lumavell2/desktop|\.in$|CMake' "$list"; then fail "stray files"; fi

# Maintainer files: the machine settings are a conffile; postrm is executable.
ctl=$out/control
dpkg-deb -e "$deb" "$ctl"
[[ $(cat "$ctl/conffiles") == /etc/lumavell2/machine.conf ]] || fail "conffiles: $(cat "$ctl/conffiles")"
[[ -x $ctl/postrm ]] || fail "postrm not executable"
sh -n "$ctl/postrm" || fail "postrm does not parse"

# Contents.
root=$out/root
dpkg-deb -x "$deb" "$root"
[[ $(cat "$root/etc/lumavell2/machine.conf") == $'[Images]\ninstalledTo=/usr/share/lumavell2' ]] ||
    fail "machine.conf: $(cat "$root/etc/lumavell2/machine.conf")"
for size in 16 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/lumavell2.png
    # PNG signature, then the IHDR chunk's width and height (big-endian) at bytes 16 and 20.
    [[ $(od -An -tx1 -N8 "$png" | tr -d ' \n') == 89504e470d0a1a0a ]] || fail "$png is not a PNG"
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
    [[ $dims == "${size}x${size}" ]] || fail "$png is $dims"
done
gzip -t "$root/usr/share/man/man1/lumavell2.1.gz" "$root/usr/share/doc/lumavell2/changelog.gz"
zcat "$root/usr/share/man/man1/lumavell2.1.gz" | grep -q "^\.TH LUMAVELL2 1 .*Lumavell2 $version" ||
    fail "manual page header"
zcat "$root/usr/share/doc/lumavell2/changelog.gz" | head -1 | grep -qx "lumavell2 ($version) unstable; urgency=medium" ||
    fail "changelog header"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/lumavell2.metainfo.xml" ||
    fail "metainfo names another release"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/lumavell2.metainfo.xml" >"$out/as.log" 2>&1 ||
        { cat "$out/as.log"; fail "appstreamcli validate"; }
fi

# The installed program answers the conventional switches without a display.
bin=$root/usr/bin/lumavell2
[[ $(env -u DISPLAY -u WAYLAND_DISPLAY "$bin" --version) == "lumavell2 $version" ]] || fail "--version"
env -u DISPLAY -u WAYLAND_DISPLAY "$bin" --help | grep -q "/OPENCOL ALBUMFILE" || fail "--help"
echo "check_package: $deb is good ($(wc -l < "$list") entries)"
[[ -n ${3:-} ]] || rm -rf "$out"
