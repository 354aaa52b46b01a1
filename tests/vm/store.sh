#!/usr/bin/env bash
# The settings store on the MIPS VM: the image loaded over the working copy at every start
# (sound, damaged, absent), held to the host binary's run; several qd_rc processes setting
# and getting at once on one working copy, nothing lost; and gets that answer what the files
# hold after other programs rewrote them (tests/support/freshness.h, on the MIPS kernel).
. "$(dirname "$0")/lib.sh"

fixture load_image image
fixture load_working working
for image in sound damaged absent; do
  vm_case "$image" --settings "$work/image.settings" --working "$work/working.settings" --image "$image" -- \
    'wlan' 'wlan wps_change' 'wlan show'
done

# The load: writers run wps_change (five sets that rewrite most of the list, as the new SSID's
# length changes) while readers run mac_init (one get, whose answer it prints); no image, so the
# working copy is the only store. 200 entries behind the ones that change are there to be lost.
{
  cat <<'SET'
wifiWpsEnable=1
wifiRadioOnOff=1
wifiIFOn[0]=1
wifiSSIDNum=1
wifiWpsState=0
wifiAuth[0]=0
wifiEnc[0]=0
wifiBssid[0]=home
wifiWpapsk[0]=12345678
wifiMacAddr=00:0C:43:30:52:80
SET
  for i in $(seq 200); do echo "entry$i=value of entry $i"; done
} | settings load
vm_only load --settings "$work/load.settings" --image absent --
vm_only fresh --settings "$work/load.settings" --
[ -x "${QD_VM_FRESHNESS:-}" ] || fail "no vm_freshness (cmake --build --preset mipsel-release)"
mkdir -p "$work/overlay/sim"
cp "$QD_VM_FRESHNESS" "$work/overlay/sim/freshness"
jobs=4 runs=20
cat >"$work/guest.sh" <<GUEST
for name in sound damaged absent; do run_case "\$name"; done
case_begin load
mkdir "\$sim/load"
job() {  # ACTION N: $runs runs of qd_rc wlan ACTION, their output and statuses
  local i=0
  while [ \$i -lt $runs ]; do
    in_gateway 60 /sbin/qd_rc wlan "\$1" </dev/null >>"\$sim/load/\$1.\$2" 2>&1
    echo \$? >>"\$sim/load/status"
    i=\$((i + 1))
  done
}
pids=""
for n in \$(seq $jobs); do
  job wps_change \$n &
  pids="\$pids \$!"
  job mac_init \$n &
  pids="\$pids \$!"
done
wait \$pids
cp "\$R/tmp/nvram" "\$sim/load/nvram"
case_end
case_begin fresh
in_gateway 60 /sim/freshness </dev/null >"\$sim/fresh.out" 2>&1
echo "status \$?" >>"\$sim/fresh.out"
case_end
GUEST
boot --guest "$work/guest.sh" --overlay "$work/overlay"

for image in sound damaged absent; do compare "$image"; done

load=$V/load/sim/load
expect_text "load: every run ends with 0" "$((2 * jobs * runs)) 0" "$(sort "$load/status" | uniq -c | awk '{ print $1, $2 }' | paste -sd' ')"
expect_text "load: every get finds the address" "$((jobs * runs)) qd_rc: init_wifi_mac same 00:0C:43:30:52:80" \
  "$(cat "$load"/mac_init.* | sort | uniq -c | awk '{ $1 = $1; print }')"
expect_text "load: wps_change prints nothing" "" "$(cat "$load"/wps_change.*)"
"$QD_NVRAM_TOOL" verify "$load/nvram" >/dev/null || fail "load: the working copy is damaged"
# Every entry once, in its place; what wps_change sets, in its forms.
expect_text "load: the working copy" \
  "$(sed -e 's/^wifiWpsState=.*/wifiWpsState=1/' -e 's/^wifiAuth\[0\]=.*/wifiAuth[0]=5/' -e 's/^wifiEnc\[0\]=.*/wifiEnc[0]=3/' \
    -e 's/^wifiBssid\[0\]=.*/wifiBssid[0]=KES_1/' -e 's/^wifiWpapsk\[0\]=.*/wifiWpapsk[0]=<psk 1>/' "$work/load.settings")" \
  "$("$QD_NVRAM_TOOL" dump "$load/nvram" | grep -v '^#' | normalized_dump)"
expect_text "fresh: every get answers what the files hold" "0 stale answers
status 0" "$(cat "$V/fresh/sim/fresh.out")"
finish
