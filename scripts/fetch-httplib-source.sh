#!/usr/bin/env bash
# The HTTP library's source for the Windows build. On Linux scenario-tool links Debian's
# libcpp-httplib; Windows has no such package, so its build compiles the same library from
# Debian's source package of it, with Debian's patches applied (dpkg-source does that). The
# package lists go into a folder of their own, so the machine's apt state is left as it was.
#   scripts/fetch-httplib-source.sh DIR   leaves DIR/httplib.h (nothing done when it is there)
set -euo pipefail
out=${1:?usage: fetch-httplib-source.sh DIR}
[ -f "$out/httplib.h" ] && exit 0
cd "$(dirname "$0")/.."
scripts/install-deps.sh dpkg-dev xz-utils debian-archive-keyring >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
cat >"$work/sources" <<SOURCES
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
SOURCES
apt=(apt-get -qq -o "Dir::Etc::SourceList=$work/sources" -o "Dir::Etc::SourceParts=/dev/null"
  -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o "APT::Sandbox::User=$(id -un)")
"${apt[@]}" update
(cd "$work" && "${apt[@]}" source --download-only cpp-httplib >/dev/null)
dpkg-source --no-check -x "$work"/cpp-httplib_*.dsc "$work/tree" >/dev/null
mkdir -p "$out"
cp "$work/tree/httplib.h" "$work/tree/LICENSE" "$out/"
echo "cpp-httplib source: $(basename "$work"/cpp-httplib_*.dsc .dsc)" >"$out/VERSION"
