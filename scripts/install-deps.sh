#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages.
set -euo pipefail
pkgs=(build-essential g++-multilib cmake ninja-build flex bison pkg-config
      googletest libgtest-dev libgmock-dev libbenchmark-dev libboost-dev
      nlohmann-json3-dev libcli11-dev libfmt-dev clang libclang-rt-14-dev
      binutils groff-base python3 valgrind
      python3-pandas python3-dask python3-distributed python3-pytest pybind11-dev python3-dev)
bash "$(dirname "$0")/install-packages.sh" "${pkgs[@]}"
