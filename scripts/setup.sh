#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, as root.
# Safe to run again: every step checks first and says what it does.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
src_dir="$top/third_party/src"

# The shipped programs are 32-bit; the tests run them under 32-bit Wine where wine32:i386 can
# be installed (see install_wine32 below), else a 64-bit build of the same code under 64-bit Wine.
packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix cmake make ninja-build python3 dpkg-dev
  wine wine64 xvfb x11-utils
  libboost-dev libeasyloggingpp-dev libstb-dev libz-mingw-w64-dev googletest
  fonts-wqy-microhei nginx-light python3-pil imagemagick
  zip libarchive-tools p7zip-full
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
    local try errors
    errors=$(mktemp)
    for try in 1 2 3; do
      apt-get update -qq 2>"$errors" && break
      if [ "$try" = 3 ]; then
        say "some package lists could not be refreshed, going on with the others:"
        grep -o 'Failed to fetch [^ ]*' "$errors" | sort -u | sed 's/^/setup:   /'
      else
        sleep 10
      fi
    done
    rm -f "$errors"
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

# 32-bit Wine. Debian's i386 lists (its security index above all) are at times out of step with
# the amd64 ones; a library both architectures use (Multi-Arch: same) must then be installed at
# one version for both, or apt refuses. Pair each such library without downgrading anything:
# take the i386 half at the version the amd64 half has, or else upgrade the amd64 half to the
# version the i386 lists offer. Where neither can be had, the same packages are fetched from the
# same lists (apt-get download checks them as an install would) and unpacked into the build
# folder, where scripts/wine32 runs them; nothing on the system changes. Where that fails too,
# say why and go on: the tests then run the 64-bit build. The outcome is written to
# $wine32_status for scripts/test.sh.
wine32_status="${QIX_BUILD_DIR:-$top/build}/wine32-status.txt"
wine32_root="${QIX_BUILD_DIR:-$top/build}/wine32-root"

installed_version() {
  dpkg-query -W -f='${Status} ${Version}\n' "$1" 2>/dev/null | awk '/install ok installed/ {print $4}'
}

# Reads the i386 packages wine32:i386 needs; prints "pkg=version" requests that pair the
# Multi-Arch: same libraries, and "held name amd64 i386" for those that cannot be paired.
pair_requests() {
  local -a i386 amd64
  mapfile -t i386 < <(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances wine32:i386 2>/dev/null | grep -E '^[a-z0-9].*:i386$' | sort -u)
  mapfile -t amd64 < <(printf '%s\n' "${i386[@]}" | sed 's/:i386$/:amd64/')
  dpkg-query -W -f='${Package}:${Architecture} ${Multi-Arch} ${db:Status-Abbrev}\n' "${amd64[@]}" 2>/dev/null \
    | awk '$2 == "same" && $3 ~ /^ii/ {print $1}' >"$work/paired" || true
  [ -s "$work/paired" ] || return 0
  mapfile -t amd64 <"$work/paired"
  apt-cache policy "${amd64[@]}" $(sed 's/:amd64$/:i386/' "$work/paired") >"$work/policy"
  python3 - "$work/policy" <<'PY'
import subprocess, sys
# apt-cache policy: per package its installed and candidate versions, and the versions
# some list offers (those seen only in dpkg's status file are not to be had).
info, name, version = {}, None, None
for line in open(sys.argv[1]):
    if line[:1] not in " \n":
        name = line.strip().rstrip(":")
        info[name] = {"installed": None, "candidate": None, "listed": set()}
    elif line.startswith("  Installed:"):
        info[name]["installed"] = line.split()[1]
    elif line.startswith("  Candidate:"):
        info[name]["candidate"] = line.split()[1]
    elif line.startswith("     ") and line.split()[0] not in ("***",) and not line.startswith("        "):
        version = line.split()[0]
    elif line.startswith(" *** "):
        version = line.split()[1]
    elif line.startswith("        ") and "/var/lib/dpkg/status" not in line:
        info[name]["listed"].add(version)
def newer(a, b):
    return subprocess.run(["dpkg", "--compare-versions", a, "gt", b]).returncode == 0
for base in info:
    # Packages of the machine's own architecture are listed without a suffix.
    if base.endswith(":i386"):
        continue
    amd64, i386 = info[base], info.get(base + ":i386")
    have = amd64["installed"]
    if not i386 or i386["candidate"] in (None, "(none)"):
        continue
    if have == i386["candidate"] == amd64["candidate"]:
        continue
    # apt moves both halves to one version: name it for both, or it takes the amd64 candidate.
    if have in i386["listed"]:
        version = have
    elif newer(i386["candidate"], have) and i386["candidate"] in amd64["listed"]:
        version = i386["candidate"]
    else:
        print(f"held {base} {have} {i386['candidate']}")
        continue
    print(f"{base}:amd64={version}")
    print(f"{base}:i386={version}")
PY
}

