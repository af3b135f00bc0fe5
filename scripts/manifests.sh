#!/usr/bin/env bash
# Writes the package managers' manifests of a release:
#   manifests.sh <out> <version> <download url folder> <zip> <zip sha256> <setup> <setup sha256>
# winget: <out>/winget/manifests/q/Quendral/Brisolt/<version>/ (version,
# installer and default locale files); Scoop: <out>/scoop/brisolt.json.
set -euo pipefail
out=$1 version=$2 url=$3 zip=$4 zip_sha=$5 setup=$6 setup_sha=$7
id=Quendral.Brisolt
dir=$out/winget/manifests/q/Quendral/Brisolt/$version
mkdir -p "$dir" "$out/scoop"
upper() { tr '[:lower:]' '[:upper:]' <<<"$1"; }

cat > "$dir/$id.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.version.1.6.0.schema.json
PackageIdentifier: $id
PackageVersion: $version
DefaultLocale: en-US
ManifestType: version
ManifestVersion: 1.6.0
YAML

cat > "$dir/$id.installer.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.installer.1.6.0.schema.json
PackageIdentifier: $id
PackageVersion: $version
MinimumOSVersion: 10.0.0.0
InstallerType: nullsoft
Scope: user
InstallModes:
- interactive
- silent
UpgradeBehavior: install
Installers:
- Architecture: x64
  InstallerUrl: $url/$setup
  InstallerSha256: $(upper "$setup_sha")
ManifestType: installer
ManifestVersion: 1.6.0
YAML

cat > "$dir/$id.locale.en-US.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.defaultLocale.1.6.0.schema.json
PackageIdentifier: $id
PackageVersion: $version
PackageLocale: en-US
Publisher: Quendral
PublisherUrl: https://www.quendral.example
PackageName: Brisolt
PackageUrl: https://www.quendral.example/brisolt
License: MIT
ShortDescription: A sound for every key press and mouse click, from the notification area.
Description: Brisolt plays a short sound for every key press and mouse click in whatever program has the focus, with sound schemes, a global volume, mute, hotkeys and environmental reverb.
Tags:
- keyboard
- sound
- typing
- tray
ManifestType: defaultLocale
ManifestVersion: 1.6.0
YAML

cat > "$out/scoop/brisolt.json" <<JSON
{
    "version": "$version",
    "description": "A sound for every key press and mouse click, from the notification area.",
    "homepage": "https://www.quendral.example/brisolt",
    "license": "MIT",
    "architecture": {
        "64bit": {
            "url": "$url/$zip",
            "hash": "$zip_sha",
            "extract_dir": "${zip%.zip}"
        }
    },
    "bin": "Brisolt.exe",
    "shortcuts": [
        [
            "Brisolt.exe",
            "Brisolt"
        ]
    ],
    "persist": [
        "config.cfg",
        "schemes.cfg"
    ]
}
JSON
