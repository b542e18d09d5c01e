#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, only those missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite
    qt6-qpa-plugins libgl-dev libqt6sql6-psql postgresql
    libgtest-dev libbenchmark-dev libsqlite3-dev libpq-dev linux-perf
    libsodium-dev libzip-dev zlib1g-dev libpugixml-dev libicu-dev openssl libssl-dev
    xvfb xauth fonts-wqy-microhei
    qt6-pdf-dev libreoffice-writer-nogui libreoffice-calc-nogui poppler-utils fonts-arphic-uming fonts-arphic-ukai
    libxlsxwriter-dev
    libcurl4-openssl-dev python3-aiosmtpd
    dpkg-dev file desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
