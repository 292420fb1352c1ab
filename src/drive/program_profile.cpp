#include "drive/program_profile.h"

#include <iterator>

namespace kestrel {
namespace {

// Rows: vendor (8), product (16), a space, generation letter and digit.
constexpr const char* kAspiModels[] = {
    "KESTREL DVD-ROM DRV-310  G5", "KESTREL DVD-ROM DRV-311  G5", "KESTREL DVD-ROM DRV-310A G5",
    "KESTREL DVD-ROM DRV-311A G5", "Maple   DVD-ROM DRV-311  G5", "KESTREL DVD-ROM DRV-320  G6",
    "KESTREL DVD-ROM DRV-321  G6", "KESTREL DVD-ROM DRV-320A G6", "KESTREL DVD-ROM DRV-321A G6",
    "Maple   DVD-ROM DRV-321  G6", "KESTREL DVD-ROM DRV-331  G7", "KESTREL DVD-ROM DRV-331A G7",
};

constexpr const char* kPassThroughModels[] = {
    "KESTREL DVD-ROM DRV-320  G6",
    "KESTREL DVD-ROM DRV-321  G6",
    "KESTREL DVD-ROM DRV-331  G7",
    "KESTREL DVD/CDRW DRW-410 C1",
};

constexpr size_t kAspiModelCount = std::size(kAspiModels);
constexpr size_t kPassThroughModelCount = std::size(kPassThroughModels);

// The ASPI builds ask for 18 bytes of sense, the pass-through build for 24;
// only the pass-through build clears a read buffer's destination first.
const ProgramProfile kTarn9x{Utility::Tarn9x, "TARN9X",       18, false, 88, 88,
                             kAspiModels,     kAspiModelCount};
const ProgramProfile kTarn2k{Utility::Tarn2k,       "TARN2K", 24, true, 88, 32, kPassThroughModels,
                             kPassThroughModelCount};
// The region utilities never consult the model table.
const ProgramProfile kMere9x{Utility::Mere9x, "MERE9X", 18, false, 88, 88, nullptr, 0};
const ProgramProfile kMere2k{Utility::Mere2k, "MERE2K", 24, true, 88, 88, nullptr, 0};
const ProgramProfile kBeck9x{Utility::Beck9x, "BECK9X",       18, false, 35, 88,
                             kAspiModels,     kAspiModelCount};
// The same utility over pass-through: that transport's sense length and
// buffer handling, BECK9X's identification record and model table.
const ProgramProfile kBeck2k{Utility::Beck2k, "BECK2K",       24, true, 35, 88,
                             kAspiModels,     kAspiModelCount};

}  // namespace

const ProgramProfile& ProfileFor(Utility utility) {
  switch (utility) {
    case Utility::Tarn9x:
      return kTarn9x;
    case Utility::Tarn2k:
      return kTarn2k;
    case Utility::Mere9x:
      return kMere9x;
    case Utility::Mere2k:
      return kMere2k;
    case Utility::Beck9x:
      return kBeck9x;
    case Utility::Beck2k:
      return kBeck2k;
  }
  return kTarn9x;
}

}  // namespace kestrel
