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

int init();
int find_subNode(int argc, char** argv);
int get_shower(int argc, char** argv);
int show_help();

// The whole of main: returns the process exit status.
int qd_rc_main(int argc, char** argv);
