// libFuzzer target: any bytes as a firmware file, read once through the
// memory line source and once through the file line source with a small
// block, so that the file source refills at every kind of boundary. The
// loader must never write outside its buffers, the image changes only when
// reading ends normally, and both sources load exactly alike.
#include <cstddef>
#include <cstdint>
#include <cstdio>
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

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "hex_loader_fuzz: %s\n", what);
  std::abort();
}

struct Load {
  HexLoadResult result;
  std::string log;
};

// One load into buffers, checked against the rules of a load.
Load LoadChecked(Buffers& buffers, LineSource& source, Language language) {
  std::memcpy(buffers.image.get(), buffers.earlier.get(), kImageLoadSize);
  Load load;
  load.result = LoadHexImage(source, buffers.work, language, load.log);
  const bool described = load.log.rfind("\r\nF/W file load success.", 0) == 0;
  if (load.result.normal()) {
    Check(described, "a normal load without its success text");
    Check(std::memcmp(buffers.image.get(), buffers.data.get(), kImageLoadSize) == 0,
          "a normal load left the image unlike the parsed data");
    ImageRecord records;
    const int32_t parts = CheckImageSignature(records, buffers.image.get());
    Check(parts >= 0 && parts <= 2, "signature parts out of range");
  } else {
    Check(!described && !load.log.empty(), "a failed load without its failure text");
    Check(std::memcmp(buffers.image.get(), buffers.earlier.get(), kImageLoadSize) == 0,
          "a failed load changed the image");
  }
  // Beyond the loaded range the image is never touched.
  Check(std::memcmp(buffers.image.get() + kImageLoadSize, buffers.earlier.get() + kImageLoadSize,
                    kImageBufferSize - kImageLoadSize) == 0,
        "the image beyond the loaded range changed");
  return load;
}

}  // namespace

// The input is the file; its length picks the file source's block size (256
// to 511 bytes), so the seeds stay plain HEX files.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static Buffers buffers;
  const size_t blockSize = kMaxLineRead + 1 + (size * 37) % 256;
  const size_t length = size;
  const Language language{(size & 1) ? 932 : 437};

  // A copy of exactly `length` bytes: a read past the input's end is caught.
  std::unique_ptr<char[]> text(new char[length == 0 ? 1 : length]);
  if (length != 0) std::memcpy(text.get(), input, length);
  MemoryLineSource memory(text.get(), length);
  const Load fromMemory = LoadChecked(buffers, memory, language);
  std::unique_ptr<uint8_t[]> memoryImage(new uint8_t[kImageLoadSize]);
  std::memcpy(memoryImage.get(), buffers.image.get(), kImageLoadSize);

  // fmemopen cannot open an empty buffer on every C library: a temporary file does.
  std::FILE* file = std::tmpfile();
  Check(file != nullptr, "no temporary file");
  Check(std::fwrite(text.get(), 1, length, file) == length, "temporary file not written");
  std::rewind(file);
  StdioLineSource stream(file, blockSize);
  const Load fromFile = LoadChecked(buffers, stream, language);

  Check(fromFile.log == fromMemory.log, "the file source logged unlike the memory source");
  Check(fromFile.result.end == fromMemory.result.end &&
            fromFile.result.lineNumber == fromMemory.result.lineNumber,
        "the file source ended unlike the memory source");
  Check(std::memcmp(memoryImage.get(), buffers.image.get(), kImageLoadSize) == 0,
        "the file source loaded unlike the memory source");
  return 0;
}
