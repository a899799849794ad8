#!/usr/bin/env bash
# Builds the page and runs its tests in headless Chromium against the native
# command (built in build/ if it is not there yet).  Closes with
# "web: N passed, N failed".  The Japanese font is for the screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh chromium chromium-driver python3-selenium fonts-ipafont-gothic
bash scripts/build-web.sh
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j "${TALV_JOBS:-2}" --target talvechk_cli example_results >/dev/null
/usr/bin/python3 tests/web/test_web.py build-web/page build/tools/talvechk examples/invoice.json \
  build/examples/invoices.csv --shots build-web/shots
