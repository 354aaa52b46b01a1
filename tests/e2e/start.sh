#!/usr/bin/env bash
# `wlan start` for 0, 1, 3 and 8 SSIDs: the exact shell lines, children included, and the links,
# bridges, addresses, daemons, driver state and LED that they leave on the gateway.
. "$(dirname "$0")/lib.sh"

# The transcripts of start and stop are the unit tests' golden files (tests/data/*.cmds), run
# there on the recording platform from the same settings (tests/unit/lifecycle_test.cpp).
data=$(dirname "$0")/../data

# expect_transcript WHAT N GOLDEN: the shell lines of step N are tests/data/GOLDEN.cmds, each
# with the command runner's console redirection but the LED line, which writes a file itself;
# a start first makes the profile's folder.
expect_transcript() {
  local line
  {
    [[ $3 != wlan_start_* ]] || echo "mkdir -p /etc/Wireless/RT2860/$S"
    while IFS= read -r line; do
      if [[ $line == *'> /proc/qd_ledon' ]]; then echo "$line"; else echo "$line$S"; fi
    done <"$data/$3.cmds"
  } >"$work/transcript"
  expect_lines "$1" "$2" <"$work/transcript"
}

n0() {
# N = 0: an empty store. Bridge 0 gets VLAN 100, WPS is switched off, the LED file gets 0.
settings empty </dev/null
simulate start0 --settings "$work/empty.settings" -- 'wlan start'
expect_transcript "N=0" 1 wlan_start_n0
expect_status "N=0" 1 0
# br0 exists already on the gateway: its creation fails on the console and the start goes on.
expect_has "N=0 console" "$st/1/console" "br0"
expect_text "N=0: eth2.100 in br0" "up 00:0c:43:28:60:02 br0" "$(link eth2.100)"
expect_text "N=0: ra0 in br0, left down" "down 00:0c:43:30:52:80 br0" "$(link ra0)"
expect_file "N=0: LED file" "$R/sim/after/qd_ledon" <<<"0"
expect_file "N=0: driver settings" "$R/sim/driver/ra0.set" <<'SET'
WscConfMode=0
IgmpSnEnable=1
SET
expect_file "N=0: modules" "$R/sim/after/modules" <<'MOD'
RT3090_ap 4096 0 - Live 0x0000000000000000
qd_vrif 4096 0 - Live 0x0000000000000000
MOD
expect_file "N=0: no daemon" "$R/sim/after/daemons" </dev/null
[ -s "$R/etc/Wireless/RT2860/RT2860.dat" ] || fail "N=0: no driver profile"
}

ap_er() {
# One SSID: configured WPS with an external registrar (the addER child, then the UPnP side
# down), and a radio MAC that differs from the EEPROM's (mac_init's child writes it).
fixture one_ssid_ap_er one
simulate start1 --settings "$work/one.settings" -- 'wlan start'
expect_transcript "ap-er" 1 wlan_start_ap_er
expect_text "ap-er: ra0 up in br0 with the new MAC" "up 00:11:22:33:44:55 br0" "$(link ra0)"
expect_text "ap-er: br1 holds eth2.101 only" "up 00:0c:43:28:60:02 br1" "$(link eth2.101)"
expect_text "ap-er: no ra1 bridge" "down 00:0c:43:30:52:81 -" "$(link ra1)"
expect_file "ap-er: LED file" "$R/sim/after/qd_ledon" <<<"1"
[ ! -e "$R/etc/cmd_agent" ] || fail "ap-er: a configured access point wrote /etc/cmd_agent"
}

