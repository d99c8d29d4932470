#!/usr/bin/env bash
# Installs what Tavrin needs, builds it, and then either starts it or runs the tests.
#   scripts/setup.sh run    demo database and path.txt when missing, then start Tavrin
#   scripts/setup.sh test   every test, also against a Firebird server on 127.0.0.1
set -euo pipefail

mode=${1:-run}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRIN_BUILD_DIR:-$root/build}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-charts-dev qt6-translations-l10n libgtest-dev libgmock-dev
          libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils
          libxlsxwriter-dev libzip-dev libpugixml-dev qt6-svg-dev fonts-dejavu-core)
# The diplomas' rules of name declension come from npm (scripts/petrovich.sh).
command -v npm >/dev/null || packages+=(npm)
# The tests read the report workbooks back with LibreOffice; the fuzz test is built with clang's
# fuzzing engine; the package test checks the Debian package with lintian.
# The diplomas' PDF is read back with poppler's pdftotext and pdffonts; the results site is opened
# in headless Chromium.
[ "$mode" = test ] && packages+=(firebird3.0-server libreoffice-calc-nogui clang libclang-rt-14-dev lintian poppler-utils chromium)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

# A Firebird server on loopback for the server-mode tests: started by hand (there may be no init
# system), SYSDBA given the password the program uses.
start_server() {
  local dir=/var/lib/tavrin-test
  $sudo mkdir -p "$dir" /run/firebird3.0
  $sudo chown firebird:firebird /run/firebird3.0
  $sudo chmod 1777 "$dir"
  grep -q '^RemoteBindAddress *= *127.0.0.1' /etc/firebird/3.0/firebird.conf ||
    echo 'RemoteBindAddress = 127.0.0.1' | $sudo tee -a /etc/firebird/3.0/firebird.conf >/dev/null
  if ! pgrep -x firebird >/dev/null; then
    $sudo su -s /bin/sh firebird -c '/usr/sbin/fbguard -daemon -forever'
    for _ in $(seq 1 50); do
      (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null && break
      sleep 0.2
    done
  fi
  if ! echo 'SELECT 1 FROM RDB$DATABASE;' | isql-fb -q -user SYSDBA -password plorvenid \
       "127.0.0.1:$dir/probe.fdb" >/dev/null 2>&1; then
    local pw
    pw=$($sudo sh -c '. /etc/firebird/3.0/SYSDBA.password; echo "$ISC_PASSWORD"')
    $sudo rm -f "$dir/setup.fdb"
    printf "CREATE DATABASE '127.0.0.1:%s/setup.fdb' USER 'SYSDBA' PASSWORD '%s';\nALTER USER SYSDBA PASSWORD 'plorvenid';\nCOMMIT;\nDROP DATABASE;\n" \
      "$dir" "$pw" | isql-fb -q
  fi
  echo "$dir"
}

bash "$root/scripts/petrovich.sh" "$build"

cmake_args=(-S "$root" -B "$build" -G Ninja)
if [ "$mode" = test ]; then
  cmake_args+=(-DTAVRIN_FUZZ=ON)
  if server_dir=$(start_server | tail -n 1); then
    cmake_args+=(-DTAVRIN_TEST_SERVER=127.0.0.1 "-DTAVRIN_TEST_SERVER_DIR=$server_dir")
  else
    echo "The Firebird server could not be started; the server-mode tests are skipped." >&2
    cmake_args+=(-DTAVRIN_TEST_SERVER=)
  fi
fi
cmake "${cmake_args[@]}"
cmake --build "$build" --parallel

case "$mode" in
  test)
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure
    ;;
  run)
    app_dir="$build/app"
    if [ ! -f "$app_dir/path.txt" ]; then
      [ -f "$app_dir/demo.fdb" ] || "$build/tools/tavrin-db" demo "$app_dir/demo.fdb"
      echo "$app_dir/demo.fdb" > "$app_dir/path.txt"
    fi
    exec "$app_dir/tavrin"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