unpack_wine32() {
  local version work deb
  version=$(apt-cache policy wine32:i386 | awk '/Candidate:/ {print $2}')
  [ -n "$version" ] && [ "$version" != "(none)" ] || return 1
  [ "$(cat "$wine32_root/.version" 2>/dev/null)" = "$version" ] && return 0
  # The loader runs on the machine's own 32-bit C library (libc6-i386), whose ld.so it names.
  [ -n "$(installed_version libc6-i386)" ] || install_packages libc6-i386 || return 1
  say "unpacking wine32:i386 $version and the i386 libraries it needs into $wine32_root"
  work=$(mktemp -d)
  : >"$work/status"
  # What apt would install on a machine with nothing installed: every i386 package of it.
  apt-get install -s -o "Dir::State::status=$work/status" --no-install-recommends wine32:i386 2>/dev/null \
    | awk '/^Inst / && $2 ~ /:i386$/ && $2 != "libc6:i386" {v = $3; gsub(/[()]/, "", v); print $2 "=" v}' \
    >"$work/list" || true
  mkdir -p "$work/debs"
  if [ ! -s "$work/list" ] || ! (cd "$work/debs" && xargs apt-get download -qq <"$work/list" >/dev/null 2>&1); then
    rm -rf "$work"
    return 1
  fi
  rm -rf "$wine32_root"
  mkdir -p "$wine32_root"
  for deb in "$work"/debs/*.deb; do
    dpkg-deb -x "$deb" "$wine32_root"
  done
  rm -rf "$work"
  # What libwine's installation does: zlib1.dll of libz-mingw-w64 made a Wine builtin DLL.
  local in=/usr/i686-w64-mingw32/lib/zlib1.dll out="$wine32_root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
  { head -c 64 "$in"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$in"; } >"$out"
  echo "$version" >"$wine32_root/.version"
}

install_wine32() {
  if [ -n "$(installed_version wine32:i386)" ]; then
    echo "installed" >"$wine32_status"
    return 0
  fi
  if [ -x "$wine32_root/usr/lib/wine/wine" ] && grep -q '^unpacked' "$wine32_status" 2>/dev/null; then
    say "32-bit Wine: $(cat "$wine32_status")"
    return 0
  fi
  # A failure within the last hour is not tried again at every run (the lists take a while).
  if [ -z "${QIX_RETRY_WINE32:-}" ] && [ -n "$(find "$wine32_status" -mmin -60 2>/dev/null)" ] \
      && grep -q '^failed' "$wine32_status"; then
    say "32-bit Wine: $(sed 's/^failed: //' "$wine32_status") (tried within the hour)"
    return 1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "enabling the i386 architecture"
    dpkg --add-architecture i386
    apt_updated=0
  fi
  apt_update

  local work line
  work=$(mktemp -d)
  local -a wanted=(wine32:i386) held_back=()
  while read -r line; do
    case "$line" in
      held\ *) set -- $line; held_back+=("$2 (amd64 $3, the i386 lists offer $4 only)") ;;
      *) wanted+=("$line") ;;
    esac
  done < <(pair_requests)
  rm -rf "$work"

  local reason="" pass simulated removed source request version
  if [ "${#held_back[@]}" -gt 0 ]; then
    reason="cannot pair the i386 and amd64 halves of ${held_back[*]} without a downgrade"
  fi
  # A library upgraded for the pairing takes along the packages that need its exact version
  # (its -dev package, say): upgrade them to the same version rather than let apt remove them.
  for pass in 1 2 3 4; do
    [ -z "$reason" ] || break
    if ! simulated=$(apt-get install -s --no-install-recommends "${wanted[@]}" 2>&1); then
      reason="apt cannot resolve wine32:i386 ($(grep -m1 -E '^(E: | [^ ].*: )' <<<"$simulated" | sed 's/^ *//'))"
      break
    fi
    mapfile -t removed < <(awk '/^Remv / {print $2}' <<<"$simulated")
    [ "${#removed[@]}" -gt 0 ] || break
    for pkg in "${removed[@]}"; do
      source=$(dpkg-query -W -f='${source:Package}' "$pkg" 2>/dev/null)
      version=""
      for request in "${wanted[@]}"; do
        case "$request" in
          *:amd64=*)
            [ "$(dpkg-query -W -f='${source:Package}' "${request%%=*}" 2>/dev/null)" = "$source" ] \
              && version=${request#*=} && break ;;
        esac
      done
      if [ "$pass" = 4 ]; then
        reason="installing wine32:i386 would remove $pkg"
        break
      fi
      # Else it goes because something it needs moved: keep it at the version it has.
      wanted+=("$pkg=${version:-$(installed_version "$pkg")}")
    done
  done
  if [ -z "$reason" ]; then
    say "installing wine32:i386 ($(( ${#wanted[@]} - 1 )) packages named to pair both halves)"
    install_packages "${wanted[@]}" || reason="apt-get install wine32:i386 failed"
  fi
  if [ -n "$reason" ] && unpack_wine32; then
    echo "unpacked in $wine32_root, since apt could not install it: $reason" >"$wine32_status"
    say "32-bit Wine: $(cat "$wine32_status")"
    return 0
  fi
  if [ -n "$reason" ]; then
    echo "failed: $reason; unpacking it failed too" >"$wine32_status"
    say "32-bit Wine: $reason; unpacking it failed too"
    return 1
  fi
  echo "installed" >"$wine32_status"
}

mkdir -p "$(dirname "$wine32_status")"
install_wine32 || true

fetch_source tinyxml2 "$tinyxml2_version" tinyxml2.cpp
fetch_source zlib "$zlib_version" contrib/minizip/unzip.c

say "ready"
