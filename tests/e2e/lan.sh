#!/usr/bin/env bash
# The LAN address and mask in the forms that the gateway's ifconfig and route read (inet_aton's:
# here an octal part and a trailing blank), and the order in which the WPS set-up reads them.
# The settings lie in a damaged image only, so each key reaches the working copy at its first read.
. "$(dirname "$0")/lib.sh"

settings lan <<'SET'
# The damage changes the first byte of the image's data: the first key is one nobody reads.
unread=1
wifiSSIDNum=1
wifiRadioOnOff=1
wifiIFOn[0]=1
wifiWpsEnable=1
wifiWpsState=0
wifiWpsDevPIN=12345670
wifiAuth[0]=6
lanConnIp4[2]=192.168.010.1
lanConnMask4[2]=255.255.255.0\x20
SET
simulate lan --settings "$work/lan.settings" --image damaged --working none -- 'wlan wps_init' 'wlan start'

# wps_init: the UPnP side reads the mask, then the address (192.168.8.1: 010 is octal).
keys=$("$QD_NVRAM_TOOL" dump "$st/1/nvram" | grep -o '^lanConn[A-Za-z0-9]*\[2\]' | paste -sd' ')
expect_text "UPnP side: the mask read first" "lanConnMask4[2] lanConnIp4[2]" "$keys"
expect_has "UPnP side: br0's address" "$st/1/shell" "/sbin/ifconfig br0 192.168.8.254$S"
expect_text "command record" "/bin/wscd -i ra0 -m 1 -a 192.168.8.254 &" "$(head -c 40 "$R/etc/cmd_agent")"

# start: the profile and the 802.1X step reach the same address; route, given the setting as
# stored, reads it as ifconfig did, so the default route goes through 192.168.8.1.
expect_has "profile's own address" "$R/etc/Wireless/RT2860/RT2860.dat" "own_ip_addr=192.168.8.254"
lines 2
[[ $shell_lines == *"/sbin/ifconfig br0 192.168.8.254$S
/sbin/route add default gw 192.168.010.1$S
/bin/rt2860apd$S"* ]] || fail "802.1X step: br0's address, the route through the setting as stored, rt2860apd"
expect_has "br0's address" "$R/sim/after/addresses" "br0 192.168.8.254/24"
expect_has "default route" "$R/sim/after/routes" "default via 192.168.8.1 dev br0"
expect_lacks "no message" "$st/2/stderr" "is not an IPv4 address"
finish
