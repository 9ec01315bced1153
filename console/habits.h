// Where the two programs differ inside shared code. Each program links its own definitions of
// the functions below; the shared code calls them and never asks which program it is.
//
//   what                          vorax                          vorax-legacy
//   catalogue table               driver/catalogue_table.cpp     legacy/catalogue_table.cpp
//   memory blocks                 util/blocks.cpp (system)       legacy/blocks.cpp (heap)
//   archive recognition           archive/reader.cpp             legacy/reader.cpp
//   rebuilt names                 archive/names.cpp              legacy/names.cpp
//                                 (shared pieces: archive/name_pieces.cpp)
//   vehicle archive layout        archive/vehicle_writer.cpp     legacy/vehicle_writer.cpp
//   console habits (below)        driver/program_current.cpp     legacy/program_legacy.cpp
//   driver, packers               driver/driver.cpp, pack/*      legacy/driver.cpp, legacy/*
#pragma once

// The heading printed before the data records are copied into an archive (or nothing).
void print_copy_heading(void);

// Ends a console line of the workers.
void end_console_line(void);

// The line that says an extracted file exists already and is kept.
void print_file_exists_line(void);
