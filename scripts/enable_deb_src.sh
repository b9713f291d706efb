#!/bin/bash
# Makes `apt-get source` work on a machine whose apt sources list only binary
# repositories: the same URIs, suites and components, typed deb-src.
set -euo pipefail

have_deb_src() {
    grep -rqsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
        /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

if have_deb_src; then
    exit 0
fi

out=/etc/apt/sources.list.d/zuv-deb-src.sources
tmp=$(mktemp)
for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    # Only Debian's own repositories carry the source packages we need.
    grep -q 'debian' "$f" || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$tmp"
    echo >>"$tmp"
done
if [ -f /etc/apt/sources.list ]; then
    grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list |
        sed -e 's/^[[:space:]]*deb[[:space:]]/deb-src /' >"${out%.sources}.list" || true
fi
if [ -s "$tmp" ]; then
    mv "$tmp" "$out"
else
    rm -f "$tmp"
fi
apt-get update -q >/dev/null
