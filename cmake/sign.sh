#!/usr/bin/env bash
# sign.sh FILE
# Signs the installer FILE in place with an Authenticode signature (SHA-256,
# osslsigncode), naming the product and its web address. The certificate:
#   SONOGRAF_SIGN_PKCS12               a PKCS#12 file with the certificate chain and key, or
#   SONOGRAF_SIGN_CERT, SONOGRAF_SIGN_KEY  a PEM certificate chain and a PEM key
#   SONOGRAF_SIGN_PASSWORD             the password of the PKCS#12 file or the key, if any
#   SONOGRAF_SIGN_TIMESTAMP_URL        an RFC 3161 time-stamp authority (default: none);
#                                      a time-stamped file differs from one signing to the next
# The signing time is SOURCE_DATE_EPOCH, by default the time of the last commit,
# so the same build signed with the same key comes out byte for byte the same.
# Without a certificate FILE stays unsigned and one line says so.
set -euo pipefail
file=$1
# The name and address are the product's own, read from where the program keeps them.
product_header=$(dirname "$0")/../core/product.h
product_text() { sed -n "s/^#define $1 \"\(.*\)\"$/\1/p" "$product_header"; }
product_name=$(product_text PRODUCT_DISPLAY_NAME)
product_url=$(product_text PRODUCT_WEB_ADDRESS)

if [ -n "${SONOGRAF_SIGN_PKCS12:-}" ]; then
  credentials=(-pkcs12 "$SONOGRAF_SIGN_PKCS12")
elif [ -n "${SONOGRAF_SIGN_CERT:-}" ] && [ -n "${SONOGRAF_SIGN_KEY:-}" ]; then
  credentials=(-certs "$SONOGRAF_SIGN_CERT" -key "$SONOGRAF_SIGN_KEY")
else
  echo "Unsigned: no certificate given (SONOGRAF_SIGN_PKCS12, or SONOGRAF_SIGN_CERT and SONOGRAF_SIGN_KEY)"
  exit 0
fi
# The password goes through a pipe, not the command line that other users can see.
if [ -n "${SONOGRAF_SIGN_PASSWORD:-}" ]; then
  exec 3< <(printf '%s' "$SONOGRAF_SIGN_PASSWORD")
  credentials+=(-readpass /dev/fd/3)
fi
if [ -n "${SONOGRAF_SIGN_TIMESTAMP_URL:-}" ]; then credentials+=(-ts "$SONOGRAF_SIGN_TIMESTAMP_URL"); fi

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null || true)}
if ! [[ $epoch =~ ^[0-9]+$ ]]; then
  echo "sign.sh: set SOURCE_DATE_EPOCH (no commit time to sign with)" >&2
  exit 2
fi

signed=$file.signing
trap 'rm -f "$signed"' EXIT
osslsigncode sign "${credentials[@]}" -h sha256 -n "$product_name" -i "$product_url" -time "$epoch" \
  -in "$file" -out "$signed" >/dev/null
mv "$signed" "$file"
echo "Signed $file ($(stat -c %s "$file") bytes, signing time $epoch)"
