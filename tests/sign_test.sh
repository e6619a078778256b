#!/usr/bin/env bash
# sign_test.sh PACKER SETUP_EXE WORKDIR
# Signs a copy of the installer with a throwaway certificate made here and
# leaves it as WORKDIR/SonografSetup.exe for the end-to-end test. The signature
# verifies against that certificate and names the product; the same key given
# as PKCS#12 or as PEM signs to the same bytes; the package inside still
# verifies; a byte flipped anywhere fails the verification by osslsigncode or
# by the package tool (the checksum field and the table's padding lie outside
# the signed digest; the tool's checksum check covers them).
set -euo pipefail
packer=$1 setup=$2 work=$3
sign=$(dirname "$0")/../cmake/sign.sh
rm -rf "$work"
mkdir -p "$work/cert"
trap 'rm -rf "$work/cert" "$work"/*.flipped' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

cert=$work/cert
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Sonograf test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$cert/key.pem" -out "$cert/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$cert/key.pem" -in "$cert/cert.pem" -passout pass:throwaway -out "$cert/cert.p12"

export SOURCE_DATE_EPOCH=1700000000
signed=$work/SonografSetup.exe pem=$work/pem.exe
cp "$setup" "$signed"
cp "$setup" "$pem"
SONOGRAF_SIGN_PKCS12=$cert/cert.p12 SONOGRAF_SIGN_PASSWORD=throwaway "$sign" "$signed"
SONOGRAF_SIGN_CERT=$cert/cert.pem SONOGRAF_SIGN_KEY=$cert/key.pem "$sign" "$pem"
cmp -s "$signed" "$pem" || fail "two signings of the same build differ"
rm -f "$pem"

verify() { osslsigncode verify -CAfile "$cert/cert.pem" -in "$1" 2>&1; }
report=$(verify "$signed") || fail "osslsigncode verify: $report"
for expected in "Message digest algorithm  : SHA256" "Text description: Sonograf, The Spectrum Analyzer" \
                "URL description: https://www.sonograf.example" "Signing time: Nov 14 22:13:20 2023 GMT"; do
  grep -qF "$expected" <<<"$report" || fail "the signature lacks \"$expected\""
done

pack_report=$("$packer" verify "$signed") || fail "sonograf-pack verify on the signed installer: $pack_report"
grep -q '^signature: Authenticode' <<<"$pack_report" || fail "sonograf-pack does not see the signature"
"$packer" verify "$setup" | grep -q '^signature: none' || fail "sonograf-pack sees a signature in $setup"

# Byte positions: the checksum field, the certificate table's directory entry,
# the middle of the package, of the signature and the last byte, and a spread
# over the whole file.
size=$(stat -c %s "$signed")
header=$(od -An -tu4 -j 60 -N4 "$signed" | tr -d ' ')
optional=$((header + 24))
magic=$(od -An -tu2 -j "$optional" -N2 "$signed" | tr -d ' ')
table_entry=$((optional + (magic == 0x10B ? 128 : 144)))
package=$("$packer" list "$signed" | sed -n 's/.*package of \([0-9]*\) bytes (RCDATA 100 at file offset \([0-9]*\)).*/\2 + \1 \/ 2/p')
signature=$(sed -n 's/^signature: Authenticode, \([0-9]*\) bytes at file offset \([0-9]*\)$/\2 + \1 \/ 2/p' <<<"$pack_report")
[ -n "$package" ] && [ -n "$signature" ] || fail "no package or signature place found"
positions="$((optional + 64)) $table_entry $((package)) $((signature)) $((size - 1))"
for k in $(seq 0 31); do positions+=" $((size * k / 32 + k))"; done
for position in $positions; do
  copy=$work/$position.flipped
  cp "$signed" "$copy"
  byte=$(od -An -tu1 -j "$position" -N1 "$copy" | tr -d ' ')
  printf "$(printf '\\%03o' $((byte ^ 0xFF)))" | dd of="$copy" bs=1 seek="$position" conv=notrunc status=none
  if verify "$copy" >/dev/null && "$packer" verify "$copy" >/dev/null 2>&1; then
    fail "a flipped byte at $position still verifies"
  fi
  rm -f "$copy"
done
echo "signed $size bytes from $(stat -c %s "$setup"); $(wc -w <<<"$positions") flipped copies checked"
exit $((failures > 0))
