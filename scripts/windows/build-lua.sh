#!/usr/bin/env bash
# Builds Lua 5.1's C library for 64-bit Windows as a static library, from Debian's
# own lua5.1 source package, fetched with apt-get source into the build folder.
#
#   scripts/windows/build-lua.sh BUILD_DIR PREFIX
#
# The machine's apt configuration is left alone: apt-get reads a private source
# list (the machine's own entries as deb-src) and keeps its lists and caches in
# BUILD_DIR/apt. The result is PREFIX/lib/liblua5.1.a and PREFIX/include/lua5.1/.
# Nothing happens when that library is there already.
set -euo pipefail

build_dir=${1:?usage: build-lua.sh BUILD_DIR PREFIX}
prefix=${2:?usage: build-lua.sh BUILD_DIR PREFIX}
mkdir -p "$build_dir" "$prefix"
build_dir=$(cd "$build_dir" && pwd)
prefix=$(cd "$prefix" && pwd)

library="$prefix/lib/liblua5.1.a"
if [[ -f "$library" && -f "$prefix/include/lua5.1/lua.h" ]]; then
    echo "build-lua: $library is there already"
    exit 0
fi

cc=${VELMORA_MINGW_CC:-x86_64-w64-mingw32-gcc-posix}
ar=${VELMORA_MINGW_AR:-x86_64-w64-mingw32-ar}
command -v "$cc" >/dev/null || { echo "build-lua: $cc not found" >&2; exit 1; }

# --- the private apt setup -------------------------------------------------------
apt_dir="$build_dir/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/etc"
sources="$apt_dir/etc/sources.list.d"
mkdir -p "$sources"
rm -f "$sources"/*
# The machine's own Debian entries, turned into source entries.
for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$f" ]] || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f" > "$sources/$(basename "$f")"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$f" ]] || continue
    sed -nE 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$f" > "$sources/$(basename "$f" .list).list"
done
# Keep only entries that name Debian's archive (others do not carry lua5.1).
for f in "$sources"/*; do
    grep -q 'debian' "$f" || rm -f "$f"
done
if [[ -z "$(ls -A "$sources")" ]]; then
    echo "build-lua: no Debian entry found in /etc/apt to derive a source list from" >&2
    exit 1
fi

apt_opts=(
    -o Dir::Etc::SourceList=/dev/null
    -o Dir::Etc::SourceParts="$sources"
    -o Dir::State::Lists="$apt_dir/lists"
    -o Dir::Cache="$apt_dir/cache"
    -o Dir::Cache::Archives="$apt_dir/cache/archives"
    -o APT::Sandbox::User=root
    -o Acquire::Languages=none
)

src_root="$build_dir/lua-src"
if ! compgen -G "$src_root/lua5.1-*/src/lapi.c" >/dev/null; then
    echo "build-lua: fetching Debian's lua5.1 source"
    apt-get "${apt_opts[@]}" -q update >"$apt_dir/update.log" 2>&1 || {
        cat "$apt_dir/update.log" >&2; exit 1; }
    rm -rf "$src_root"
    mkdir -p "$src_root"
    (cd "$src_root" && apt-get "${apt_opts[@]}" -q source lua5.1) >"$apt_dir/source.log" 2>&1 || {
        cat "$apt_dir/source.log" >&2; exit 1; }
fi
src_dir=$(compgen -G "$src_root/lua5.1-*/src/lapi.c" | head -n 1)
src_dir=$(dirname "$src_dir")
echo "build-lua: compiling $src_dir"

# --- the library: every .c of src/ but the two programs and luac's printer --------
obj_dir="$build_dir/lua-obj"
rm -rf "$obj_dir"
mkdir -p "$obj_dir"
objects=()
for c in "$src_dir"/*.c; do
    name=$(basename "$c" .c)
    case "$name" in lua|luac|print) continue ;; esac
    "$cc" -O2 -std=gnu99 -c "$c" -o "$obj_dir/$name.o"
    objects+=("$obj_dir/$name.o")
done
mkdir -p "$prefix/lib" "$prefix/include/lua5.1"
rm -f "$library.tmp"
"$ar" rcs "$library.tmp" "${objects[@]}"
for h in lua.h luaconf.h lualib.h lauxlib.h; do
    cp "$src_dir/$h" "$prefix/include/lua5.1/"
done
if [[ -f "$src_dir/../etc/lua.hpp" ]]; then
    cp "$src_dir/../etc/lua.hpp" "$prefix/include/lua5.1/"
fi
mv "$library.tmp" "$library"
echo "build-lua: wrote $library (${#objects[@]} objects)"
