#!/bin/sh
# Builds the generated projects of a tree with the GNU Arm tool chain, as a
# stand-in for Keil and IAR: every C source a uVision project lists is compiled
# with the project's include paths for the Cortex-M23 (secure projects with
# -mcmse, execute-only files with -mpure-code), at each optimisation level, then
# each image is linked into the memory its project gives: the secure images
# first, each exporting its import library, then the non-secure ones against the
# libraries they list. Then the images are checked as a reviewer reads them: the
# secure entry functions land in the veneer region of the scatter file and each
# execute-only function in its XOM region; the reset handler sets the stack
# limit; a hand-over to an image of the same state loads the new stack pointer
# and the entry from the vector table and branches through a register with no
# stack access between; a hand-over to the non-secure state checks the image
# (TT) before BLXNS; every image that boots another has the failure hook; the
# secure service reads its caller's privilege (CONTROL_NS). Any
# missing file, wrong path, compile, link or check failure fails.
#
#   compile_generated.sh OUTPUT_TREE
#
# CC_ARM (default arm-none-eabi-gcc) is the compiler, for example
# "clang --target=arm-none-eabi"; OPT_LEVELS (default "-O0 -O2") the levels.
set -eu

tree=${1:?usage: compile_generated.sh OUTPUT_TREE}
cc=${CC_ARM:-arm-none-eabi-gcc}
levels=${OPT_LEVELS:--O0 -O2}
link=arm-none-eabi-gcc
nm=${NM_ARM:-arm-none-eabi-nm}
objdump=${OBJDUMP_ARM:-arm-none-eabi-objdump}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck disable=SC2086
command -v ${cc%% *} >/dev/null || { echo "${cc%% *} not found (Debian package gcc-arm-none-eabi or clang)"; exit 1; }
command -v "$link" >/dev/null || { echo "$link not found (Debian package gcc-arm-none-eabi)"; exit 1; }
command -v xmllint >/dev/null || { echo "xmllint not found (Debian package libxml2-utils)"; exit 1; }

target='/Project/Targets/Target[1]'
sources=0
images=0
handovers=0

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

# The value of "#define NAME VALUE" in a file, as a decimal number.
define() {
  v=$(sed -n "s/^#define[ \t]*$2[ \t]*\(0x[0-9A-Fa-f]*\).*/\1/p" "$1" | head -n 1)
  [ -n "$v" ] || fail "$1: no #define $2"
  printf '%d' "$v"
}

