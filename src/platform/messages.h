// The one way out for the program's messages: the texts it prints for its callers on standard
// output, its notices on standard error, and the system's own text for a failed call. Every
// message of qd_rc leaves through these (standard I/O of the C library; one implementation
// serves both systems), so the texts stand at their callers and the route stands here.
#pragma once

namespace platform {

// Standard output: `text` and a line feed, as puts writes them.
void print_line(const char* text);
// Standard output, formatted as printf formats.
void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Standard error, formatted as fprintf formats: notices of the program ("qd_rc: ..."), each
// a whole line.
void notice(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Standard error: `what`, ": ", the system's text for the error of the platform call that
// failed last, and a line feed, as perror writes them. Called right after that call, before
// anything else asks the system for something.
void report_system_error(const char* what);
// Hands what standard output holds to its file now: before a child writes to the same
// console, and at the end of the program.
void flush_output();

}  // namespace platform
