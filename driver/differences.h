// The map of the points where the two programs differ. Shared code calls each of these through a
// declaration in the header of the lowest folder that calls it; each program links its own
// definition from its own folder. Shared code never asks which program it is.
//
//   point                   declared in             in vorax/             in legacy/
//   catalogue table         console/catalogue.h     catalogue_table.cpp   catalogue_table.cpp
//                           (the rows both tables share: console/catalogue_rows.h)
//   console habits          console/habits.h        habits.cpp            habits.cpp
//   archive recognition     archive/format.h        recognition.cpp       recognition.cpp
//   rebuilt names           archive/extract.h       rebuilt_names.cpp     rebuilt_names.cpp
//                           (the pieces both share: archive/name_pieces.h)
//   memory blocks           pack/entries.h          blocks.cpp (system)   blocks.cpp (heap)
//   vehicle archive layout  pack/archive_writer.h   vehicle_writer.cpp    vehicle_writer.cpp
//
// Each program's own top, which nothing shared calls:
//   packers                 vorax: pack/pack.h with pack/vehicles.cpp and pack/scenery.cpp;
//                           legacy: legacy/legacy.h with legacy/vehicles.cpp, legacy/scenery.cpp
//   driver and its rules    vorax/vorax.h, vorax/driver.cpp; legacy/legacy.h, legacy/driver.cpp
//   main                    vorax/main.cpp; legacy/main.cpp
#pragma once
