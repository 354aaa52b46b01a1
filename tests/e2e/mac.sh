#!/usr/bin/env bash
# The radio MAC closed loop: the first start finds a different address, writes the three
# EEPROM words and restarts ra0, which comes up with the new address; the restart that follows
# finds the same address and writes nothing. The second start's creations fail on the console.
. "$(dirname "$0")/lib.sh"

loop() {
fixture mac_two_ssids mac
simulate mac --settings "$work/mac.settings" --mac 00:0c:43:30:52:80 -- 'wlan start' 'wlan restart'

expect_has "first start" "$st/1/console" "qd_rc: init_wifi_mac different 00:0C:43:30:52:80 ==> 00:11:22:33:44:55"
lines 1
[[ $shell_lines == *"/sbin/qd_rc wlan mac_init$S
/bin/iwpriv ra0 e2p 4=1100$S
/bin/iwpriv ra0 e2p 6=3322$S
/bin/iwpriv ra0 e2p 8=5544$S
/sbin/ifconfig ra0 down$S
/sbin/ifconfig ra0 up$S
/sbin/vconfig add eth2 101$S"* ]] || fail "first start: the EEPROM words and ra0's restart right after mac_init"
expect_file "EEPROM words" "$R/sim/driver/ra0.e2p" <<'WORDS'
0x0004=0x1100
0x0006=0x3322
0x0008=0x5544
WORDS
expect_text "ra0 has the new address" "up 00:11:22:33:44:55 br0" "$(link ra0)"

expect_has "restart" "$st/2/console" "qd_rc: init_wifi_mac same 00:11:22:33:44:55"
expect_lacks "restart writes no EEPROM word" "$st/2/shell" " e2p "
expect_lacks "restart: one message" "$st/2/console" "different"
# What exists already cannot be made again; the sequence goes on all the same.
expect_has "restart: VLAN exists" "$st/2/console" "error: File exists"
expect_has "restart: bridge exists" "$st/2/console" "br1"
expect_has "restart: module loaded" "$st/2/console" "insmod: can't insert '/lib/modules/qd_vrif.ko': File exists"
expect_has "restart ends with the LED" "$st/2/shell" "/bin/echo 1 > /proc/qd_ledon"
expect_text "ra1 up in br1 after restart" "up 00:0c:43:30:52:81 br1" "$(link ra1)"
}

# Components are compared by value and the text is repeated as stored; five components do nothing.
forms() {
settings short <<'SET'
wifiMacAddr=0:c:43:30:52:80
SET
settings five <<'SET'
wifiMacAddr=00:11:22:33:44
SET
simulate mac-short --settings "$work/short.settings" -- 'wlan mac_init'
expect_file "short components" "$st/1/stdout" <<<"qd_rc: init_wifi_mac same 0:c:43:30:52:80"
expect_lines "short components" 1 </dev/null
simulate mac-five --settings "$work/five.settings" -- 'wlan mac_init'
expect_file "five components" "$st/1/stdout" </dev/null
expect_lines "five components" 1 </dev/null
}

# One case per run (mac.sh loop|forms), side by side in CTest.
"${1:?which case}"
finish
