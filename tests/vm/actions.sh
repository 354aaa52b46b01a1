#!/usr/bin/env bash
# The command line and every action word of wlan on the MIPS VM, and the radio MAC closed loop,
# each held to the host binary's run in the simulated gateway.
. "$(dirname "$0")/lib.sh"

# A configured access point with WPS on.
fixture wps_configured wps
# Every word, letter case and one that is none; wps_change last (its credentials are random).
vm_case enabled --settings "$work/wps.settings" --gpio absent -- \
  'wlan addER' 'wlan clientPIN' 'wlan clientPBC' 'wlan wps_config' 'wlan clientPBC_config' \
  'wlan unconfig' 'wlan wps_clean' 'wlan wps_reset' 'wlan wps_init' 'wlan ClientPBC' \
  'wlan init_wps' 'wlan bogus' 'wlan mac_init' 'wlan wpsled_on' 'wlan wpsled_off' \
  'wlan wpsled_success' 'wlan wps_change'
# WPS off: the gate; a GPIO driver that refuses the LED request.
sed 's/^wifiWpsEnable=1/wifiWpsEnable=0/' "$work/wps.settings" >"$work/nowps.settings"
vm_case disabled --settings "$work/nowps.settings" -- \
  'wlan clientPBC' 'wlan wps_change' 'wlan wpsled_on' 'wlan RESTART now'
vm_case refusing --settings "$work/wps.settings" --gpio refusing -- 'wlan wpsled_success' 'wlan wpsled_on'
# The command line: usage, exit statuses, show.
vm_case dispatch --settings "$work/wps.settings" -- \
  '' 'wlan' 'WLAN start' 'nosuch start' 'wlan START' 'show' 'show all' 'show wlan' 'show xyz' 'wlan show'
# The MAC closed loop: the first start writes the EEPROM and ra0 comes up with the new address,
# the restart finds it; short components compare by value; five components do nothing.
fixture mac_two_ssids mac
vm_case mac --settings "$work/mac.settings" -- 'wlan start' 'wlan restart'
printf 'wifiMacAddr=0:c:43:30:52:80\n' | settings short
vm_case mac_short --settings "$work/short.settings" -- 'wlan mac_init'
printf 'wifiMacAddr=00:11:22:33:44\n' | settings five
vm_case mac_five --settings "$work/five.settings" -- 'wlan mac_init'

boot
for name in enabled disabled refusing dispatch mac mac_short mac_five; do compare "$name"; done
finish
