// Radio MAC programming: the EEPROM words of the radio's address, rewritten only on change.
#pragma once

// 0 when the address was right or has been written; -1 for an unusable text or an interface
// whose address cannot be read.
int init_wifi_mac(const char* ifname, const char* mac_text);
