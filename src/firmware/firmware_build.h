// What differs between TARN9X and TARN2K in the firmware window's logic,
// apart from the transport and the strategies of the update procedure.
#pragma once

namespace kestrel {

struct FirmwareBuildTraits {
  const char* initialFileName;       // fileNameBuffer at the first use of the file dialog
  // After every load attempt (cancel and failures included) the information
  // field is rewritten as "%.8s %.16s %.5s %.10s" when the image has an
  // identification record; otherwise it shows the record's text as found.
  bool formatInfoFieldAfterLoad;
};

inline constexpr FirmwareBuildTraits kTarn9xFirmwareTraits{"UPDATE.HEX", true};
inline constexpr FirmwareBuildTraits kTarn2kFirmwareTraits{"", false};

}  // namespace kestrel
