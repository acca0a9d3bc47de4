#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need,
# only those that are missing. Runs apt-get as root (directly, or via sudo).
set -euo pipefail

packages=(
  cmake make g++ git                       # native build
  googletest libgtest-dev libbenchmark-dev # unit tests and benchmarks
  clang libclang-rt-14-dev                 # fuzz targets (libFuzzer, sanitizers)
  mingw-w64 g++-mingw-w64-x86-64-posix     # the Windows build
  wine wine64 fonts-wine                   # running it
  xvfb xdotool imagemagick x11-utils       # a screen for it, driving and screenshots
  procps psmisc                            # ps, pkill for the harness
  fp-utils libchm-bin                      # the help file: chmcmd compiles it, extract_chmLib checks it
  cups printer-driver-cups-pdf ghostscript poppler-utils  # printing: a print server, a PDF queue, the PDF read back
  nut-client                               # the network server's real clients: upsc and upsmon
  # A real NUT server to follow (upsd and dummy-ups). Its install starts no
  # upsd: nut-client's /etc/nut/nut.conf says MODE=none, so the init script
  # (or a container's policy-rc.d) declines; the tests run their own.
  nut-server
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
