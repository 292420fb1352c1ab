// What the drive layer must know about the program it runs in: the few places
// where the five utilities differ in how they talk to a drive.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrel {

// Beck2k: the speed utility over the pass-through transport.
enum class Utility { Tarn9x, Tarn2k, Mere9x, Mere2k, Beck9x, Beck2k };

struct ProgramProfile {
  Utility utility;
  const char* name;                  // file name without extension, e.g. "TARN9X"
  uint8_t requestSenseLength;        // 18 (ASPI builds) or 24 (pass-through build)
  bool zeroFillReadBuffer;           // ReadDriveBuffer clears its destination first
  size_t driveIdentificationLength;  // INQUIRY bytes kept from byte 8: 88, or 35 (BECK9X)
  size_t fileIdentificationLength;   // bytes copied from the image: 88, or 32 (TARN2K)
  const char* const* supportedModels;  // rows of 27 characters
  size_t supportedModelCount;
};

const ProgramProfile& ProfileFor(Utility utility);

}  // namespace kestrel
