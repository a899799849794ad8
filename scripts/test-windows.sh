#!/usr/bin/env bash
# Builds the Windows DLL pairs (scripts/build-windows.sh) and tests them:
# both pairs' exports and imports against the Linux lists (objdump -p), and
# the x86-64 programs run under wine64 with a Japanese locale (ANSI code page
# 932): the platform layer's own checks (tests/windows/win_tests.c), every
# message byte for byte equal to the Linux build's, the bundled example host
# giving the Linux output, the companion table imported from talvextn.dll,
# a drop-in companion DLL replacing it, and the allocation-failure sweep.  The i686 programs run under
# wine when wine32 is installed, and are skipped with a message otherwise.
#   scripts/test-windows.sh     (TALV_LINUX_BUILD=<dir>, default build/, for
#                                the Linux side of the comparisons)
# Installs the Debian packages it needs; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
bash scripts/build-windows.sh x86_64 i686

pkgs=(wine64 wine locales)
bash scripts/install-packages.sh --no-recommends "${pkgs[@]}"
# Wine takes its ANSI code page from the locale, which must exist.
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || $SUDO localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8

# The Linux side: the native build's library and the two programs built
# from the same sources.
linux=${TALV_LINUX_BUILD:-build}
if [ ! -f "$linux/build.ninja" ]; then
  linux=build-winref
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALV_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$linux" -j "$(nproc)" --target catalogue_dump example_host talvextn >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
passed=0 failed=0
result() {  # name, status
  if [ "$2" -eq 0 ]; then passed=$((passed + 1)); echo "ok: $1"
  else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
# The dump program sits with the tests (tests/) in a full build.
dump=$linux/tests/catalogue_dump
[ -x "$dump" ] || dump=$linux/catalogue_dump
"$dump" > "$work/catalogue.linux"
"$linux/example_host" > "$work/example.linux"

for dir in build-win64 build-win32; do
  case $dir in build-win64) triplet=x86_64-w64-mingw32 ;; build-win32) triplet=i686-w64-mingw32 ;; esac
  st=0
  sh tests/windows/check_pe.sh "$triplet-objdump" "$dir" src/service/exports.map "$linux/libtalvextn.so" || st=$?
  result "$dir exports and imports" $st
done

run_tests() {  # build dir, wine runner
  local dir=$1 wine=$2 st
  echo "== $dir under $(basename "$wine")"
  (cd "$dir" && "$wine" win_tests.exe) | tr -d '\r' > "$work/win_tests.out" && st=0 || st=$?
  cat "$work/win_tests.out"
  result "$dir win_tests" $st
  (cd "$dir" && "$wine" catalogue_dump.exe) | tr -d '\r' > "$work/catalogue.win" && st=0 || st=$?
  [ $st -eq 0 ] && { cmp "$work/catalogue.linux" "$work/catalogue.win" || st=1; }
  result "$dir every message equals the Linux build's" $st
  (cd "$dir" && "$wine" example_host.exe) | tr -d '\r' > "$work/example.win" && st=0 || st=$?
  [ $st -eq 0 ] && { diff "$work/example.linux" "$work/example.win" || st=1; }
  result "$dir example host gives the Linux output" $st
  (cd "$dir" && "$wine" eval_host.exe 00000000 "luhn('79927398713')" 80000000 "luhn('79927398710')" \
     A005000A "digits()" 90000004 "even(4)") > "$work/eval.out" && st=0 || st=$?
  [ $st -eq 0 ] || tr -d '\r' < "$work/eval.out"
  result "$dir companion table from talvextn.dll" $st
  cp "$dir/talvechk.dll" "$dir/eval_host.exe" "$dir/dropin/"
  (cd "$dir/dropin" && "$wine" eval_host.exe 00000000 "even(4)" 80000000 "even(3)" 00000000 "EVEN(-2)" \
     A000000A "even(1, 2)" A000000A "even('x')" 00000000 "sum(1, 2) == 3" 90000004 "luhn('79927398713')") \
     > "$work/dropin.out" && st=0 || st=$?
  [ $st -eq 0 ] || tr -d '\r' < "$work/dropin.out"
  result "$dir drop-in companion DLL replaces talvextn.dll" $st
  if [ -f "$dir/alloc_sweep.exe" ]; then
    (cd "$dir" && "$wine" alloc_sweep.exe) | tr -d '\r' && st=0 || st=$?
    result "$dir allocation-failure sweep" "$st"
  fi
}

echo "== starting wine (a fresh prefix)"
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
run_tests build-win64 /usr/lib/wine/wine64
if [ -x /usr/lib/wine/wine ]; then
  run_tests build-win32 /usr/lib/wine/wine
else
  echo "windows: i686 tests skipped: wine32 is not installed (dpkg --add-architecture i386; apt-get update; apt-get install wine32:i386)"
fi
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
