#!/usr/bin/env bash
# `wlan start`, `stop` and `restart` with 0, 1, 4 and 8 SSIDs on the MIPS VM, each held to the
# host binary's run in the simulated gateway: same lines, profile, store and driver state, and
# the same links, bridges, addresses and routes in the kernel, the VLANs real 802.1Q links.
. "$(dirname "$0")/lib.sh"

commands=('wlan start' 'wlan stop' 'wlan restart')
# N = 0: an empty store.
settings empty </dev/null
vm_case n0 --settings "$work/empty.settings" -- "${commands[@]}"
# N = 1: configured WPS with an external registrar, a radio MAC that differs from the EEPROM's.
fixture one_ssid_ap_er one
vm_case n1 --settings "$work/one.settings" -- "${commands[@]}"
# N = 4: the example home gateway (unconfigured WPS with the command agent and wscd, 802.1X on
# the fourth SSID, WEP on the third).
vm_case n4 --settings "$(dirname "$0")/../../examples/home_gateway.settings" -- "${commands[@]}"
# N = 8: WPS off, the fourth SSID disabled, 802.1X first at the sixth.
{
  echo "wifiSSIDNum=8"
  echo "wifiRadioOnOff=1"
  for i in 0 1 2 4 5 6 7; do echo "wifiIFOn[$i]=1"; done
  echo "wifiAuth[5]=6"
  echo "wifiAuth[6]=3"
  echo "lanConnIp4[2]=10.1.2.3"
  echo "lanConnMask4[2]=255.255.0.0"
} | settings eight
vm_case n8 --settings "$work/eight.settings" -- "${commands[@]}"

boot
for name in n0 n1 n4 n8; do compare "$name"; done
finish
