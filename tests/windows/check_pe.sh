#!/bin/sh
# Checks a Windows DLL pair against the Linux export lists:
#   check_pe.sh <objdump> <build dir> <exports.map> [<libtalvextn.so>]
# talvechk.dll exports exactly the names of the version script, talvextn.dll
# exactly ext_func_tab; talvechk.dll imports ext_func_tab from talvextn.dll;
# talvextn.dll imports from talvechk.dll only exported names, and (given the
# Linux companion) exactly the library names the Linux companion needs.
objdump=$1 dir=$2 map=$3 linux_ext=${4:-}
export LC_ALL=C  # one order for sort and comm
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
status=0

sed -e 's#/\*.*\*/##g' "$map" | tr '\n' ' ' | sed -e 's/.*global:\(.*\)local:.*/\1/' | tr ';' '\n' |
  tr -d ' \t' | grep -v '^$' | sort > "$tmp/map"
echo ext_func_tab > "$tmp/ext"

# The names of the export table: the lines after "[Ordinal/Name Pointer] Table".
exports() {
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort
}
# The names imported from one DLL: the block after "DLL Name: <dll>".
imports() {
  "$objdump" -p "$1" | awk -v dll="$2" '
    /DLL Name:/ { inside = ($3 == dll); next }
    inside && NF == 0 { inside = 0 }
    inside && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $3 }' | sort
}
compare() {  # what, expected file, actual file
  if cmp -s "$2" "$3"; then
    echo "ok: $1 ($(wc -l < "$3") names)"
  else
    echo "FAILED: $1 (< expected, > found):"
    diff "$2" "$3" | grep '^[<>]'
    status=1
  fi
}

exports "$dir/talvechk.dll" > "$tmp/talvechk.exports"
compare "talvechk.dll exports the version script's names" "$tmp/map" "$tmp/talvechk.exports"
exports "$dir/talvextn.dll" > "$tmp/talvextn.exports"
compare "talvextn.dll exports ext_func_tab" "$tmp/ext" "$tmp/talvextn.exports"
imports "$dir/talvechk.dll" talvextn.dll > "$tmp/talvechk.imports"
compare "talvechk.dll imports ext_func_tab from talvextn.dll" "$tmp/ext" "$tmp/talvechk.imports"
imports "$dir/talvextn.dll" talvechk.dll > "$tmp/talvextn.imports"
comm -23 "$tmp/talvextn.imports" "$tmp/map" > "$tmp/unexported"
compare "talvextn.dll imports only exported names" /dev/null "$tmp/unexported"
if [ -n "$linux_ext" ] && [ -f "$linux_ext" ]; then
  nm -D --undefined-only "$linux_ext" | awk '{ print $NF }' | sed 's/@.*//' | sort | comm -12 - "$tmp/map" > "$tmp/linux.imports"
  compare "talvextn.dll imports what libtalvextn.so needs" "$tmp/linux.imports" "$tmp/talvextn.imports"
fi
exit $status
