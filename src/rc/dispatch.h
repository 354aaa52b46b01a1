// Command dispatch: `qd_rc <function> <action>` and `qd_rc show [all|<function>]`.
#pragma once

// One row of fun_tab. A walk through the table stops at the first name shorter than two
// characters, so the table always ends with such a row.
struct FunEntry {
  char name[16];
  int (*show)(int context);
  int (*start)();
  int (*stop)();
  int (*special)(int argc, char** argv, int context);
};

inline constexpr int kFunTabRows = 20;
extern const FunEntry fun_tab[kFunTabRows];

// The entry of the last successful find_subNode; null before.
extern const FunEntry* point_a;
// Context word for the show and special handlers; nothing assigns it.
extern int point_a_data;

// The image load of every start: nvram_load's result.
[[nodiscard]] int init();
// The fun_tab entry named by the first word into point_a: 0, or 1 when there is none.
[[nodiscard]] int find_subNode(int argc, char** argv);
// `show`, `show all` and `show <function>`: 0, or 1 for a function that is not in fun_tab.
[[nodiscard]] int get_shower(int argc, char** argv);
// The usage on standard output. Always 0.
int show_help();

// The whole of main: returns the process exit status.
int qd_rc_main(int argc, char** argv);
