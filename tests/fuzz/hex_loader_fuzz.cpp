// libFuzzer target: any bytes as a firmware file, read through the memory
// line source exactly as a file would be. The loader must never write outside
// its buffers, and the image changes only when reading ends normally.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "drive/drive_context.h"
#include "firmware/hex_image.h"
#include "firmware/line_source.h"

namespace {

using namespace kestrel;

constexpr uint8_t kEarlierImage = 0xA5;

// Exactly sized heap buffers, so that AddressSanitizer sees any overrun.
struct Buffers {
  Buffers()
      : data(new uint8_t[kDataBufferSize]()),
        image(new uint8_t[kImageBufferSize]),
        earlier(new uint8_t[kImageBufferSize]) {
    std::memset(earlier.get(), kEarlierImage, kImageBufferSize);
    std::memcpy(image.get(), earlier.get(), kImageBufferSize);
    work.data = data.get();
    work.image = image.get();
  }
  std::unique_ptr<uint8_t[]> data, image, earlier;
  WorkBuffers work;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static Buffers buffers;
  std::memcpy(buffers.image.get(), buffers.earlier.get(), kImageLoadSize);

  // A copy of exactly `size` bytes: a read past the input's end is caught.
  std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
  if (size != 0) std::memcpy(text.get(), input, size);
  MemoryLineSource source(text.get(), size);

  std::string log;
  const HexLoadResult result =
      LoadHexImage(source, buffers.work, Language{(size & 1) ? 932 : 437}, log);

  const bool described = log.rfind("\r\nF/W file load success.", 0) == 0;
  if (result.normal()) {
    Check(described);
    Check(std::memcmp(buffers.image.get(), buffers.data.get(), kImageLoadSize) == 0);
    ImageRecord records;
    const int32_t parts = CheckImageSignature(records, buffers.image.get());
    Check(parts >= 0 && parts <= 2);
  } else {
    Check(!described && !log.empty());
    Check(std::memcmp(buffers.image.get(), buffers.earlier.get(), kImageLoadSize) == 0);
  }
  // Beyond the loaded range the image is never touched.
  Check(std::memcmp(buffers.image.get() + kImageLoadSize, buffers.earlier.get() + kImageLoadSize,
                    kImageBufferSize - kImageLoadSize) == 0);
  return 0;
}
