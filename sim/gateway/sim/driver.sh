# Shared by the radio driver's stand-ins: its state lives under /sim/driver.
#   IF.set  the last value of each "iwpriv IF set Key=Value", one Key=Value a line
#   IF.e2p  the EEPROM words, "0xOFFS=0xWORD" a line (only ra0 has an EEPROM)
# Written with shell builtins only: every process costs time on a small machine.
driver=/sim/driver

link_exists() { [ -e "/sys/class/net/$1" ]; }

link_is_up() {
  local flags
  read -r flags <"/sys/class/net/$1/flags" || return 1
  [ $((flags & 1)) = 1 ]
}

# eeprom_word OFFSET IF: sets $word to the four hexadecimal digits at OFFSET (a number).
eeprom_word() {
  local offset value
  word=""
  while IFS== read -r offset value; do
    if [ $((offset)) = $(($1)) ]; then word=${value#0x}; return 0; fi
  done <"$driver/$2.e2p"
  return 1
}

# eeprom_mac IF: sets $mac to the address in EEPROM bytes 4 to 9: words 4, 6 and 8, each with
# the lower-numbered byte in its low half.
eeprom_mac() {
  local offset
  mac=""
  for offset in 4 6 8; do
    eeprom_word "$offset" "$1" || return 1
    mac="$mac:${word#??}:${word%??}"
  done
  mac=${mac#:}
}
