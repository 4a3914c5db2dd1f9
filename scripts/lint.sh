#!/usr/bin/env bash
# Static analysis of src/ and tests/: clang-tidy with the checks of .clang-tidy on every source
# file of the build, clazy's levels 0 and 1 on the Qt front end. Reads the compile
# commands of a configured build directory, prints every finding and fails if there is any.
#
# Usage: lint.sh [BUILD_DIR [JOBS]]
set -euo pipefail
cd "$(dirname "$0")/.."

# One tool on one file, run by the pool below: its output is printed in one piece, and only
# when there is a finding, so that parallel runs do not interleave.
if [ "${1:-}" = --one ]; then
    build_dir=$2 tool=$3 file=$4
    case "$tool" in
    clang-tidy) command=(clang-tidy-14 -p "$build_dir" --quiet "$file") ;;
    clazy) command=(clazy-standalone -p "$build_dir" --checks=level0,level1 --header-filter='/(src|tests)/[^/]+/[^/]+\.h$'
                    --extra-arg=-Werror "$file") ;;
    esac
    if ! output=$("${command[@]}" 2>&1); then
        printf '%s\n' "$output"
        exit 1
    fi
    exit 0
fi

build_dir=${1:-build}
jobs=${2:-$(nproc)}
database="$build_dir/compile_commands.json"
if [ ! -f "$database" ]; then
    echo "lint: $database is missing; configure the build first (make configure)" >&2
    exit 2
fi
for tool in clang-tidy-14 clazy-standalone; do
    if ! command -v "$tool" >/dev/null; then
        echo "lint: $tool is missing; scripts/install-deps.sh installs it" >&2
        exit 2
    fi
done

# The sources this build compiles (the Qt front end only when it is built), biggest first so
# that the pool ends together.
mapfile -t sources < <(sed -n 's|^ *"file": "\(.*\)",*$|\1|p' "$database" |
    grep -E "^$PWD/(src|tests)/" | sort -u | xargs -r ls -S)
[ "${#sources[@]}" -gt 0 ] || { echo "lint: no sources of src/ or tests/ in $database" >&2; exit 2; }

for file in "${sources[@]}"; do
    printf '%s\0%s\0' clang-tidy "$file"
    case "$file" in "$PWD/src/qt/"*) printf '%s\0%s\0' clazy "$file" ;; esac
done | if xargs -0 -n 2 -P "$jobs" scripts/lint.sh --one "$build_dir"; then
    echo "lint: no findings in ${#sources[@]} files"
else
    echo "lint: findings above" >&2
    exit 1
fi