# Every write of MSP must follow loads of the new stack pointer (word 0) and the
# entry (word 1) from one base register, at most four instructions before, and be
# followed by BX/BLX through the entry register with no stack access between.
# Prints the number of such hand-overs; fails on any other write of MSP.
handovers_in() {
  "$objdump" -d --no-show-raw-insn "$1" | awk -F '\t' '
    function reg_of(op) { sub(/,.*/, "", op); return op }
    $2 ~ /^ldr/ && $3 ~ /^r[0-9]+, \[r[0-9]+(, #0)?\]$/ {
      r = reg_of($3); b = $3; sub(/.*\[/, "", b); sub(/[,\]].*/, "", b)
      word0[r] = b; at0[r] = n
    }
    $2 ~ /^ldr/ && $3 ~ /^r[0-9]+, \[r[0-9]+, #4\]$/ {
      r = reg_of($3); b = $3; sub(/.*\[/, "", b); sub(/[,\]].*/, "", b)
      word1[r] = b; at1[r] = n
    }
    pending && ($2 ~ /^(push|pop)/ || $3 ~ /(^|[^a-z])sp([^a-z]|$)/) {
      print "stack access after the new stack pointer: " $0; bad = 1; pending = 0
    }
    pending && $2 ~ /^bl?x$/ {
      if (word1[$3] != base || n - at1[$3] > 5) { print "branch not to the loaded entry: " $0; bad = 1 }
      else good++
      pending = 0
    }
    $2 == "msr" && $3 ~ /^MSP, / {
      r = $3; sub(/^MSP, /, "", r)
      if (!(r in word0) || n - at0[r] > 4) { print "stack pointer not loaded from a vector table: " $0; bad = 1 }
      base = word0[r]; pending = 1
    }
    $2 != "" { n++ }
    END { if (bad) exit 1; print good + 0 }'
}

# The instructions of one function of an image.
function_text() {
  "$objdump" -d --no-show-raw-insn "$1" | sed -n "/^[0-9a-f]* <$2>:\$/,/^\$/p"
}

build() {
  project=$1 images_dir=$2 level=$3
  keil=$(dirname "$project")
  name=$(value "$project" "TargetOption/TargetCommonOption/OutputName")
  secure=$(value "$project" "TargetOption/TargetArmAds/ArmAdsMisc/nSecure")
  out="$images_dir/$name"
  mkdir -p "$out"

  flags="-mcpu=cortex-m23 -mthumb -std=c99 $level -Wall -Wextra -Werror"
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
  main=""
  for file in $(xmllint --xpath "$target/Groups/Group/Files/File[FileType='1']/FilePath/text()" "$project" 2>/dev/null || true); do
    src=$(resolve "$keil" "$file")
    [ -f "$src" ] || fail "$project: source $file does not exist"
    extra=""
    case "$(basename "$src")" in
      xom*_func.c) extra="-mpure-code" ;;
      main_*.c) main=$src ;;
    esac
    o="$out/$(basename "$src" .c).o"
    # shellcheck disable=SC2086
    $cc $flags $extra $incflags -c "$src" -o "$o" || fail "$project: $file does not compile at $level"
    objects="$objects $o"
    sources=$((sources + 1))
  done
  [ -n "$main" ] || fail "$project: no main file"

  # The memory of the image: the project's rows, the veneer region and stack of its
  # scatter file, and the XOM regions of its scatter file.
  set -- $(memory "$project" OCR_RVCT4); rom=$1 romsize=$2
  set -- $(memory "$project" OCR_RVCT9); ram=$1 ramsize=$2
  scatter=$(resolve "$keil" "$(value "$project" "TargetOption/TargetArmAds/LDads/ScatterFile")")
  [ -f "$scatter" ] || fail "$project: scatter file missing"
  stack=$(define "$scatter" STACK_SIZE)
  seal=0
  if [ "$secure" = 1 ]; then
    nsc=$(define "$scatter" S_NSC_BASE) nscsize=$(define "$scatter" S_NSC_SIZE) seal=8
  fi
  ld="$out/image.ld"
  {
    echo "MEMORY {"
    echo "  ROM (rx) : ORIGIN = $rom, LENGTH = $romsize"
    echo "  RAM (rwx) : ORIGIN = $ram, LENGTH = $ramsize"
    [ "$secure" = 1 ] && echo "  NSC (rx) : ORIGIN = $nsc, LENGTH = $nscsize"
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
    echo "  __StackTop = ORIGIN(RAM) + LENGTH(RAM) - $seal;"
    echo "  __StackLimit = __StackTop - $stack;"
    echo "}"
  } >"$ld"

  libs=""
  if [ "$secure" = 1 ]; then
    # ld places the veneers only at an address given on its command line.
    lflags="-mcmse -Wl,--cmse-implib -Wl,--out-implib=$out/${name}_CMSE_Lib.o -Wl,--section-start=.gnu.sgstubs=$(printf 0x%x "$nsc")"
  else
    lflags=""
    for lib in $(xmllint --xpath "$target/Groups/Group[GroupName='CMSE Library']/Files/File/FileName/text()" "$project" 2>/dev/null || true); do
      owner=${lib%_CMSE_Lib.o}
      [ -f "$images_dir/$owner/$lib" ] || fail "$project: links $lib, which no secure project exported"
      libs="$libs $images_dir/$owner/$lib"
    done
  fi
  elf="$out/$name.elf"
  # shellcheck disable=SC2086
  "$link" -mcpu=cortex-m23 -mthumb -nostartfiles -nostdlib $lflags -T "$ld" -o "$elf" \
    $objects $libs -lgcc || fail "$project: the image does not link at $level"
  images=$((images + 1))

  # Placement: entry veneers in the veneer region, execute-only code in its region.
  if [ "$secure" = 1 ]; then
    entry=$("$nm" "$elf" | sed -n "s/^\([0-9a-f]*\) [Tt] ${name}_NscEntry\$/\1/p")
    [ -n "$entry" ] || fail "$name: no entry function ${name}_NscEntry"
    addr=$(printf '%d' "0x$entry")
    [ "$addr" -ge "$nsc" ] && [ "$addr" -lt $((nsc + nscsize)) ] || fail "$name: ${name}_NscEntry lies outside its NSC region"
  fi
  for k in $(sed -n 's/^  XOM\([0-3]\) 0x.*{$/\1/p' "$scatter"); do
    set -- $(sed -n "s/^  XOM$k \(0x[0-9A-Fa-f]*\) \(0x[0-9A-Fa-f]*\) {\$/\1 \2/p" "$scatter")
    base=$(printf '%d' "$1") size=$(printf '%d' "$2")
    f=$("$nm" "$elf" | sed -n "s/^\([0-9a-f]*\) [Tt] XOM${k}_Function\$/\1/p")
    [ -n "$f" ] || fail "$name: no XOM${k}_Function"
    addr=$(printf '%d' "0x$f")
    [ "$addr" -ge "$base" ] && [ "$addr" -lt $((base + size)) ] || fail "$name: XOM${k}_Function lies outside XOM$k"
  done

  check_image "$elf" "$name" "$secure" "$main" "$level"
  [ "$secure" = 1 ] && check_service "$elf" "$name" "$level"
  return 0
}

