#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' | grep -v -E '^(third_party|node_modules)/' || true)
[ -n "$files" ] || exit 0
bad=$(for f in $files; do clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"; done)
if [ -n "$bad" ]; then
  echo "Not formatted (run: clang-format -i <file>):"
  echo "$bad"
  exit 1
fi
echo "format: all files formatted"
