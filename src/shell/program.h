// The programs of the suite. What differs between them is one row each in
// the program table (apps/program_table.h).
#pragma once

namespace kestrel {

enum class Program { Tarn9x, Tarn2k, Mere9x, Mere2k, Beck9x, Beck2k, Fell32 };

}  // namespace kestrel
