#!/bin/bash
# The package installed as apt installs it, and used by two users made for the test, each in no
# group but his own: the tool makes, fills, backs up and restores databases, the program runs on one
# for a few seconds, and a second program on a file the first holds is refused. Needs root, apt-get
# and useradd (as in CI); elsewhere it says so and passes. The package is removed again afterwards
# unless it was installed before.
#   install_as_users.sh PATH/tavrin_<version>_<arch>.deb
set -euo pipefail
deb=$(readlink -f "$1")
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null || ! command -v useradd >/dev/null; then
  echo "Not root or no apt-get/useradd: the package is not installed here."
  exit 0
fi
fail() { echo "FAILED: $*" >&2; exit 1; }
had=0
dpkg-query -W -f='${Status}' tavrin 2>/dev/null | grep -q "install ok installed" && had=1
a=tvpkg$$a b=tvpkg$$b shared=$(mktemp -d /tmp/tavrin-package.XXXXXX)
holder=
cleanup() {
  if [ -n "$holder" ]; then  # the first user's program, by its own id
    kill -TERM "$(cat "$shared/pid" 2>/dev/null)" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
  fi
  for u in "$a" "$b"; do userdel -r "$u" 2>/dev/null || true; done
  rm -rf "$shared"
  [ "$had" = 1 ] || apt-get remove -y -q -o DPkg::Lock::Timeout=600 tavrin >/dev/null 2>&1 || true
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall -o DPkg::Lock::Timeout=600 "$deb" >/dev/null ||
  fail "apt-get install $deb"

for u in "$a" "$b"; do
  useradd -m -s /bin/sh "$u"
  [ "$(id -nG "$u")" = "$u" ] || fail "$u is in another group: $(id -nG "$u")"
done
# As the user, with the environment of a fresh login (no XDG_RUNTIME_DIR: the engine's files go
# under ~/.cache/Tavrin).
as() { local u=$1; shift; runuser -u "$u" -- env -i HOME="/home/$u" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }

home=/home/$a
as "$a" tavrin-db create "$home/empty.fdb" || fail "tavrin-db create"
as "$a" tavrin-db demo "$home/demo.fdb" --participants 30 || fail "tavrin-db demo"
as "$a" tavrin-db backup "$home/demo.fdb" "$home/demo.fbk" || fail "tavrin-db backup"
as "$a" tavrin-db restore "$home/demo.fbk" "$home/restored.fdb" || fail "tavrin-db restore"
[ -d "$home/.cache/Tavrin" ] || fail "no folder of the user's own for the engine"

# The program on the demo database, offscreen, until it is told to end: it must not end before.
as "$a" sh -c 'mkdir -p ~/.config/Tavrin && echo ~/demo.fdb > ~/.config/Tavrin/path.txt'
rc=0
as "$a" env QT_QPA_PLATFORM=offscreen timeout -s TERM 5 tavrin >"$shared/run.log" 2>&1 || rc=$?
[ "$rc" = 124 ] || { cat "$shared/run.log"; fail "the program ended by itself (exit $rc)"; }

# Two users, one file: the second is refused while the first's program holds it.
chmod 1777 "$shared"
as "$a" tavrin-db demo "$shared/one.fdb" --participants 5 >/dev/null || fail "tavrin-db demo (shared)"
chmod 666 "$shared/one.fdb"
as "$a" sh -c "echo '$shared/one.fdb' > ~/.config/Tavrin/path.txt"
as "$a" sh -c "echo \$\$ > '$shared/pid'; QT_QPA_PLATFORM=offscreen exec timeout -s TERM 60 tavrin" >/dev/null 2>&1 &
holder=$!
for _ in $(seq 1 100); do
  flock -n "$shared/one.fdb" true 2>/dev/null || break  # held by the first program's engine
  sleep 0.1
done
out=$(as "$b" tavrin-db upgrade "$shared/one.fdb" 2>&1) && fail "a second user opened the file the first holds: $out"
echo "$out" | grep -q "другая копия" || fail "refused for another reason: $out"
echo "Installed, used by $a and $b (no group but their own); the second copy was refused."
