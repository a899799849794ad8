#!/bin/sh
# Checks that a shared library defines exactly the dynamic symbols that the
# version script names in its global part.
#   check_exports.sh <nm> <library> <version script>
# Exits 77 (skipped) when nm is not available.
nm=$1 lib=$2 map=$3
if [ -z "$nm" ] || ! command -v "$nm" >/dev/null 2>&1; then
  echo "nm not available; skipped"
  exit 77
fi
expected=$(sed -e 's#/\*.*\*/##g' "$map" | tr '\n' ' ' |
  sed -e 's/.*global:\(.*\)local:.*/\1/' | tr ';' '\n' | tr -d ' \t' | grep -v '^$' | sort)
actual=$("$nm" -D --defined-only "$lib" | awk 'NF { print $NF }' | sort) || exit 1
if [ "$expected" != "$actual" ]; then
  echo "exported names differ from $map (< expected, > exported):"
  printf '%s\n' "$expected" > "${TMPDIR:-/tmp}/talv_expected.$$"
  printf '%s\n' "$actual" | diff "${TMPDIR:-/tmp}/talv_expected.$$" - 
  rm -f "${TMPDIR:-/tmp}/talv_expected.$$"
  exit 1
fi
echo "$(printf '%s\n' "$actual" | wc -l) names exported, as listed"
