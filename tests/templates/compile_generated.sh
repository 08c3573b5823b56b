#!/bin/sh
# Builds the generated projects of a tree with the GNU Arm tool chain, as a
# stand-in for Keil and IAR: every C source a uVision project lists is compiled
# with the project's include paths for the Cortex-M23 (secure projects with
# -mcmse, execute-only files with -mpure-code), then each image is linked into
# the memory its project gives: the secure images first, each exporting its
# import library, then the non-secure ones against the libraries they list. The
# secure entry functions must land in the NSC region and each execute-only
# function in its XOM region. Any missing file, wrong path, compile or link error
# fails.
#
#   compile_generated.sh OUTPUT_TREE
set -eu

tree=${1:?usage: compile_generated.sh OUTPUT_TREE}
cc=${CC_ARM:-arm-none-eabi-gcc}
nm=${NM_ARM:-arm-none-eabi-nm}
obj=$(mktemp -d)
trap 'rm -rf "$obj"' EXIT

command -v "$cc" >/dev/null || { echo "$cc not found (Debian package gcc-arm-none-eabi)"; exit 1; }
command -v xmllint >/dev/null || { echo "xmllint not found (Debian package libxml2-utils)"; exit 1; }

target='/Project/Targets/Target[1]'
sources=0
images=0

fail() { echo "$*"; exit 1; }

# Reads one value of the project's first target.
value() { xmllint --xpath "string($target/$2)" "$1"; }

