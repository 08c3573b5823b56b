#!/bin/sh
# Compiles every C source that the generated uVision projects of a tree list,
# with the include paths those projects give, for the Cortex-M23: secure projects
# with -mcmse, execute-only files with -mpure-code. A missing file, a wrong
# include path or a compile error fails.
#
#   compile_generated.sh OUTPUT_TREE
set -eu

tree=${1:?usage: compile_generated.sh OUTPUT_TREE}
cc=${CC_ARM:-arm-none-eabi-gcc}
obj=$(mktemp -d)
trap 'rm -rf "$obj"' EXIT

command -v "$cc" >/dev/null || { echo "$cc not found (Debian package gcc-arm-none-eabi)"; exit 1; }
command -v xmllint >/dev/null || { echo "xmllint not found (Debian package libxml2-utils)"; exit 1; }

target='/Project/Targets/Target[1]'
count=0
for project in "$tree"/*/KEIL/*.uvprojx; do
  [ -f "$project" ] || continue
  keil=$(dirname "$project")
  secure=$(xmllint --xpath "string($target/TargetOption/TargetArmAds/ArmAdsMisc/nSecure)" "$project")
  includes=$(xmllint --xpath "string($target/TargetOption/TargetArmAds/Cads/VariousControls/IncludePath)" "$project")
  flags="-mcpu=cortex-m23 -mthumb -std=c99 -O2 -Wall -Wextra -Werror -c"
  [ "$secure" = 1 ] && flags="$flags -mcmse"
  incflags=""
  old_ifs=$IFS
  IFS=';'
  for inc in $includes; do
    dir="$keil/$(printf '%s' "$inc" | tr '\\' '/')"
    [ -d "$dir" ] || { echo "$project: include folder $inc does not exist"; exit 1; }
    incflags="$incflags -I$dir"
  done
  IFS=$old_ifs

  files=$(xmllint --xpath "$target/Groups/Group/Files/File[FileType='1']/FilePath/text()" "$project" 2>/dev/null || true)
  for file in $files; do
    src="$keil/$(printf '%s' "$file" | tr '\\' '/')"
    [ -f "$src" ] || { echo "$project: source $file does not exist"; exit 1; }
    extra=""
    case "$(basename "$src")" in
      xom*_func.c) extra="-mpure-code" ;;
    esac
    count=$((count + 1))
    # shellcheck disable=SC2086
    "$cc" $flags $extra $incflags "$src" -o "$obj/$count.o" || { echo "$project: $file does not compile"; exit 1; }
  done
done

[ "$count" -gt 0 ] || { echo "no sources found under $tree"; exit 1; }
echo "compiled $count sources"
