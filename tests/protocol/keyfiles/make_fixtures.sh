#!/usr/bin/env bash
# Makes the key file fixtures of the key file tests with the openssl and zip
# command lines, independently of the program's own code. Every key and
# password here is made up. Run from anywhere; writes beside itself:
#   meters.kem          MetersInOrder document, password "Shipment-2024"
#   devices.kem         Devices document (prefixed names), password
#                       "Wärme/Kälte-24" (14 characters, 16 UTF-8 bytes)
#   bad_pad.kem         meters.kem with trailing blanks, last pad byte 17
#   shipment.zip        meters.kem and a text file
#   shipment.zip.kem    the same archive under a KEM name
#   no_kem.zip          a text file only
#   encrypted_entry.zip meters.kem encrypted by zip itself (password "zip")
#   bomb.zip            one KEM-looking entry that claims 1000 bytes and
#                       inflates to 65 MiB
# The pad bytes are random; the last byte counts them (1 to 16).
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# AES-128-CBC as the maker does it: key = password's UTF-8 bytes padded with
# zero bytes to 16, IV = key, pad bytes random but the last one = their count.
encrypt() {  # password plain.xml out.kem [last pad byte, to spoil the padding]
  local key len pad
  key=$(printf '%s' "$1" | od -An -tx1 | tr -d ' \n')
  key=$(printf '%-32s' "$key" | tr ' ' 0)
  len=$(stat -c %s "$2")
  pad=$((16 - len % 16))
  { cat "$2"; head -c $((pad - 1)) /dev/urandom; printf "\\x$(printf %02x "${4:-$pad}")"; } >"$work/padded"
  {
    printf '<?xml version="1.0" encoding="utf-8"?>\n'
    printf '<EncryptedData xmlns="http://www.w3.org/2001/04/xmlenc#" Type="http://www.w3.org/2001/04/xmlenc#Element">\n'
    printf '  <EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/>\n'
    printf '  <CipherData>\n    <CipherValue>'
    openssl enc -aes-128-cbc -K "$key" -iv "$key" -nopad -in "$work/padded" | base64
    printf '</CipherValue>\n  </CipherData>\n</EncryptedData>\n'
  } >"$3"
}

cat >"$work/meters.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<MetersInOrder xmlns="urn:example:shipment">
  <Meter><SerialNo>10000001</SerialNo><ConsumptionType>Heat</ConsumptionType><EncKeys><DEK>000102030405060708090a0b0c0d0e0f</DEK></EncKeys></Meter>
  <Meter><MeterNo>10000002</MeterNo><ConsumptionType>WarmWater</ConsumptionType><EncKeys><DEK>101112131415161718191A1B1C1D1E1F</DEK></EncKeys></Meter>
  <Meter><SerialNo>10000003</SerialNo><ConsumptionType>Steam pipe</ConsumptionType><EncKeys><DEK>202122232425262728292A2B2C2D2E2F</DEK></EncKeys></Meter>
  <Meter><SerialNo>10000001</SerialNo><ConsumptionType>Heat</ConsumptionType><EncKeys><DEK>000102030405060708090A0B0C0D0E0F</DEK></EncKeys></Meter>
  <Meter><SerialNo>10000004</SerialNo><ConsumptionType>Cooling</ConsumptionType><EncKeys><DEK>404142434445464748494A4B4C4D4E4F</DEK></EncKeys></Meter>
  <Meter><SerialNo>10000004</SerialNo><ConsumptionType>Cooling</ConsumptionType><EncKeys><DEK>F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF</DEK></EncKeys></Meter>
  <Meter><SerialNo>1000005</SerialNo><ConsumptionType>Gas</ConsumptionType><EncKeys><DEK>505152535455565758595A5B5C5D5E5F</DEK></EncKeys></Meter>
  <Meter><SerialNo>10000006</SerialNo><ConsumptionType>Electricity</ConsumptionType><EncKeys><DEK>606162636465666768696A6B6C6D6E6</DEK></EncKeys></Meter>
</MetersInOrder>
XML

cat >"$work/devices.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<d:Devices xmlns:d="urn:example:devices">
  <d:Device>
    <d:DeviceId><d:SerialNumber>20000001</d:SerialNumber></d:DeviceId>
    <d:ConsumptionTypeName>Cold water</d:ConsumptionTypeName>
    <d:Keys>
      <d:Key><d:Name>AK</d:Name><d:Value>FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF</d:Value></d:Key>
      <d:Key><d:Name>DEK</d:Name><d:Value>A0A1A2A3A4A5A6A7A8A9AAABACADAEAF</d:Value></d:Key>
    </d:Keys>
  </d:Device>
  <d:Device>
    <d:DeviceId><d:SerialNumber>20000002</d:SerialNumber></d:DeviceId>
    <d:ConsumptionTypeName>Heat and cooling</d:ConsumptionTypeName>
    <d:Keys><d:Key><d:Value>B0B1B2B3B4B5B6B7B8B9BABBBCBDBEBF</d:Value><d:Name>DEK</d:Name></d:Key></d:Keys>
  </d:Device>
</d:Devices>
XML

encrypt 'Shipment-2024' "$work/meters.xml" meters.kem
encrypt 'Wärme/Kälte-24' "$work/devices.xml" devices.kem
# Blanks after the document, so that cutting 17 bytes still leaves good XML:
# only the pad byte rule can refuse it.
{ cat "$work/meters.xml"; printf '%32s\n' ''; } >"$work/meters_blanks.xml"
encrypt 'Shipment-2024' "$work/meters_blanks.xml" bad_pad.kem 17

printf 'Delivery note: keys of shipment 4711.\r\n' >"$work/readme.txt"
cp meters.kem "$work/meters.kem"
rm -f shipment.zip no_kem.zip encrypted_entry.zip bomb.zip
(cd "$work" && zip -q -X "$OLDPWD/shipment.zip" readme.txt meters.kem)
cp shipment.zip shipment.zip.kem
(cd "$work" && zip -q -X "$OLDPWD/no_kem.zip" readme.txt)
(cd "$work" && zip -q -X -P zip "$OLDPWD/encrypted_entry.zip" meters.kem)

# The bomb: an entry that starts like a KEM document, then 65 MiB of "A";
# both headers are patched to claim 1000 bytes.
{
  printf '<EncryptedData><CipherData><CipherValue>'
  head -c $((65 * 1024 * 1024)) /dev/zero | tr '\0' A
} >"$work/bomb.kem"
(cd "$work" && zip -q -X -9 "$OLDPWD/bomb.zip" bomb.kem)
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
u32() { od -An -tu4 -j "$2" -N 4 "$1" | tr -d ' '; }
size=$(stat -c %s bomb.zip)
cd_offset=$(u32 bomb.zip $((size - 22 + 16)))
le32 1000 | dd of=bomb.zip bs=1 seek=22 conv=notrunc status=none
le32 1000 | dd of=bomb.zip bs=1 seek=$((cd_offset + 24)) conv=notrunc status=none
