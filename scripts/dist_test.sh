#!/usr/bin/env bash
# Tests the release that scripts/dist.sh makes:
#  - reproducible: a second clone of the same commit, in another folder,
#    makes a byte-identical zip and installer;
#  - signed when asked: a throw-away self-signed certificate signs the
#    binaries, the installer and its uninstaller, and osslsigncode verifies them;
#  - under Wine, in a prefix of its own: the zip unpacks to a folder that
#    starts and sounds, every binary carries the version, and the installer
#    installs, upgrades and uninstalls silently (tests/dist, dist_tests.exe).
# Ends with "dist: N passed, N failed"; exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

passed=0
failed=0
check() {  # check NAME COMMAND...: one test
  if "${@:2}"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $1"
    failed=$((failed + 1))
  fi
}
finish() {
  echo "dist: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

if ! "$root/scripts/dist.sh" > build/dist.log 2>&1; then
  cat build/dist.log
  failed=1
  finish
fi
version=$(head -n 1 VERSION)
release=$root/build/release
zip=$release/Brisolt-$version-win64.zip
setup=$release/Brisolt-$version-setup.exe
work=$(mktemp -d /tmp/brisolt-dist-XXXXXX)
trap 'rm -rf "$work"' EXIT

check "the release has its files" test -s "$zip" -a -s "$setup" -a -s "$release/SHA256SUMS" \
  -a -s "$release/scoop/brisolt.json" -a -d "$release/winget/manifests/q/Quendral/Brisolt/$version"
check "SHA256SUMS" bash -c "cd '$release' && sha256sum -c --quiet SHA256SUMS"
check "the manifests name the files' hashes" bash -c "
  grep -qi \"\$(sha256sum '$setup' | cut -d' ' -f1)\" '$release'/winget/manifests/q/Quendral/Brisolt/$version/Quendral.Brisolt.installer.yaml &&
  grep -q \"\$(sha256sum '$zip' | cut -d' ' -f1)\" '$release/scoop/brisolt.json' &&
  python3 -c 'import json,sys; json.load(open(sys.argv[1]))' '$release/scoop/brisolt.json'"

# Reproducible: the same commit in another folder gives the same bytes. A
# working tree with changes is not the commit, so it is checked only clean.
if [ -z "$(git status --porcelain 2>/dev/null)" ]; then
  git clone -q "$root" "$work/clone"
  if (cd "$work/clone" && scripts/dist.sh > "$work/clone.log" 2>&1); then
    check "the zip is reproducible" cmp -s "$zip" "$work/clone/build/release/$(basename "$zip")"
    check "the installer is reproducible" cmp -s "$setup" "$work/clone/build/release/$(basename "$setup")"
  else
    cat "$work/clone.log"
    check "a second clone makes the release" false
  fi
  rm -rf "$work/clone"
else
  echo "dist: the working tree has changes, so reproducibility is not checked here"
fi

# Signed with a throw-away certificate when one is given.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Brisolt test signing" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
mkdir -p "$work/signed"
if BRISOLT_SIGN_CERT=$work/cert.pem BRISOLT_SIGN_KEY=$work/key.pem scripts/dist.sh > "$work/signed.log" 2>&1; then
  cp "$setup" "$work/signed/setup.exe"
  (cd "$work/signed" && unzip -q "$zip")
  verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1 | grep -q "Signature verification: ok"; }
  check "the signed installer verifies" verify "$work/signed/setup.exe"
  for f in Brisolt.exe Hakdor.dll bass.dll; do
    check "the signed $f verifies" verify "$work/signed/Brisolt-$version-win64/$f"
  done
  check "the build says it signed" grep -q "Signed the binaries" "$work/signed.log"
else
  cat "$work/signed.log"
  check "a signed release is made" false
fi
# The release for the Wine tests, unsigned again.
scripts/dist.sh > build/dist.log 2>&1 || { cat build/dist.log; check "the release is made again" false; }
check "an unsigned build says so" grep -q "Not signed" build/dist.log

# Under Wine, in a copy of the cached prefix that has never seen Brisolt.
cmake --build build/win64 --target dist_tests >/dev/null
mkdir -p "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$zip")
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
export WINEPREFIX=$root/build/dist-prefix
rm -rf "$WINEPREFIX"
cp -a "$root/build/wineprefix" "$WINEPREFIX"
[ -n "${BRISOLT_CAPTURE:-}" ] && : > "$BRISOLT_CAPTURE"
winpath() { echo "Z:${1//\//\\}"; }
export BRISOLT_VERSION=$version
export BRISOLT_SETUP; BRISOLT_SETUP=$(winpath "$setup")
export BRISOLT_UNZIPPED; BRISOLT_UNZIPPED=$(winpath "$work/unzipped/Brisolt-$version-win64")
export WINEDEBUG=-all
wine build/win64/tests/dist_tests.exe > build/test-logs/dist.log 2>&1
wine_passed=$(grep -c '^\[       OK \]' build/test-logs/dist.log)
wine_failed=$(grep -cE '^\[  FAILED  \] Release\..* \([0-9]+ ms\)' build/test-logs/dist.log)
[ "$wine_passed" -eq 0 ] && [ "$wine_failed" -eq 0 ] && wine_failed=1
grep -E 'Failure|Expected|Which is|Value of|Actual|FAILED' build/test-logs/dist.log | head -n 40
passed=$((passed + wine_passed))
failed=$((failed + wine_failed))
wineserver -k 2>/dev/null
brisolt_wine_stop
rm -rf "$WINEPREFIX"
finish
