#!/usr/bin/env bash
# Fetches the rule set of Russian name declension that the diplomas use: rules.json of the petrovich
# package (MIT) at a pinned version, checked against its pinned integrity, with its LICENSE.
#   scripts/petrovich.sh BUILD_DIR     ->  BUILD_DIR/petrovich/rules.json, BUILD_DIR/petrovich/LICENSE
set -euo pipefail

version=0.2.1
integrity='sha512-qBuAhvo7C0nusL4ZhgK+tcHYTX8uqkHFyQVbVcvB6/h3K1Hu2zPXT4hnX9/o5MSXc28AGkaoatqX/3D/KEhM+Q=='
out=${1:?usage: $0 BUILD_DIR}/petrovich

if [ -f "$out/rules.json" ] && [ -f "$out/LICENSE" ] && [ "$(cat "$out/version" 2>/dev/null)" = "$version" ]; then
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "petrovich@$version" >/dev/null)
tarball="$work/petrovich-$version.tgz"
got="sha512-$(node -e 'const c=require("crypto"),f=require("fs");process.stdout.write(c.createHash("sha512").update(f.readFileSync(process.argv[1])).digest("base64"))' "$tarball")"
if [ "$got" != "$integrity" ]; then
  echo "petrovich@$version: the package's integrity is $got, not the pinned $integrity" >&2
  exit 1
fi
tar -xzf "$tarball" -C "$work" package/rules.json package/LICENSE
mkdir -p "$out"
cp "$work/package/rules.json" "$work/package/LICENSE" "$out/"
echo "$version" > "$out/version"