# A path written in a Keil file, from the project's folder.
resolve() {
  p=$(printf '%s' "$2" | tr '\\' '/')
  case "$p" in
    /*) printf '%s' "$p" ;;
    *) printf '%s/%s' "$1" "$p" ;;
  esac
}

# Start and size of one on-chip memory row, as decimal numbers.
memory() {
  start=$(value "$1" "TargetOption/TargetArmAds/ArmAdsMisc/OnChipMemories/$2/StartAddress")
  size=$(value "$1" "TargetOption/TargetArmAds/ArmAdsMisc/OnChipMemories/$2/Size")
  printf '%d %d' "$start" "$size"
}

build() {
  project=$1
  keil=$(dirname "$project")
  name=$(value "$project" "TargetOption/TargetCommonOption/OutputName")
  secure=$(value "$project" "TargetOption/TargetArmAds/ArmAdsMisc/nSecure")
  out="$obj/$name"
  mkdir -p "$out"

  flags="-mcpu=cortex-m23 -mthumb -std=c99 -O2 -Wall -Wextra -Werror"
  [ "$secure" = 1 ] && flags="$flags -mcmse"
  incflags=""
  old_ifs=$IFS
  IFS=';'
  for inc in $(value "$project" "TargetOption/TargetArmAds/Cads/VariousControls/IncludePath"); do
    dir=$(resolve "$keil" "$inc")
    [ -d "$dir" ] || fail "$project: include folder $inc does not exist"
    incflags="$incflags -I$dir"
  done
  IFS=$old_ifs

  objects=""
  for file in $(xmllint --xpath "$target/Groups/Group/Files/File[FileType='1']/FilePath/text()" "$project" 2>/dev/null || true); do
    src=$(resolve "$keil" "$file")
    [ -f "$src" ] || fail "$project: source $file does not exist"
    extra=""
    case "$(basename "$src")" in
      xom*_func.c) extra="-mpure-code" ;;
    esac
    o="$out/$(basename "$src" .c).o"
    # shellcheck disable=SC2086
    "$cc" $flags $extra $incflags -c "$src" -o "$o" || fail "$project: $file does not compile"
    objects="$objects $o"
    sources=$((sources + 1))
  done

  # The memory of the image: the project's rows, and the XOM regions of its scatter file.
  set -- $(memory "$project" OCR_RVCT4); rom=$1 romsize=$2
  set -- $(memory "$project" OCR_RVCT9); ram=$1 ramsize=$2
  scatter=$(resolve "$keil" "$(value "$project" "TargetOption/TargetArmAds/LDads/ScatterFile")")
  [ -f "$scatter" ] || fail "$project: scatter file missing"
  ld="$out/image.ld"
  {
    echo "MEMORY {"
    echo "  ROM (rx) : ORIGIN = $rom, LENGTH = $romsize"
    echo "  RAM (rwx) : ORIGIN = $ram, LENGTH = $ramsize"
    if [ "$secure" = 1 ]; then
      set -- $(memory "$project" OCR_RVCT5)
      echo "  NSC (rx) : ORIGIN = $1, LENGTH = $2"
    fi
    sed -n 's/^  \(XOM[0-3]\) \(0x[0-9A-Fa-f]*\) \(0x[0-9A-Fa-f]*\) {$/  \1 (x) : ORIGIN = \2, LENGTH = \3/p' "$scatter"
    echo "}"
    echo "ENTRY(Reset_Handler)"
    echo "SECTIONS {"
    for k in $(sed -n 's/^  XOM\([0-3]\) 0x.*{$/\1/p' "$scatter"); do
      echo "  .xom$k : { *xom${k}_func.o(.text .text.*) } > XOM$k"
    done
    echo "  .text : { KEEP(*(.vectors)) *(.text .text.*) *(.rodata .rodata.*) } > ROM"
      [ "$secure" = 1 ] && echo "  .gnu.sgstubs : { *(.gnu.sgstubs*) } > NSC"
    echo "  .data : { *(.data .data.*) } > RAM AT > ROM"
    echo "  .bss (NOLOAD) : { *(.bss .bss.*) *(COMMON) } > RAM"
    echo "  __StackTop = ORIGIN(RAM) + LENGTH(RAM) - 8;"
    echo "}"
  } >"$ld"

  libs=""
  if [ "$secure" = 1 ]; then
    # ld places the veneers only at an address given on its command line.
    set -- $(memory "$project" OCR_RVCT5)
    lflags="-mcmse -Wl,--cmse-implib -Wl,--out-implib=$out/${name}_CMSE_Lib.o -Wl,--section-start=.gnu.sgstubs=$(printf 0x%x "$1")"
  else
    lflags=""
    for lib in $(xmllint --xpath "$target/Groups/Group[GroupName='CMSE Library']/Files/File/FileName/text()" "$project" 2>/dev/null || true); do
      owner=${lib%_CMSE_Lib.o}
      [ -f "$obj/$owner/$lib" ] || fail "$project: links $lib, which no secure project exported"
      libs="$libs $obj/$owner/$lib"
    done
  fi
  # shellcheck disable=SC2086
  "$cc" -mcpu=cortex-m23 -mthumb -nostartfiles -nostdlib $lflags -T "$ld" -o "$out/$name.elf" \
    $objects $libs -lgcc || fail "$project: the image does not link"
  images=$((images + 1))

  # Placement: entry veneers in the NSC region, execute-only code in its region.
  if [ "$secure" = 1 ]; then
    set -- $(memory "$project" OCR_RVCT5); nsc=$1 nscsize=$2
    entry=$("$nm" "$out/$name.elf" | sed -n "s/^\([0-9a-f]*\) [Tt] ${name}_NscEntry\$/\1/p")
    [ -n "$entry" ] || fail "$name: no entry function ${name}_NscEntry"
    addr=$(printf '%d' "0x$entry")
    [ "$addr" -ge "$nsc" ] && [ "$addr" -lt $((nsc + nscsize)) ] || fail "$name: ${name}_NscEntry lies outside its NSC region"
  fi
  for k in $(sed -n 's/^  XOM\([0-3]\) 0x.*{$/\1/p' "$scatter"); do
    set -- $(sed -n "s/^  XOM$k \(0x[0-9A-Fa-f]*\) \(0x[0-9A-Fa-f]*\) {\$/\1 \2/p" "$scatter")
    base=$(printf '%d' "$1") size=$(printf '%d' "$2")
    f=$("$nm" "$out/$name.elf" | sed -n "s/^\([0-9a-f]*\) [Tt] XOM${k}_Function\$/\1/p")
    [ -n "$f" ] || fail "$name: no XOM${k}_Function"
    addr=$(printf '%d' "0x$f")
    [ "$addr" -ge "$base" ] && [ "$addr" -lt $((base + size)) ] || fail "$name: XOM${k}_Function lies outside XOM$k"
  done
}

for pass in 1 0; do
  for project in "$tree"/*/KEIL/*.uvprojx; do
    [ -f "$project" ] || continue
    [ "$(value "$project" "TargetOption/TargetArmAds/ArmAdsMisc/nSecure")" = "$pass" ] || continue
    build "$project"
  done
done

[ "$sources" -gt 0 ] || fail "no sources found under $tree"
echo "compiled $sources sources, linked $images images"
