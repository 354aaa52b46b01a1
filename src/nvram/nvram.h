// Get and set of settings on the working copy /tmp/nvram, with the image /tmp/qd_nvram as
// fallback for keys the working copy lacks, and the registry that owns handed-out values.
#pragma once

// One registry record: a key and the value buffer last handed out for it.
struct nv_entry {
  char* name;
  char* value;
  nv_entry* next;
};

extern nv_entry* nv_entry_list;

nv_entry* find_nv_entry(const char* name);
// Hands `value` (malloc'd) to the registry, which owns it from now on, also on failure.
int add_nv_entry(const char* name, char* value);

// The value of `key` in one settings file, registered; null when absent.
const char* nvram_get_func(const char* key, const char* path);
// Replaces every entry of `key` in one settings file, or appends one. Always 0.
int nvram_set_func(const char* key, const char* value, const char* path);

// The current value of `key`, or null when absent or marked "*DEL*". The result belongs to
// the registry and stays valid until the next get that finds the same key.
// A get can write: a key that the working copy lacks and the image holds is copied into the
// working copy (an nvram_set), so which keys a run reads, and in what order, shows in the
// working copy.
const char* nvram_get(const char* key);
// Stores `value` under `key` in the working copy at once. Always 0.
int nvram_set(const char* key, const char* value);
