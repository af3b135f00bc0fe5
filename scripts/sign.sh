#!/usr/bin/env bash
# Signs one Windows binary in place with Authenticode (osslsigncode), with the
# certificate and key that BRISOLT_SIGN_CERT and BRISOLT_SIGN_KEY name.
set -euo pipefail
file=$1
osslsigncode sign -certs "$BRISOLT_SIGN_CERT" -key "$BRISOLT_SIGN_KEY" -h sha256 \
  -n "Brisolt" -i "https://www.quendral.example/brisolt" -in "$file" -out "$file.signed" >/dev/null
mv "$file.signed" "$file"
