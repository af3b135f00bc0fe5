#!/usr/bin/env bash
# Makes a release in build/release/ from the win64 tree:
#   Brisolt-<version>-win64.zip   the portable folder
#   Brisolt-<version>-setup.exe   the per-user installer (NSIS)
#   SHA256SUMS                    of both
#   winget/...  scoop/brisolt.json  the package managers' manifests
# Installs NSIS, zip, unzip and osslsigncode when they are missing. Two runs from one
# commit give byte-identical files (SOURCE_DATE_EPOCH is the commit's time).
#
# Variables a distributor sets:
#   BRISOLT_DOWNLOAD_URL  where the two files will be downloaded from (a folder)
#   BRISOLT_SIGN_CERT, BRISOLT_SIGN_KEY  a PEM certificate (chain) and its key:
#       the three binaries, the installer and the uninstaller are signed with
#       Authenticode; without them nothing is signed, and this says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/deps.sh" nsis zip unzip osslsigncode  # unzip: for the release's tests

version=$(head -n 1 VERSION)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)}
export TZ=UTC LC_ALL=C
url=${BRISOLT_DOWNLOAD_URL:-https://www.quendral.example/brisolt/download/$version}
url=${url%/}

[ -f build/win64/CMakeCache.txt ] || cmake --preset win64 >/dev/null
cmake --build build/win64 --target Brisolt Hakdor bass dist_assets

out=build/release
work=build/release-work
name=Brisolt-$version-win64
stage=$work/stage/$name
rm -rf "$out" "$work"
mkdir -p "$out" "$stage" "$work/generated"
cp build/win64/dist/Brisolt.exe build/win64/dist/Hakdor.dll build/win64/dist/bass.dll "$stage/"
cp -r assets/Schemes "$stage/Schemes"
cp assets/schemes.cfg "$stage/schemes.cfg"
sed "s/@VERSION@/$version/" packaging/README.txt | sed 's/$/\r/' > "$stage/README.txt"
sed 's/$/\r/' LICENSE > "$stage/LICENSE.txt"

sign=""
if [ -n "${BRISOLT_SIGN_CERT:-}" ] && [ -n "${BRISOLT_SIGN_KEY:-}" ]; then
  sign="$root/scripts/sign.sh"
  for f in Brisolt.exe Hakdor.dll bass.dll; do "$sign" "$stage/$f"; done
  echo "Signed the binaries with $BRISOLT_SIGN_CERT"
else
  echo "Not signed: set BRISOLT_SIGN_CERT and BRISOLT_SIGN_KEY to sign the binaries and the installer."
fi

# Every file at the commit's time, so that the zip and the installer keep it.
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# The uninstaller removes the sounds the installer put there, by name.
(cd "$stage" &&
 find Schemes -type f | sort | sed 's|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|' &&
 find Schemes -depth -type d | sort -r | sed 's|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|') > "$work/generated/uninstall_files.nsh"

(cd "$work/stage" && find "$name" -print | sort | zip -X -q -@ "$root/$out/$name.zip")

nsis_defines=(-DVERSION="$version" -DSTAGE="$root/$stage" -DGENERATED="$root/$work/generated"
              -DICON="$root/assets/icons/Brisolt.ico" -DOUTFILE="$root/$out/Brisolt-$version-setup.exe")
[ -n "$sign" ] && nsis_defines+=(-DSIGN="$sign %1")
makensis -V2 -INPUTCHARSET UTF8 "${nsis_defines[@]}" packaging/installer.nsi >/dev/null

zip_file=$name.zip
setup_file=Brisolt-$version-setup.exe
(cd "$out" && sha256sum "$zip_file" "$setup_file" > SHA256SUMS)
zip_sha=$(sha256sum "$out/$zip_file" | cut -d' ' -f1)
setup_sha=$(sha256sum "$out/$setup_file" | cut -d' ' -f1)

"$root/scripts/manifests.sh" "$out" "$version" "$url" "$zip_file" "$zip_sha" "$setup_file" "$setup_sha"
rm -rf "$work"
echo "Release $version in $out:"
(cd "$out" && find . -type f | sort | sed 's|^\./|  |')
