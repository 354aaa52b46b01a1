#!/usr/bin/env bash
# Settings that would change a shell line's meaning reach the command as one literal argument:
# no canary file appears, whatever the store holds, and the profile gets no line of its own.
. "$(dirname "$0")/lib.sh"

settings hostile <<'SET'
wifiSSIDNum=2
wifiRadioOnOff=1
wifiIFOn[0]=1
wifiIFOn[1]=1
wifiWpsEnable=1
wifiWpsState=0
wifiWpsDevPIN=12345670$(/bin/touch /tmp/canary1)
wifiWpsStaPIN=87654321;/bin/touch /tmp/canary2
wifiMacAddr=00:11:22:33:44:55;/bin/touch /tmp/canary3
wifiAuth[1]=7
lanConnIp4[2]=192.168.0.1`/bin/touch /tmp/canary4`
lanConnMask4[2]=255.255.255.0
wifiBssid[0]=Home\nInjected=1
SET
simulate hostile --settings "$work/hostile.settings" -- 'wlan start' 'wlan clientPIN' 'wlan restart'
for canary in 1 2 3 4; do
  [ ! -e "$R/tmp/canary$canary" ] || fail "canary $canary ran"
done
expect_has "device PIN as one argument" "$st/1/shell" \
  "/bin/iwpriv ra0 set WscVendorPinCode='12345670\$(/bin/touch /tmp/canary1)'$S"
expect_has "station PIN as one argument" "$st/2/shell" \
  "/bin/iwpriv ra0 set WscPinCode='87654321;/bin/touch /tmp/canary2'$S"
expect_has "gateway as one argument" "$st/1/shell" \
  "/sbin/route add default gw '192.168.0.1\`/bin/touch /tmp/canary4\`'$S"
expect_lacks "no profile line from a value" "$R/etc/Wireless/RT2860/RT2860.dat" "Injected="
expect_file "the driver got the PIN as stored" "$R/sim/driver/ra0.set" <<'SET'
WscVendorPinCode=12345670$(/bin/touch /tmp/canary1)
WscConfMode=7
WscConfStatus=1
WscGetConf=1
IgmpSnEnable=1
WscPinCode=87654321;/bin/touch /tmp/canary2
WscMode=1
SET
finish
