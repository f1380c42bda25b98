#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, as root.
# Safe to run again: every step checks first and says what it does.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
src_dir="$top/third_party/src"

# The shipped programs are 32-bit; the tests run a 64-bit build of the same code under
# 64-bit Wine, since kernels without 32-bit process support cannot run 32-bit Wine.
packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix cmake make ninja-build python3 dpkg-dev
  wine wine64 xvfb x11-utils
  libboost-dev libeasyloggingpp-dev libstb-dev libz-mingw-w64-dev googletest
  fonts-wqy-microhei nginx-light python3-pil
)
# Versions in Debian 12's main archive; apt-cache showsrc is asked when these are gone.
tinyxml2_version="9.0.0+dfsg-3.1"
zlib_version="1:1.2.13.dfsg-1"

say() { echo "setup: $*"; }

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

have_deb_src() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}

apt_updated=0
apt_update() {
  if [ "$apt_updated" = 0 ]; then
    say "refreshing the package lists"
    # A mirror caught mid-sync fails one index now and then: retry, then go on with what we have.
    local try
    for try in 1 2 3; do
      apt-get update -qq && break
      [ "$try" = 3 ] && say "some package lists could not be refreshed; going on with the others"
      sleep 5
    done
    apt_updated=1
  fi
}

if ! have_deb_src; then
  say "enabling Debian source packages"
  cat > /etc/apt/sources.list.d/qix-deb-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi

install_packages() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

mapfile -t need < <(missing_packages)
if [ "${#need[@]}" -gt 0 ]; then
  apt_update
  say "installing ${need[*]}"
  if ! install_packages "${need[@]}"; then
    # A mirror mid-sync can leave the security suite's index out of step with the
    # packages it lists: take everything from the main archive then.
    say "retrying the install from the main archive alone"
    main_only=$(mktemp -d)
    cat > "$main_only/main.sources" <<'SRC'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    apt_main_only=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$main_only")
    apt-get "${apt_main_only[@]}" update -qq
    install_packages "${apt_main_only[@]}" "${need[@]}"
    rm -rf "$main_only"
  fi
fi

# Fetches a Debian source package into third_party/src/<name>, trying the pinned version first.
fetch_source() {
  local name=$1 version=$2 marker=$3
  [ -e "$src_dir/$name/$marker" ] && return 0
  apt_update
  mkdir -p "$src_dir"
  local work
  work=$(mktemp -d "$src_dir/.fetch.XXXXXX")
  say "fetching the source of $name"
  if ! (cd "$work" && apt-get source -qq "$name=$version" >/dev/null 2>&1); then
    local listed
    listed=$(apt-cache showsrc "$name" | awk '/^Version:/ {print $2; exit}')
    say "$name $version is gone from the archive, taking $listed"
    (cd "$work" && apt-get source -qq "$name=$listed" >/dev/null 2>&1)
  fi
  local tree
  tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n1)
  rm -rf "${src_dir:?}/$name"
  mv "$tree" "$src_dir/$name"
  rm -rf "$work"
}

fetch_source tinyxml2 "$tinyxml2_version" tinyxml2.cpp
fetch_source zlib "$zlib_version" contrib/minizip/unzip.c

say "ready"
