#!/usr/bin/env bash
# Installs what Quorvale needs to build, test and benchmark on Debian 12, then fetches the
# SQLite amalgamation. Idempotent: packages already present are left alone, and apt-get update
# runs at most once, only when something is missing.
#
#   scripts/setup.sh           build and test dependencies, plus the SQLite amalgamation
#   scripts/setup.sh --bench   also the peers the benchmarks compare against (recoll, plocate)
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  libicu-dev libsqlite3-dev libssl-dev openssl libcurl4-openssl-dev nlohmann-json3-dev python3
  libpoppler-cpp-dev libzip-dev zipcmp zipmerge ziptool libopenblas-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  catdoc antiword zip unzip qpdf clang-format
  qt6-base-dev qt6-qpa-plugins libxcb1-dev libxcb-keysyms1-dev
  xvfb xauth xdotool xclip x11-utils dbus dbus-daemon
)
if [[ "${1:-}" == "--bench" ]]; then
  # poppler-utils and python3-lxml let recoll read PDF and Word files, as ours does.
  packages+=(recoll plocate time poppler-utils python3-lxml)
fi
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -o DPkg::Lock::Timeout=600 -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$(dirname "$0")/fetch_sqlite.sh"
