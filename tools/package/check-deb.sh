#!/usr/bin/env bash
# Checks a built .deb: its control fields, that it holds what hosts need, and that a host finds
# it with find_package and pkg-config once extracted, then builds and runs offscreen against it;
# last, that its Designer plugin loads from the extracted tree as Qt Designer loads it.
#   tools/package/check-deb.sh <package.deb>
set -euo pipefail
deb=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-deb: $*" >&2; exit 1; }

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Version)" = 2.0.7 ] || fail "version is '$(field Version)'"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
# The Depends line comes from dpkg-shlibdeps; Qt Widgets must be on it or the library cannot load.
depends=$(field Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks Qt Widgets: '$depends'"
# Other packages' dependencies on the library come from its shlibs file.
dpkg-deb --ctrl-tarfile "$deb" | tar -x -C "$work" ./shlibs 2>/dev/null || fail "no shlibs control file"
grep -q '^libVynMemberComment 2 vynmembercomment' "$work/shlibs" || fail "shlibs is '$(cat "$work/shlibs")'"

root=$work/root
dpkg -x "$deb" "$root"
multiarch=$(gcc -print-multiarch)
libdir=$root/usr/lib/$multiarch
for f in \
    "$libdir/libVynMemberComment.so.2" \
    "$libdir/libVynMemberComment.so" \
    "$libdir/cmake/VynMemberComment/VynMemberCommentConfig.cmake" \
    "$libdir/cmake/VynMemberComment/VynMemberCommentConfigVersion.cmake" \
    "$libdir/pkgconfig/VynMemberComment.pc" \
    "$root/usr/include/VynMemberComment/MemberComment.h" \
    "$root/usr/include/VynMemberComment/vynmembercomment_export.h" \
    "$root/usr/include/VynMemberComment/version.h" \
    "$root/usr/bin/membercomment-server" \
    "$root/usr/bin/membercomment-demo" \
    "$libdir/qt6/plugins/designer/libvynmembercommentplugin.so"; do
  [ -e "$f" ] || fail "missing ${f#"$root"}"
done
# Nothing may point at the machine that built it.
if grep -rlF "$source_dir" "$root" >/dev/null; then
  fail "build paths inside: $(grep -rlF "$source_dir" "$root" | tr '\n' ' ')"
fi

# The pkg-config file must describe /usr, where dpkg puts the files.
grep -qx 'prefix=/usr' "$libdir/pkgconfig/VynMemberComment.pc" || fail "pkg-config prefix is not /usr"
PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --exists --print-errors 'VynMemberComment = 2.0.7'

cmake -S "$source_dir/tests/package" -B "$work/host" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$work/host" >/dev/null
# The host must have linked the packaged library, not one installed on this machine.
grep -qF "$libdir/libVynMemberComment.so" "$work/host/build.ninja" || fail "host did not link the packaged library"
LD_LIBRARY_PATH=$libdir QT_QPA_PLATFORM=offscreen "$work/host/consumer"

# Qt Designer loads the plugin from its plugins folder; the plugin's run path must lead it to the
# packaged library (no LD_LIBRARY_PATH here), and the loader checks that it did.
cmake -S "$source_dir/tools/package/loadplugin" -B "$work/loadplugin" -G Ninja >/dev/null
cmake --build "$work/loadplugin" >"$work/loadplugin.log" || { cat "$work/loadplugin.log"; fail "the plugin loader did not build"; }
QT_QPA_PLATFORM=offscreen "$work/loadplugin/loadplugin" "$libdir/qt6/plugins/designer/libvynmembercommentplugin.so" "$libdir"
echo "check-deb: $(basename "$deb") is complete; a host built and ran against it, and its Designer plugin loaded"
