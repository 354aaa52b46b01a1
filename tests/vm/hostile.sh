#!/usr/bin/env bash
# Hostile settings values on the MIPS VM: shell syntax, line breaks, bytes beyond ASCII and lines
# longer than the command runner's buffer, in every text that reaches a shell line, the profile
# or the command record. No canary runs, and everything is the host binary's, byte for byte.
. "$(dirname "$0")/lib.sh"

steering='wifiSSIDNum=2
wifiRadioOnOff=1
wifiIFOn[0]=1
wifiIFOn[1]=1
wifiWpsEnable=1
wifiWpsState=0
wifiAuth=5
wifiAuth[0]=7
wifiAuth[1]=5
wifiEnc[0]=3
wifiEnc[1]=3'
texts=(wifiBssid wifiSSID wifiWpapsk wifiWpsDevPIN wifiWpsStaPIN wifiMacAddr modelName wifiWpsDevName
  wifiMacList wifiWpaSecret wifiWpaSrv lanConnIp4 lanConnMask4)
commands=('wlan start' 'wlan clientPIN' 'wlan addER' 'wlan mac_init' 'wlan restart')

# fill NAME VALUE: VALUE (settings-text escapes) in every text key, bare and for indices 0 to 2.
fill() {
  local key index
  {
    printf '%s\n' "$steering"
    for key in "${texts[@]}"; do
      printf '%s=%s\n' "$key" "$2"
      for index in 0 1 2; do printf '%s[%s]=%s\n' "$key" "$index" "$2"; done
    done
  } | settings "$1"
}
fill shell "x';touch /tmp/canary1;'\$(touch /tmp/canary2)\`touch /tmp/canary3\`\"|touch /tmp/canary4&\\ntouch /tmp/canary5\\nAuthMode=OPEN\\r\\xff\\xc3\\xa9\\x1b[31m>/tmp/canary6"
vm_case shell --settings "$work/shell.settings" -- "${commands[@]}"
fill long "$(head -c 2000 /dev/zero | tr '\0' ';')\$(touch /tmp/canary7)"
vm_case long --settings "$work/long.settings" -- "${commands[@]}"

boot
for name in shell long; do
  compare "$name"
  ! ls "$V/$name/tmp/" | grep -q canary || fail "$name: a canary ran in the VM"
  ! ls "$work/host-$name/tmp/" | grep -q canary || fail "$name: a canary ran on the host"
done
finish
