#!/usr/bin/env bash
# How much of a check's time the host's own callbacks take
# (bench/callback_share.cpp), with the machine's load beside it: two hosts'
# ns per check compare the libraries only net of their callbacks.
#
#   bash bench/callback_share.sh [BUILD_DIR] [FORMS] [FEW_FORMS]
# The build needs -DTALV_BUILD_BENCH=ON (for callback_share).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runner=$build/bench/callback_share
[ -x "$runner" ] || { echo "build first: cmake -DTALV_BUILD_BENCH=ON, then cmake --build $build" >&2; exit 2; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$runner" "${2:-20000}" "${3:-300}"
cat <<'EOF'

Reading it (ns are per check, averaged over the four checks; each run is
three rounds timed apart, and plain, alone and timed give the fastest):
  false/errors  outcomes of the plain run: about 5% of the sums are off by
                one, and some dates do not exist; errors should be 0.
  plain         the checks with untimed callbacks: the figure to set beside
                another host's.
  alone         the same callback calls (same fields, same order, same record
                writes) without the library: what this host costs by itself.
  timed         the checks again with every callback and every check bracketed
                by rdtsc; what it exceeds plain by is the brackets' cost.
  in-cb         the cycles inside the callbacks in the timed run, in ns, net
                of the brackets' own cost.  Above alone when the callbacks run
                colder inside the checks than back to back (caches, prefetch
                and branch history shared with the library).
  share         in-cb as a part of the timed run's cycles (both net of the
                brackets), overall and by check.  Unfenced readings put in-cb
                low (a callback's last misses land past its closing reading),
                fenced ones high (nothing overlaps a bracket) but slow the
                library as well, so that the share moves less than in-cb; where
                the two rows agree the share is sound.  "left out": checks
                bracketed past 100000 cycles (preempted, interrupted), kept
                out of in-cb and share.
  forms rows    the full row's forms do not fit in cache (20000 take some
                40 MB), the few-forms row's do, with about as many checks:
                the difference in in-cb and share is the host's data falling
                out of cache.

A host's ns per check holds its callbacks' share: with cheaper lookups (an
array, names resolved once) it would be faster by up to share x plain with
the same library; doing more per callback, slower.  To compare libraries
across hosts, set roughly plain x (1 - share) beside the other host's figure
net of its own callbacks.  Figures move by several percent between runs,
more on a loaded machine: compare rows within one run.
EOF