# What the disassembly must show, from the main file's boot defines.
check_image() {
  elf=$1 name=$2 secure=$3 main=$4 level=$5
  # Unoptimised, the intrinsic stays a function of its own.
  reset=$(function_text "$elf" Reset_Handler)
  if printf '%s\n' "$reset" | grep -q "	bl	.*<__set_MSPLIM>"; then reset=$(function_text "$elf" __set_MSPLIM); fi
  printf '%s\n' "$reset" | grep -q "msr	MSPLIM, " || fail "$name ($level): the reset handler sets no stack limit"
  next=$(sed -n 's/^#define NEXT_BOOT_BASE *\(0x[0-9A-Fa-f]*\)UL$/\1/p' "$main")
  next_ns=$(sed -n 's/^#define NEXT_BOOT_NS *\([01]\)$/\1/p' "$main")
  [ -n "$next" ] || fail "$main: no NEXT_BOOT_BASE"
  count=$(handovers_in "$elf") || fail "$name ($level): unsafe hand-over: $count"
  if [ "$next" = 0xFFFFFFFF ]; then
    [ "$count" = 0 ] || fail "$name ($level): hand-over code in an image that boots nothing"
    return
  fi
  "$nm" "$elf" | grep -q " Boot_NextImageRejected\$" || fail "$name ($level): no failure hook Boot_NextImageRejected"
  if [ "$secure" = 1 ] && [ "$next_ns" = 1 ]; then
    [ "$count" = 0 ] || fail "$name ($level): a non-secure image is started by writing MSP"
    text=$("$objdump" -d --no-show-raw-insn "$elf")
    tt=$(printf '%s\n' "$text" | grep -n "	tt	" | head -n 1 | cut -d: -f1)
    ns=$(printf '%s\n' "$text" | grep -n "	blxns	" | tail -n 1 | cut -d: -f1)
    [ -n "$tt" ] || fail "$name ($level): the non-secure image is not checked with TT"
    [ -n "$ns" ] || fail "$name ($level): no call into the non-secure state"
  else
    [ "$count" -ge 1 ] || fail "$name ($level): no hand-over to the next image"
    handovers=$((handovers + count))
  fi
  if [ "$secure" = 1 ]; then
    "$nm" "$elf" | grep -q " Partition_FlashBoundaryMismatch\$" || fail "$name ($level): no flash boundary failure hook"
  fi
}

# The service checks its caller's buffer with the caller's privilege: it reads
# CONTROL_NS.
check_service() {
  elf=$1 name=$2 level=$3
  "$objdump" -d --no-show-raw-insn "$elf" | grep -q "mrs	r[0-9]*, CONTROL_NS" ||
    fail "$name ($level): the secure service does not read the caller's privilege (CONTROL_NS)"
}

for level in $levels; do
  for pass in 1 0; do
    for project in "$tree"/*/KEIL/*.uvprojx; do
      [ -f "$project" ] || continue
      [ "$(value "$project" "TargetOption/TargetArmAds/ArmAdsMisc/nSecure")" = "$pass" ] || continue
      build "$project" "$work/$level" "$level"
    done
  done
done

[ "$sources" -gt 0 ] || fail "no sources found under $tree"
echo "compiled $sources sources, linked $images images ($levels), checked $handovers register hand-overs"
