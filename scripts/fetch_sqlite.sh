#!/usr/bin/env bash
# Fetches the SQLite amalgamation (sqlite3.c, sqlite3.h, sqlite3ext.h) once from the npm registry's
# better-sqlite3 package, which ships it under deps/sqlite3, checks the tarball's sha256 and the
# library's version string, and caches the three files outside the source tree.
# Prints nothing when the cache is already complete.
set -euo pipefail

package="better-sqlite3@12.11.1"
tarball_sha256="ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835"
version="3.53.2"
cache="${QUORVALE_SQLITE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvale/sqlite-$version}"

if [[ -f "$cache/sqlite3.c" && -f "$cache/sqlite3.h" && -f "$cache/sqlite3ext.h" ]]; then
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "setup: fetching the SQLite $version amalgamation ($package)"
(cd "$work" && npm pack --silent "$package" >/dev/null)
tarball=$(ls "$work"/*.tgz)
echo "$tarball_sha256  $tarball" | sha256sum -c --quiet -
tar -xzf "$tarball" -C "$work" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h \
  package/deps/sqlite3/sqlite3ext.h
src="$work/package/deps/sqlite3"
grep -q "#define SQLITE_VERSION *\"$version\"" "$src/sqlite3.h" || {
  echo "setup: unexpected SQLite version in $package" >&2
  exit 1
}
mkdir -p "$(dirname "$cache")"
staging=$(mktemp -d "$(dirname "$cache")/.sqlite-XXXXXX")
cp "$src/sqlite3.c" "$src/sqlite3.h" "$src/sqlite3ext.h" "$staging/"
rm -rf "$cache"
mv "$staging" "$cache"
