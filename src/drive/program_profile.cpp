#include "drive/program_profile.h"

#include <iterator>

#include "drive/discovery.h"

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

}  // namespace

// The ASPI builds ask for 18 bytes of sense, the pass-through build for 24.
const ProgramProfile kTarn9xProfile{Program::Tarn9x, "TARN9X",        18, 88, 88, kAspiModels,
                                    kAspiModelCount, kTarn9xDiscovery};
const ProgramProfile kTarn2kProfile{
    Program::Tarn2k,        "TARN2K",        24, 88, 32, kPassThroughModels,
    kPassThroughModelCount, kTarn2kDiscovery};
// The region utilities never consult the model table.
const ProgramProfile kMere9xProfile{Program::Mere9x, "MERE9X", 18, 88, 88, nullptr, 0,
                                    kMere9xDiscovery};
const ProgramProfile kMere2kProfile{Program::Mere2k, "MERE2K", 24, 88, 88, nullptr, 0,
                                    kMere2kDiscovery};
// TARN9X's whole 88-byte records, and the model table of the pass-through
// build: SG_IO is a pass-through transport, and the models only the ASPI
// builds list were never updated through one.
const ProgramProfile kKestrelFirmwareProfile{Program::Tarn9x,        "kestrel", 18, 88, 88,
                                             kPassThroughModels, kPassThroughModelCount,
                                             kTarn9xDiscovery};
const ProgramProfile kBeck9xProfile{Program::Beck9x, "BECK9X",        18, 35, 88, kAspiModels,
                                    kAspiModelCount, kBeck9xDiscovery};
// The same utility over pass-through: that transport's sense length,
// BECK9X's identification record and model table.
const ProgramProfile kBeck2kProfile{Program::Beck2k, "BECK2K",        24, 35, 88, kAspiModels,
                                    kAspiModelCount, kBeck2kDiscovery};

}  // namespace kestrel
