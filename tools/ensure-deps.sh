#!/usr/bin/env bash
# Makes sure the tools and libraries that the build, the tests and the plots
# need are present (Debian packages). As root it installs what is missing with
# apt-get; otherwise it names what to install. Extra package names may be
# given as arguments.
set -euo pipefail
packages=(
  cmake g++ make                      # the build
  libgtest-dev                        # the C++ tests
  libtomlplusplus-dev                 # case.toml
  nlohmann-json3-dev                  # results.json, analysis.json
  libnlopt-cxx-dev                    # optimisation and calibration
  pybind11-dev python3-dev            # the Python module
  python3-numpy python3-pytest python3-pandas python3-matplotlib  # ... its tests and the studies of its docs
  gnuplot-nox                         # plots and their tests
  parallel                            # the emitted engine-map jobs and their test
)
need=()
for p in "${packages[@]}" "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq --no-install-recommends "${need[@]}"
else
  echo "missing: ${need[*]}" >&2
  echo "install them with:  sudo apt-get install -y ${need[*]}" >&2
  exit 1
fi
