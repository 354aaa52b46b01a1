#!/usr/bin/env bash
# Hostile settings values on the MIPS VM: shell syntax, line breaks, bytes beyond ASCII and lines
# longer than the command runner's buffer, in every key that qd_rc reads (the program's own
# list), so in every text that reaches a shell line, the profile or the command record. No
# canary runs, and everything is the host binary's, byte for byte.
. "$(dirname "$0")/lib.sh"

test_lists

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
commands=('wlan start' 'wlan clientPIN' 'wlan addER' 'wlan mac_init' 'wlan restart')

hostile_settings shell "x';touch /tmp/canary1;'\$(touch /tmp/canary2)\`touch /tmp/canary3\`\"|touch /tmp/canary4&\\ntouch /tmp/canary5\\nAuthMode=OPEN\\r\\xff\\xc3\\xa9\\x1b[31m>/tmp/canary6"
vm_case shell --settings "$work/shell.settings" -- "${commands[@]}"
hostile_settings long "$(head -c 2000 /dev/zero | tr '\0' ';')\$(touch /tmp/canary7)"
vm_case long --settings "$work/long.settings" -- "${commands[@]}"

boot
for name in shell long; do
  compare "$name"
  ! ls "$V/$name/tmp/" | grep -q canary || fail "$name: a canary ran in the VM"
  ! ls "$work/host-$name/tmp/" | grep -q canary || fail "$name: a canary ran on the host"
done
finish
