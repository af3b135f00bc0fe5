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
# Stands alone: it installs and builds what it needs itself, and a part
# that cannot run counts as failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
logdir=$root/build/test-logs
mkdir -p "$logdir"

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

if ! "$root/scripts/deps.sh" > build/dist.log 2>&1 || ! "$root/scripts/dist.sh" >> build/dist.log 2>&1; then
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

# Under Wine, in a copy of the cached prefix that has never seen Brisolt,
# always with what Wine plays captured (the tests need it to hear a key).
if ! cmake --build build/win64 --target dist_tests > "$logdir/dist-build.log" 2>&1; then
  cat "$logdir/dist-build.log"
  check "the release tests are built" false
  finish
fi
mkdir -p "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$zip")
export BRISOLT_SOUND=capture
unset BRISOLT_CAPTURE
if [ ! -f "$root/build/wineprefix/system.reg" ]; then
  # The cached prefix is made once per build tree (and its server ended
  # before it is copied).
  (WINEPREFIX=$root/build/wineprefix; . "$root/scripts/wine-env.sh"; brisolt_wine_stop)
fi
export WINEPREFIX=$root/build/dist-prefix
rm -rf "$WINEPREFIX"
cp -a "$root/build/wineprefix" "$WINEPREFIX"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
: > "$BRISOLT_CAPTURE"
winpath() { echo "Z:${1//\//\\}"; }
export BRISOLT_VERSION=$version
export BRISOLT_SETUP; BRISOLT_SETUP=$(winpath "$setup")
export BRISOLT_UNZIPPED; BRISOLT_UNZIPPED=$(winpath "$work/unzipped/Brisolt-$version-win64")
export WINEDEBUG=-all
# Every test the program holds counts: one that did not pass (or never ran,
# the program ending early) is a failure.
dist_log=$logdir/dist.log
wine_all=$(wine build/win64/tests/dist_tests.exe --gtest_list_tests 2>/dev/null | tr -d '\r' | grep -c '^  ')
wine build/win64/tests/dist_tests.exe > "$dist_log" 2>&1
wine_passed=$(grep -c '^\[       OK \]' "$dist_log")
[ "$wine_all" -gt 0 ] 2>/dev/null || wine_all=1
[ "$wine_passed" -le "$wine_all" ] || wine_passed=$wine_all
wine_failed=$((wine_all - wine_passed))
grep -E 'Failure|Expected|Which is|Value of|Actual|FAILED' "$dist_log" | head -n 40
[ "$wine_failed" -gt 0 ] && echo "FAILED: $wine_failed of the $wine_all release tests under Wine (see $dist_log)"
passed=$((passed + wine_passed))
failed=$((failed + wine_failed))
wineserver -k 2>/dev/null
brisolt_wine_stop
rm -rf "$WINEPREFIX"
finish
