#!/usr/bin/env bash
# Regenerates settings_le.img, the settings image that the byte-order test loads on every
# target: the 40-byte header with magic, length and CRC-32 written little-endian byte by byte
# (whatever the processor this runs on), then the entry list of the settings below. gzip's
# trailer supplies the CRC-32 (the same IEEE 802.3 CRC, already little-endian). The list is
# longer than 255 bytes so that the length field has two significant bytes.
# Usage: bash tests/data/make_settings_le_img.sh > tests/data/settings_le.img
set -euo pipefail
settings=(
  "wifiSSIDNum=2"
  "wifiSSID[0]=Gateway Home"
  "wifiSSID[1]=Gateway Guest"
  "wifiAuth[0]=5"
  "wifiEnc[0]=3"
  "wifiWpapsk[0]=0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_"
  "wifiWpapsk[1]=guest passphrase"
  "wifiChannel=11"
  "wifiWpsDevPIN=12345670"
  "lanConnIp4[2]=192.168.1.1"
  "lanConnMask4[2]=255.255.255.0"
  "wifiMacAddr=00:11:22:33:44:55"
  "wifiCountryCode=DE"
  "wifiBeaconPeriod=100"
  "wifiDtimPeriod=1"
)
entries() {
  printf '%s\0' "${settings[@]}"
  printf '\0'
}
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }

length=$(entries | wc -c)
printf 'RON\0'
le32 "$length"
entries | gzip -c | tail -c 8 | head -c 4
head -c 28 /dev/zero
entries
