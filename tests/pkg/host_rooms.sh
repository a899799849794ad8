#!/usr/bin/env bash
# Two sources of one name are found by include order and read as one by
# whoever searches the tree: none in the code.
# The host's rooms depend one way only: input/ on none of the others,
# check/ on input/, report/ on both.  An include against that order is the
# start of a cycle.
set -euo pipefail
root=${1:?usage: host_rooms.sh SOURCE_DIR}
host=$root/host
status=0
forbid() {
  local room=$1 pattern=$2
  if grep -rnE "#include \"($pattern)/" "$host/$room"; then
    echo "host/$room includes a room that depends on it" >&2
    status=1
  fi
}
forbid input 'check|report'
forbid check 'report'
# A header outside the rooms would be found only by include order.
if ls "$host"/*.h "$host"/*.cpp 2>/dev/null; then
  echo "host/ keeps its sources in input/, check/ and report/" >&2
  status=1
fi
same=$(cd "$root" && find src host tools python web ext include -name '*.cpp' -o -name '*.h' -o -name '*.c' |
  xargs -n1 basename | sort | uniq -d)
if [ -n "$same" ]; then
  echo "sources sharing a name: $same" >&2
  status=1
fi
exit $status