realistic() {
# Three SSIDs, then a stop: unconfigured WPS (UPnP side up, the command record, the unconfig
# child), the second SSID in 802.1X mode (br0's address, the default route, rt2860apd), the
# third disabled (brought up, then down), and a radio MAC that differs from the EEPROM's.
fixture realistic three
simulate start3 --settings "$work/three.settings" -- 'wlan start' 'wlan stop'
expect_transcript "realistic" 1 wlan_start_realistic
expect_has "realistic: mac_init writes the address" "$st/1/console" \
  "qd_rc: init_wifi_mac different 00:0C:43:30:52:80 ==> 00:11:22:33:44:55"
# The command record: the wscd line with br0's address, its zero byte, 128 bytes in all.
record=$R/etc/cmd_agent
expect_text "realistic: command record size" 128 "$(stat -c %s "$record" 2>/dev/null)"
expect_text "realistic: command record text" "/bin/wscd -i ra0 -m 1 -a 192.168.1.254 &" "$(head -c 40 "$record")"
expect_text "realistic: command record end" 0 "$(od -An -tu1 -j40 -N1 "$record" | tr -d ' ')"
expect_file "realistic: the agent ran the record once" "$R/sim/cmd_agent.log" <<<"/bin/wscd -i ra0 -m 1 -a 192.168.1.254 &"
expect_file "realistic: daemons started" "$R/sim/daemons.log" <<'LOG'
rt2860apd 
wscd -i ra0 -m 1 -a 192.168.1.254
LOG
expect_transcript "realistic: stop" 2 wlan_stop_n3
# After the stop: bridges, VLANs and br0's address stay; daemons, routes and RT3090_ap go.
expect_file "realistic: links after stop" "$R/sim/after/links" <<'LINKS'
lo         down  00:00:00:00:00:00 -
ra0        down  00:11:22:33:44:55 br0
ra1        down  00:0c:43:30:52:81 br1
ra2        down  00:0c:43:30:52:82 br2
ra3        down  00:0c:43:30:52:83 -
ra4        down  00:0c:43:30:52:84 -
ra5        down  00:0c:43:30:52:85 -
ra6        down  00:0c:43:30:52:86 -
ra7        down  00:0c:43:30:52:87 -
rai0       down  00:0c:43:30:52:88 -
lanswitch  up    00:0c:43:28:60:ff -
eth2       up    00:0c:43:28:60:02 br0
br0        up    00:0c:43:28:60:02 -
eth2.101   up    00:0c:43:28:60:02 br1
br1        up    00:0c:43:28:60:02 -
eth2.102   up    00:0c:43:28:60:02 br2
br2        up    00:0c:43:28:60:02 -
br3        up    00:0c:43:28:60:02 -
eth2.103   up    00:0c:43:28:60:02 br3
LINKS
expect_file "realistic: addresses after stop" "$R/sim/after/addresses" <<'ADDR'
lo 127.0.0.1/8
br0 192.168.1.254/24
ADDR
expect_file "realistic: routes after stop" "$R/sim/after/routes" <<'ROUTES'
192.168.1.0/24 dev br0 proto kernel scope link src 192.168.1.254 
ROUTES
expect_file "realistic: no daemon after stop" "$R/sim/after/daemons" </dev/null
expect_file "realistic: modules after stop" "$R/sim/after/modules" <<<"qd_vrif 4096 0 - Live 0x0000000000000000"
expect_file "realistic: driver WPS state" "$R/sim/driver/ra0.set" <<'SET'
WscVendorPinCode=12345670
WscConfMode=7
WscConfStatus=1
WscGetConf=0
IgmpSnEnable=1
SET
}

n8() {
# N = 8: every SSID on, WPS off, 802.1X first at SSID 5 (one rt2860apd even with a second one).
{
  echo "wifiSSIDNum=8"
  echo "wifiRadioOnOff=1"
  for i in 0 1 2 3 4 5 6 7; do echo "wifiIFOn[$i]=1"; done
  echo "wifiAuth[5]=6"
  echo "wifiAuth[6]=3"
  echo "lanConnIp4[2]=10.1.2.3"
  echo "lanConnMask4[2]=255.255.0.0"
} | settings eight
simulate start8 --settings "$work/eight.settings" -- 'wlan start'
expected="mkdir -p /etc/Wireless/RT2860/$S"$'\n'"/sbin/qd_rc wlan mac_init$S"
add() { expected+=$'\n'"$1$S"; }
for i in 1 2 3 4 5 6 7; do
  add "/sbin/vconfig add eth2 $((100 + i))"
  add "/sbin/ifconfig eth2.$((100 + i)) up"
  add "/sbin/ifconfig ra$i up"
  add "/usr/sbin/brctl addbr br$i"
  add "/sbin/ifconfig br$i up"
  add "/usr/sbin/brctl addif br$i eth2.$((100 + i))"
done
add "/usr/sbin/brctl addbr br8"
add "/sbin/ifconfig br8 up"
add "/sbin/vconfig add eth2 108"
add "/sbin/ifconfig eth2.108 up"
add "/usr/sbin/brctl addif br8 eth2.108"
for i in 1 2 3 4 5 6 7; do add "/usr/sbin/brctl addif br$i ra$i"; done
for i in 0 1 2 3 4 5 6 7; do add "/sbin/ifconfig ra$i up"; done
add "/bin/iwpriv ra0 set WscConfMode=0"
add "/sbin/insmod /lib/modules/qd_vrif.ko"
add "/usr/sbin/brctl addif br0 ra0"
add "/bin/iwpriv ra0 set IgmpSnEnable=1"
add "/sbin/ifconfig br0 10.1.255.254"
add "/sbin/route add default gw 10.1.2.3"
add "/bin/rt2860apd"
expected+=$'\n'"/bin/echo 1 > /proc/qd_ledon"
expect_lines "N=8" 1 <<<"$expected"
for i in 1 2 3 4 5 6 7; do
  expect_text "N=8: ra$i" "up 00:0c:43:30:52:8$i br$i" "$(link "ra$i")"
  expect_text "N=8: eth2.$((100 + i))" "up 00:0c:43:28:60:02 br$i" "$(link "eth2.$((100 + i))")"
done
expect_text "N=8: eth2.108" "up 00:0c:43:28:60:02 br8" "$(link eth2.108)"
expect_text "N=8: ra0" "up 00:0c:43:30:52:80 br0" "$(link ra0)"
# Only the address is given, so BusyBox ifconfig takes the classful netmask (/8 for 10.x).
expect_file "N=8: br0's address" "$R/sim/after/addresses" <<'ADDR'
br0 10.1.255.254/8
ADDR
expect_has "N=8: default route" "$R/sim/after/routes" "default via 10.1.2.3 dev br0"
expect_file "N=8: one rt2860apd" "$R/sim/after/daemons" <<<"rt2860apd: /bin/rt2860apd"
}

# One case per run (start.sh n0|ap_er|realistic|n8), so that CTest runs them side by side.
"${1:?which case}"
finish
