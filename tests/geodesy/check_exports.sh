#!/bin/sh
# The shared object exports exactly the C names of its version script, undecorated.
set -eu
lib=$1
map=$2
expected=$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' "$map" | sort)
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVW]$/ {print $3}' | sed 's/@.*//' | sort)
if [ "$expected" != "$actual" ]; then
  echo "exports differ from $map:"
  echo "$expected" > /tmp/tellus-expected.$$
  echo "$actual" | diff /tmp/tellus-expected.$$ - || true
  rm -f /tmp/tellus-expected.$$
  exit 1
fi
echo "$(echo "$actual" | wc -l) exports, all C names"
