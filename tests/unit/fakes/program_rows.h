// The drive profile of a program, looked up in the program table.
#pragma once
#include <stdexcept>

#include "apps/program_table.h"

namespace kestrel::testing {

inline const ProgramRow* const kAllProgramRows[] = {&kTarn9xProgram, &kTarn2kProgram,
                                                    &kMere9xProgram, &kMere2kProgram,
                                                    &kBeck9xProgram, &kBeck2kProgram, &kFell32Program};

inline const ProgramProfile& ProfileOf(Program program) {
  for (const ProgramRow* row : kAllProgramRows) {
    if (row->program == program && row->drive != nullptr) return *row->drive;
  }
  throw std::invalid_argument("no drive profile for this program");
}

}  // namespace kestrel::testing
