#!/usr/bin/env bash
# Every C++ file of the repository as the repository's .clang-format lays it
# out: fails naming the files that drifted (fix: clang-format -i FILE).
set -u
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "format: clang-format is missing, skipped"; exit 77; }
drifted=0
while IFS= read -r f; do
  if ! clang-format --style=file "$f" | cmp -s - "$f"; then
    echo "format: $f differs from .clang-format"
    drifted=$((drifted + 1))
  fi
done < <(git ls-files '*.cpp' '*.h')
echo "format: $drifted files drifted"
[ "$drifted" = 0 ]
