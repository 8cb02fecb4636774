#!/usr/bin/env bash
# Installs the Debian packages the project needs, when they are missing.
set -euo pipefail
needed=(g++ cmake ninja-build pkg-config libsqlite3-dev libncurses-dev libgtest-dev libgmock-dev
        libpq-dev postgresql
        tmux)
# Owner statements (PDF) and the spreadsheet export; the tests read them back.
needed+=(libhpdf-dev libxlsxwriter-dev poppler-utils python3)
# The Debian package and its man pages: dpkg-shlibdeps and file for the library
# dependencies, man and groff to check the pages.
needed+=(dpkg-dev file man-db groff-base)
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
