// Indexed settings: a per-instance value lives under "base[index]" (at most 31 characters);
// a negative index means the bare base key. The gets read through nvram_get, and so can write
// as it does.
#pragma once

const char* uci_get_n(const char* base, int index);
// Never null: an absent key gives a shared empty text, which is not to be freed.
const char* uci_safe_get_n(const char* base, int index);
// nvram_set of the indexed key. Always 0.
int uci_set_n(const char* base, int index, const char* value);
// The leading decimal number; 0 when absent, empty or negative.
int uci_get_int_n(const char* base, int index);
