#!/bin/sh
# Compiles what the Keil and IAR projects of a generated tree list, as those IDEs
# would, with the GNU Arm tool chain standing in for their compilers: every C
# source of each uVision project and of each IAR project, with that project's
# include paths, for the Cortex-M23 (secure projects with -mcmse, execute-only
# files with -mpure-code), at each optimisation level. A listed source or include
# folder that does not exist, or a source that does not compile cleanly, fails.
# Linking and the images are the GCC build's (gcc_build.sh).
#
#   compile_generated.sh OUTPUT_TREE
#
# CC_ARM (default arm-none-eabi-gcc) is the compiler, for example
# "clang --target=arm-none-eabi"; OPT_LEVELS (default "-O0 -O2") the levels.
set -eu

tree=${1:?usage: compile_generated.sh OUTPUT_TREE}
cc=${CC_ARM:-arm-none-eabi-gcc}
levels=${OPT_LEVELS:--O0 -O2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck disable=SC2086
command -v ${cc%% *} >/dev/null || { echo "${cc%% *} not found (Debian package gcc-arm-none-eabi or clang)"; exit 1; }
command -v xmllint >/dev/null || { echo "xmllint not found (Debian package libxml2-utils)"; exit 1; }

sources=0
projects=0

fail() { echo "$*"; exit 1; }

# A path written in a Keil or IAR file, from the project's folder.
resolve() {
  p=$(printf '%s' "$2" | sed 's/^\$PROJ_DIR\$\\//' | tr '\\' '/')
  case "$p" in
    /*) printf '%s' "$p" ;;
    *) printf '%s/%s' "$1" "$p" ;;
  esac
}

# Compiles the sources (one per line in file $3) of project $1 whose folder is
# $2, with include folders (one per line in file $4) and flags $5.
compile_list() {
  project=$1 folder=$2 list=$3 includes=$4 flags=$5
  incflags=""
  while IFS= read -r inc; do
    [ -n "$inc" ] || continue
    dir=$(resolve "$folder" "$inc")
    [ -d "$dir" ] || fail "$project: include folder $inc does not exist"
    incflags="$incflags -I$dir"
  done <"$includes"
  found=0
  while IFS= read -r file; do
    case "$file" in *.c) ;; *) continue ;; esac
    src=$(resolve "$folder" "$file")
    [ -f "$src" ] || fail "$project: source $file does not exist"
    extra=""
    case "$(basename "$src")" in xom*_func.c) extra="-mpure-code" ;; esac
    for level in $levels; do
      # shellcheck disable=SC2086
      $cc -mcpu=cortex-m23 -mthumb -std=c99 $level -Wall -Wextra -Werror $flags $extra $incflags \
        -c "$src" -o "$work/out.o" || fail "$project: $file does not compile at $level"
      sources=$((sources + 1))
    done
    found=1
  done <"$list"
  [ "$found" = 1 ] || fail "$project: no C source listed"
  projects=$((projects + 1))
}

# The nodes an XPath selects in file $2, one per line.
nodes() { xmllint --xpath "$1" "$2" 2>/dev/null || :; echo; }

# -D flags for the definitions in $1 (separated by commas, blanks or lines).
defines() { for d in $(printf '%s' "$1" | tr ',' ' '); do printf ' -D%s' "$d"; done; }

for project in "$tree"/*/KEIL/*.uvprojx; do
  [ -f "$project" ] || continue
  target='/Project/Targets/Target[1]'
  cads="$target/TargetOption/TargetArmAds/Cads/VariousControls"
  nodes "$target/Groups/Group/Files/File[FileType='1']/FilePath/text()" "$project" >"$work/sources"
  nodes "string($cads/IncludePath)" "$project" | tr ';' '\n' >"$work/includes"
  flags=$(defines "$(nodes "string($cads/Define)" "$project")")
  [ "$(nodes "string($target/TargetOption/TargetArmAds/ArmAdsMisc/nSecure)" "$project")" = 1 ] &&
    flags="$flags -mcmse"
  compile_list "$project" "$(dirname "$project")" "$work/sources" "$work/includes" "$flags"
done

for project in "$tree"/*/IAR/*.ewp; do
  [ -f "$project" ] || continue
  option="/project/configuration[1]/settings/data/option"
  nodes "//group/file/name/text()" "$project" >"$work/sources"
  nodes "$option[name='CCIncludePath2']/state/text()" "$project" >"$work/includes"
  flags=$(defines "$(nodes "$option[name='CCDefines']/state/text()" "$project")")
  nodes "$option[name='IExtraOptions']/state/text()" "$project" | grep -qx -- "--cmse" && flags="$flags -mcmse"
  compile_list "$project" "$(dirname "$project")" "$work/sources" "$work/includes" "$flags"
done

[ "$projects" -gt 0 ] || fail "no Keil or IAR project found under $tree"
echo "compiled $sources sources of $projects Keil and IAR projects ($levels)"
