#!/usr/bin/env bash
# Every action word of wlan: its exact driver commands, the WPS gate, letter case, the LED
# requests' errors, the random credentials and restart.
. "$(dirname "$0")/lib.sh"

pin="/bin/iwpriv ra0 set WscVendorPinCode=12345670$S"
mode() { echo "/bin/iwpriv ra0 set WscConfMode=$1$S"; }
status() { echo "/bin/iwpriv ra0 set WscConfStatus=$1$S"; }
method() { echo "/bin/iwpriv ra0 set WscMode=$1$S"; }
getconf() { echo "/bin/iwpriv ra0 set WscGetConf=$1$S"; }

# A configured access point with WPS on.
fixture wps_configured wps

enabled() {
  simulate actions --settings "$work/wps.settings" --gpio absent -- \
    'wlan addER' 'wlan clientPIN' 'wlan clientPBC' 'wlan wps_config' 'wlan clientPBC_config' \
    'wlan unconfig' 'wlan wps_clean' 'wlan wps_reset' 'wlan wps_init' 'wlan ClientPBC' \
    'wlan init_wps' 'wlan bogus' 'wlan mac_init' 'wlan wpsled_on' 'wlan wpsled_off' \
    'wlan wpsled_success' 'wlan wps_change'
  local pbc
  pbc=$(printf '%s\n' "$pin" "$(mode 7)" "$(status 2)" "$(method 2)" "$(getconf 1)")
  expect_lines addER 1 <<<"$(printf '%s\n' "$pin" "$(mode 7)" "$(status 2)")"
  expect_lines clientPIN 2 <<<"$(printf '%s\n' "/bin/iwpriv ra0 set WscPinCode=87654325$S" "$(mode 7)" \
    "$(status 2)" "$(method 1)" "$(getconf 1)")"
  expect_lines clientPBC 3 <<<"$pbc"
  expect_lines wps_config 4 <<<"$(status 2)"
  expect_lines clientPBC_config 5 <<<"$pbc"
  expect_lines unconfig 6 <<<"$(printf '%s\n' "$pin" "$(mode 0)" "$(mode 7)" "$(status 1)")"
  expect_lines wps_clean 7 <<<"$(printf '%s\n' "$pin" "$(mode 0)")"
  expect_lines wps_reset 8 <<<"$(printf '%s\n' "$pin" "$(mode 0)" "$(mode 7)")"
  # The WPS set-up of a configured access point: the PIN, then the UPnP side down.
  expect_lines wps_init 9 <<LINES
$pin
/sbin/ifconfig lo down$S
/sbin/route delete 239.255.255.250$S
/usr/bin/killall -9 wscd$S
$(getconf 0)
LINES
  expect_lines "ClientPBC (letter case ignored)" 10 <<<"$pbc"
  local step
  for step in 11 12 13 14 15 16 17; do
    expect_lines "$(<"$st/$step/command")" "$step" </dev/null
    expect_status "$(<"$st/$step/command")" "$step" 0
  done
  # Each LED action makes one request, which fails without the GPIO driver.
  for step in 14 15 16; do
    expect_file "$(<"$st/$step/command"): error" "$st/$step/stderr" <<<"/dev/gpio: No such file or directory"
  done
  expect_file "wlan mac_init without wifiMacAddr" "$st/13/stdout" </dev/null
  # wps_change: fresh credentials in the working copy, for the next start.
  local ssid psk
  ssid=$(setting "$st/17/nvram" 'wifiBssid[0]')
  psk=$(setting "$st/17/nvram" 'wifiWpapsk[0]')
  [[ $ssid =~ ^KES_[a-z0-9]{1,27}$ ]] || fail "wps_change: SSID '$ssid'"
  [[ $psk =~ ^[a-z0-9]{8,15}$ ]] || fail "wps_change: passphrase '$psk'"
  expect_text "wps_change: state, mode, cipher" "1 5 3" "$(setting "$st/17/nvram" wifiWpsState) \
$(setting "$st/17/nvram" 'wifiAuth[0]') $(setting "$st/17/nvram" 'wifiEnc[0]')"
  expect_text "wps_change leaves the image" HomeNet "$(setting "$st/16/nvram" 'wifiBssid[0]')"
}

# WPS off: the WPS actions, wps_change and the LED do nothing; mac_init and restart still work.
disabled() {
  sed 's/^wifiWpsEnable=1/wifiWpsEnable=0/' "$work/wps.settings" >"$work/nowps.settings"
  echo "wifiMacAddr=00:0C:43:30:52:99" >>"$work/nowps.settings"
  simulate gated --settings "$work/nowps.settings" -- \
    'wlan clientPBC' 'wlan wps_change' 'wlan wpsled_on' 'wlan mac_init' 'wlan RESTART now'
  local step
  for step in 1 2 3; do
    expect_lines "$(<"$st/$step/command") with WPS off" "$step" </dev/null
    expect_file "$(<"$st/$step/command") with WPS off: no error" "$st/$step/stderr" </dev/null
  done
  expect_text "wps_change with WPS off" HomeNet "$(setting "$st/2/nvram" 'wifiBssid[0]')"
  expect_lines "mac_init with WPS off" 4 <<LINES
/bin/iwpriv ra0 e2p 4=0C00$S
/bin/iwpriv ra0 e2p 6=3043$S
/bin/iwpriv ra0 e2p 8=9952$S
/sbin/ifconfig ra0 down$S
/sbin/ifconfig ra0 up$S
LINES
  expect_file "mac_init message" "$st/4/stdout" \
    <<<"qd_rc: init_wifi_mac different 00:0C:43:30:52:80 ==> 00:0C:43:30:52:99"
  # restart = stop, then start; the extra word is ignored.
  lines 5
  local first=${shell_lines%%$'\n'/bin/iwpriv ra0 set WscGetConf=0*}
  expect_text "restart begins with stop" "/sbin/ifconfig lo down$S"$'\n'"/sbin/route delete 239.255.255.250$S"$'\n'"/usr/bin/killall -9 wscd$S" "$first"
  expect_has "restart stops" "$st/5/shell" "/sbin/rmmod RT3090_ap$S"
  expect_has "restart starts" "$st/5/shell" "/sbin/qd_rc wlan mac_init$S"
  expect_has "restart: mac_init finds the new address" "$st/5/console" \
    "qd_rc: init_wifi_mac same 00:0C:43:30:52:99"
  [[ $shell_lines == *"/bin/echo 1 > /proc/qd_ledon" ]] || fail "restart: ends with the LED"
}

# A GPIO driver that refuses the request: the ioctl error, nothing else.
refusing() {
  simulate refusing --settings "$work/wps.settings" --gpio refusing -- 'wlan wpsled_success'
  expect_file "LED refused" "$st/1/stderr" <<<"ioctl: Inappropriate ioctl for device"
  expect_lines "LED refused" 1 </dev/null
  expect_status "LED refused" 1 0
}

# One case per run (actions.sh enabled|disabled|refusing), so that CTest runs them side by side.
"${1:?which case}"
finish
