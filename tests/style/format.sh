#!/usr/bin/env bash
# Every C++ source of the project is as clang-format (the project's .clang-format) writes it.
#   format.sh REPO_DIR   (skipped with status 77 when clang-format is missing)
set -euo pipefail
cd "${1:?usage: format.sh REPO_DIR}"
format=$(command -v clang-format-14 || command -v clang-format) || { echo "SKIP: no clang-format"; exit 77; }
mapfile -t files < <(find src tools tests fuzz bench -name '*.cpp' -o -name '*.h' | sort)
"$format" --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files as clang-format writes them"
