#!/usr/bin/env bash
# Makes sure the tools and libraries the build needs are present. As root it
# installs what is missing with apt-get; otherwise it says what to install.
set -euo pipefail
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
for p in "$@"; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq "${need[@]}"
else
  echo "missing: ${need[*]}" >&2
  echo "install them with:  sudo apt-get install -y ${need[*]}" >&2
  exit 1
fi
