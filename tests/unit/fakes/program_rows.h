// Every row of the program table, in the order of the program list, and the
// drive profile of a program looked up in it.
#pragma once
#include <stdexcept>

#include "apps/program_table.h"
#include "program_list.h"

namespace kestrel::testing {

#define KESTREL_PROGRAM_ROW(id, name, transport, topic) &k##id##Program,
inline const ProgramRow* const kAllProgramRows[] = {KESTREL_PROGRAM_LIST(KESTREL_PROGRAM_ROW)};
#undef KESTREL_PROGRAM_ROW

inline const ProgramProfile& ProfileOf(Program program) {
  for (const ProgramRow* row : kAllProgramRows) {
    if (row->program == program && row->drive != nullptr) return *row->drive;
  }
  throw std::invalid_argument("no drive profile for this program");
}

}  // namespace kestrel::testing
