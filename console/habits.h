// The console habits in which the two programs differ: the workers below call these, and each
// program defines them (vorax/habits.cpp, legacy/habits.cpp). driver/differences.h maps every
// such point.
#pragma once

// The heading printed before the data records are copied into an archive (or nothing).
void print_copy_heading(void);

// Ends a console line of the workers.
void end_console_line(void);

// The line that says an extracted file exists already and is kept.
void print_file_exists_line(void);
