#!/usr/bin/env bash
# The settings image is loaded over the working copy at every start, children included: what a
# run set is gone in the next run when the image is sound, and stays when it is damaged or gone.
. "$(dirname "$0")/lib.sh"

fixture load_image image
fixture load_working working

# Per image condition: the working copy after a run that sets nothing, the standard
# output of that run, and whether what wps_change set survives the next run.
image=${1:?sound, damaged or absent}
simulate "load-$image" --settings "$work/image.settings" --working "$work/working.settings" \
  --image "$image" -- 'wlan' 'wlan wps_change' 'wlan show'
first=$(setting "$st/1/nvram" 'wifiBssid[0]')
changed=$(setting "$st/2/nvram" 'wifiBssid[0]')
after=$(setting "$st/3/nvram" 'wifiBssid[0]')
case "$changed" in KES_*) ;; *) fail "$image image: wps_change did not set a KES_ SSID (got $changed)" ;; esac
stdout=$(<"$st/1/stdout")
case "$image" in
sound)
  expect_text "sound image: replaces the working copy" FromImage "$first"
  expect_text "sound image: the working copy is the image's list" \
    "$("$QD_NVRAM_TOOL" dump "$work/load-$image/tmp/qd_nvram" | grep -v '^#')" \
    "$("$QD_NVRAM_TOOL" dump "$st/1/nvram" | grep -v '^#')"
  expect_text "sound image: silent" "" "$stdout"
  expect_text "sound image: a set lasts until the next start" FromImage "$after"
  ;;
damaged)
  expect_text "damaged image: working copy kept" FromWorkingCopy "$first"
  expect_text "damaged image: the loader's report" "CRC Error!!" "${stdout%%$'\n'*}"
  [[ ${stdout#*$'\n'} =~ ^header\.crc=[0-9a-f]+$'\t'crc=[0-9a-f]+$ ]] ||
    fail "damaged image: second line '${stdout#*$'\n'}'"
  expect_text "damaged image: a set stays" "$changed" "$after"
  ;;
absent)
  expect_text "no image: working copy kept" FromWorkingCopy "$first"
  expect_text "no image: silent" "" "$stdout"
  expect_text "no image: a set stays" "$changed" "$after"
  ;;
esac
# One image condition per run (settings_load.sh sound|damaged|absent), side by side in CTest.
finish
