// The programs of the suite, one value per row of the program list
// (src/apps/programs.cmake). What differs between them is one row each in
// the program table (apps/program_table.h).
#pragma once
#include "program_list.h"

namespace kestrel {

#define KESTREL_PROGRAM_VALUE(id, name, transport, topic) id,
enum class Program { KESTREL_PROGRAM_LIST(KESTREL_PROGRAM_VALUE) };
#undef KESTREL_PROGRAM_VALUE

}  // namespace kestrel
