// Command dispatch over fun_tab: usage, the settings load, and the handler of the named
// function and action.
#include "rc/dispatch.h"

#include <cstring>

#include "nvram/load.h"
#include "platform/messages.h"
#include "rc/actions.h"
#include "rc/lifecycle.h"
#include "wlan/queries.h"

const FunEntry fun_tab[kFunTabRows] = {
    {"wlan", wlan_shower, wlan_start, wlan_stop, wlan_sp_fun},
};

const FunEntry* point_a = nullptr;
int point_a_data = 0;

namespace {

// The end rule: a name shorter than two characters ends the table.
bool ends_table(const FunEntry& entry) { return entry.name[0] == '\0' || entry.name[1] == '\0'; }

const FunEntry* find_fun_entry(const char* name) {
  for (const FunEntry& entry : fun_tab) {
    if (ends_table(entry)) break;
    if (std::strcmp(entry.name, name) == 0) return &entry;
  }
  return nullptr;
}

}  // namespace

int init() { return nvram_load(); }

int find_subNode(int argc, char** argv) {
  if (argc < 2) return 1;
  const FunEntry* entry = find_fun_entry(argv[1]);
  if (!entry) return 1;
  point_a = entry;
  return 0;
}

// A show handler's result is not the show's: show handlers print, and always return 0.
int get_shower(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[2], "all") != 0) {
    const FunEntry* entry = find_fun_entry(argv[2]);
    if (!entry) return 1;
    if (entry->show) static_cast<void>(entry->show(point_a_data));
    return 0;
  }
  for (const FunEntry& entry : fun_tab) {
    if (ends_table(entry)) break;
    if (entry.show) static_cast<void>(entry.show(point_a_data));
  }
  return 0;
}

int show_help() {
  platform::print_line("usage: qd_rc <function> <action>\n");
  platform::print_line("\t<action>: start stop and special action");
  platform::print_line("\t\tfor example: \"qd_rc wlan restart\"");
  platform::print_line("\nsupport function : ");
  for (const FunEntry& entry : fun_tab) {
    if (ends_table(entry)) break;
    platform::print("\t%s\n", entry.name);
  }
  return 0;
}

int qd_rc_main(int argc, char** argv) {
  if (argc < 2) {
    show_help();
    return 1;
  }
  forget_ssid_count_notice();
  // No image, or one not sound: the command goes on with the working copy as it is.
  static_cast<void>(init());
  if (std::strcmp(argv[1], "show") == 0) {
    // A function that is not in the table shows nothing; show ends with 0 all the same.
    static_cast<void>(get_shower(argc, argv));
    return 0;
  }
  if (argc < 3) return 0;
  if (find_subNode(argc, argv) != 0) return 1;
  const char* action = argv[2];
  // The handlers' results are not the exit status: a named function's command ends with 0.
  if (std::strcmp(action, "show") == 0) {
    if (point_a->show) static_cast<void>(point_a->show(point_a_data));
  } else if (std::strcmp(action, "start") == 0) {
    if (point_a->start) static_cast<void>(point_a->start());
  } else if (std::strcmp(action, "stop") == 0) {
    if (point_a->stop) static_cast<void>(point_a->stop());
  } else if (point_a->special) {
    static_cast<void>(point_a->special(argc, argv, point_a_data));
  }
  return 0;
}
