// Parsing HEX records into the firmware image: layout, the normal ends, and
// the refusal of damaged files without touching the loaded image.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "firmware/hex_image.h"
#include "tests/support/firmware_image_builder.h"

namespace kestrel {
namespace {

using testing::BuildFirmwareHex;
using testing::BuildFirmwareImage;
using testing::EndRecord;
using testing::FirmwareImageSetup;
using testing::HexRecord;
using testing::LinearAddressRecord;
using testing::SegmentRecord;

// DataBuffer and ImageBuffer as the transport allocates them, zeroed; the
// image starts out as a recognisable earlier image.
struct Buffers {
  Buffers() : data(kDataBufferSize, 0), image(kImageBufferSize, 0) {
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + 1);
    previous = image;
    work.data = data.data();
    work.image = image.data();
  }
  std::vector<uint8_t> data, image, previous;
  WorkBuffers work;
};

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

HexLoadResult Load(Buffers& buffers, const std::string& text, std::string& log,
                   Language language = {}) {
  MemoryLineSource source(text.data(), text.size());
  return LoadHexImage(source, buffers.work, language, log);
}

HexLoadResult Load(Buffers& buffers, const std::string& text) {
  std::string log;
  return Load(buffers, text, log);
}

TEST(HexRecordsTest, DataLandsAtSegmentPlusOffsetAndTheRestIsFF) {
  Buffers b;
  const auto result =
      Load(b, Lines({HexRecord(0, 0x0010, {1, 2, 3}), HexRecord(0, 0x0013, {4}),
                     SegmentRecord(0x4000), HexRecord(0, 0x0000, {0x40}), SegmentRecord(0x5000),
                     HexRecord(0, 0x0002, {0x50, 0x51}), SegmentRecord(0x1000),
                     HexRecord(0, 0xFFFF, {0x1F}), EndRecord()}));
  ASSERT_TRUE(result.normal());
  EXPECT_EQ(result.loadedByteCount, 8u);
  const std::vector<uint8_t> expect = {1, 2, 3, 4};
  EXPECT_EQ(0, std::memcmp(&b.image[0x10], expect.data(), 4));
  EXPECT_EQ(b.image[0x0F], 0xFF);
  EXPECT_EQ(b.image[0x14], 0xFF);
  EXPECT_EQ(b.image[0x40000], 0x40);
  // Segment 5000h is the second CPU's trailer at 0x41000, not 0x50000.
  EXPECT_EQ(b.image[0x41002], 0x50);
  EXPECT_EQ(b.image[0x41003], 0x51);
  EXPECT_EQ(b.image[0x1FFFF], 0x1F);
  size_t ffCount = 0;
  for (uint32_t i = 0; i < kImageLoadSize; ++i) ffCount += b.image[i] == 0xFF;
  EXPECT_EQ(ffCount, kImageLoadSize - 8);
  // Beyond the loaded range the image keeps what it had.
  EXPECT_EQ(0, std::memcmp(&b.image[kImageLoadSize], &b.previous[kImageLoadSize],
                           kImageBufferSize - kImageLoadSize));
}

TEST(HexRecordsTest, LowerCaseDigitsLinearAddressZeroAndStartAddressesAreAccepted) {
  Buffers b;
  const auto result =
      Load(b, Lines({SegmentRecord(0x2000), LinearAddressRecord(0),
                     HexRecord(0x03, 0, {0, 0, 0, 0}), HexRecord(0x05, 0, {0, 0, 0, 0}),
                     HexRecord(0, 0x0100, {0xAB, 0xCD}, /*lowerCase=*/true), EndRecord()}));
  ASSERT_TRUE(result.normal());
  // Linear address 0000h changes nothing: the data lands relative to segment 2000h.
  EXPECT_EQ(b.image[0x20100], 0xAB);
  EXPECT_EQ(b.image[0x20101], 0xCD);
}

TEST(HexRecordsTest, TheEndRecordEndsReadingAndLaterLinesAreNeverRead) {
  Buffers b;
  std::string log;
  const auto result = Load(
      b, Lines({HexRecord(0, 0, {7}), EndRecord(), "garbage", ":zz", HexRecord(0, 1, {8})}), log);
  ASSERT_TRUE(result.normal());
  EXPECT_EQ(b.image[0], 7);
  EXPECT_EQ(b.image[1], 0xFF);
  EXPECT_EQ(log.rfind("\r\nF/W file load success.", 0), 0u);
}

TEST(HexRecordsTest, ReadingEndsNormallyOnce0x42000DataBytesAreLoaded) {
  // A full two-part image has exactly 0x42000 data bytes and ends without
  // reading its end-of-file record.
  FirmwareImageSetup setup;
  setup.second = setup.first;
  setup.second->cpuName = "HITACHI H8_3062R";
  std::string hex = BuildFirmwareHex(setup);
  hex += "anything after the image is never read\r\n";
  Buffers b;
  const auto result = Load(b, hex);
  ASSERT_TRUE(result.normal());
  EXPECT_EQ(result.loadedByteCount, kImageLoadSize);
  const auto expect = BuildFirmwareImage(setup);
  EXPECT_EQ(0, std::memcmp(b.image.data(), expect.data(), kImageLoadSize));

  // Without its end record too.
  testing::HexWriteOptions noEnd;
  noEnd.endRecord = false;
  Buffers b2;
  EXPECT_TRUE(Load(b2, BuildFirmwareHex(setup, noEnd)).normal());
}

TEST(HexRecordsTest, RecordsBetweenTheImageAndTheBufferEndNeverReachTheImage) {
  Buffers b;
  const auto result =
      Load(b, Lines({SegmentRecord(0x4200), HexRecord(0, 0, {1, 2}), SegmentRecord(0x4000),
                     HexRecord(0, 0xFFFE, {3, 4}), EndRecord()}));
  ASSERT_TRUE(result.normal());
  EXPECT_EQ(b.data[0x42000], 1);
  EXPECT_EQ(b.data[0x4FFFF], 4);
  EXPECT_EQ(b.image[0x41FFF], 0xFF);
  EXPECT_EQ(b.image[0x42000], b.previous[0x42000]);
}

struct Refusal {
  const char* name;
  std::vector<std::string> lines;
  HexLoadEnd end;
  uint32_t line;
  const char* english;
  const char* japanese;
};

class HexRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(HexRefusalTest, StopsWithItsLineAndLeavesTheImageAsItWas) {
  const Refusal& r = GetParam();
  for (const Language language : {Language{437}, Language{932}}) {
    Buffers b;
    std::string log = "File Name : x";
    const auto result = Load(b, Lines(r.lines), log, language);
    EXPECT_EQ(result.end, r.end);
    EXPECT_EQ(result.lineNumber, r.line);
    EXPECT_EQ(log, std::string("File Name : x") + (language.Japanese() ? r.japanese : r.english));
    EXPECT_EQ(b.image, b.previous);
  }
}

const std::string kGood = HexRecord(0, 0, {1, 2, 3, 4});

INSTANTIATE_TEST_SUITE_P(
    DamagedFiles, HexRefusalTest,
    ::testing::Values(Refusal{"EmptyLine",
                              {kGood, "", EndRecord()},
                              HexLoadEnd::BadStartCharacter,
                              2,
                              "\r\nStart Charactor is not fouund.",
                              "\r\nStart Charactor is not fouund."},
                      Refusal{"LeadingBlank",
                              {" " + kGood, EndRecord()},
                              HexLoadEnd::BadStartCharacter,
                              1,
                              "\r\nStart Charactor is not fouund.",
                              "\r\nStart Charactor is not fouund."},
                      Refusal{"Checksum",
                              {kGood, ":0400000001020305F2", EndRecord()},
                              HexLoadEnd::ChecksumError,
                              2,
                              "\r\nChecksum error in line 2.",
                              "\r\n2行目のチェックサムが正しくありません。"},
                      Refusal{"ChecksumOfEndRecord",
                              {kGood, ":00000001FE"},
                              HexLoadEnd::ChecksumError,
                              2,
                              "\r\nChecksum error in line 2.",
                              "\r\n2行目のチェックサムが正しくありません。"},
                      Refusal{"NonHexData",
                              {kGood, kGood, ":04000000010G0304F2", EndRecord()},
                              HexLoadEnd::InvalidRecord,
                              3,
                              "\r\nInvalid record in line 3.",
                              "\r\n3行目のレコードが正しくありません。"},
                      Refusal{"NonHexHeader",
                              {":0X00000001020304F2"},
                              HexLoadEnd::InvalidRecord,
                              1,
                              "\r\nInvalid record in line 1.",
                              "\r\n1行目のレコードが正しくありません。"},
                      Refusal{"CountPastLineEnd",
                              {":0800000001020304F2", EndRecord()},
                              HexLoadEnd::InvalidRecord,
                              1,
                              "\r\nInvalid record in line 1.",
                              "\r\n1行目のレコードが正しくありません。"},
                      Refusal{"MissingChecksum",
                              {":0400000001020304"},
                              HexLoadEnd::InvalidRecord,
                              1,
                              "\r\nInvalid record in line 1.",
                              "\r\n1行目のレコードが正しくありません。"},
                      Refusal{"ShortHeader",
                              {":0400"},
                              HexLoadEnd::InvalidRecord,
                              1,
                              "\r\nInvalid record in line 1.",
                              "\r\n1行目のレコードが正しくありません。"},
                      Refusal{"SegmentOfThreeBytes",
                              {HexRecord(2, 0, {0x10, 0x00, 0x00}), EndRecord()},
                              HexLoadEnd::InvalidRecord,
                              1,
                              "\r\nInvalid record in line 1.",
                              "\r\n1行目のレコードが正しくありません。"},
                      Refusal{"LinearAddressOfOneByte",
                              {HexRecord(4, 0, {0}), EndRecord()},
                              HexLoadEnd::InvalidRecord,
                              1,
                              "\r\nInvalid record in line 1.",
                              "\r\n1行目のレコードが正しくありません。"},
                      Refusal{"LinearAddressBeforeData",
                              {LinearAddressRecord(1), kGood, EndRecord()},
                              HexLoadEnd::LinearAddress,
                              1,
                              "\r\nUnsupported extended linear address in line 1.",
                              "\r\n1行目の拡張リニアアドレスには対応していません。"},
                      Refusal{"LinearAddressAfterData",
                              {kGood, LinearAddressRecord(0x8000), kGood, EndRecord()},
                              HexLoadEnd::LinearAddress,
                              2,
                              "\r\nUnsupported extended linear address in line 2.",
                              "\r\n2行目の拡張リニアアドレスには対応していません。"},
                      Refusal{"PastDataBuffer",
                              {SegmentRecord(0x4FFF), HexRecord(0, 0x000E, {1, 2, 3})},
                              HexLoadEnd::AddressOutOfRange,
                              2,
                              "\r\nAddress out of range in line 2.",
                              "\r\n2行目のアドレスが範囲外です。"},
                      Refusal{"FarSegment",
                              {SegmentRecord(0xF000), HexRecord(0, 0xFFF0, {1})},
                              HexLoadEnd::AddressOutOfRange,
                              2,
                              "\r\nAddress out of range in line 2.",
                              "\r\n2行目のアドレスが範囲外です。"},
                      Refusal{"NoEndRecord",
                              {kGood, kGood},
                              HexLoadEnd::MissingEndRecord,
                              2,
                              "\r\nThe file is incomplete: its end-of-file record is missing.",
                              "\r\nファイルが不完全です。終了レコードがありません。"},
                      Refusal{"EmptyFile",
                              {},
                              HexLoadEnd::MissingEndRecord,
                              0,
                              "\r\nThe file is incomplete: its end-of-file record is missing.",
                              "\r\nファイルが不完全です。終了レコードがありません。"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(HexRecordsTest, LineNumbersCountFileLinesNotReads) {
  // A valid record followed by trailing blanks is read in two parts; the
  // second part, which starts with a blank, is still line 2 of the file.
  Buffers b;
  const auto result = Load(b, Lines({kGood, ":00000005FB" + std::string(300, ' '), kGood}));
  EXPECT_EQ(result.end, HexLoadEnd::BadStartCharacter);
  EXPECT_EQ(result.lineNumber, 2u);

  // A record longer than one read runs past the end of what was read.
  Buffers b2;
  const auto split =
      Load(b2, Lines({kGood, HexRecord(0, 0x100, std::vector<uint8_t>(128, 0x5A)), kGood}));
  EXPECT_EQ(split.end, HexLoadEnd::InvalidRecord);
  EXPECT_EQ(split.lineNumber, 2u);
  EXPECT_EQ(b2.image, b2.previous);
}

TEST(HexRecordsTest, ADataRecordEndingExactlyAtTheBufferEndIsStored) {
  Buffers b;
  const auto result =
      Load(b, Lines({SegmentRecord(0x4FFF), HexRecord(0, 0x000E, {1, 2}), EndRecord()}));
  ASSERT_TRUE(result.normal());
  EXPECT_EQ(b.data[kDataBufferSize - 1], 2);
}

std::vector<uint8_t> ImageWithTypeBlock(const char* block9) {
  std::vector<uint8_t> image(kImageLoadSize, 0xFF);
  std::memcpy(&image[kImageTypeBlockOffset], block9, 9);
  return image;
}

TEST(HexImageDescriptionTest, TypeWordsLabelAndVersionFollowOneAnother) {
  std::string log;
  AppendImageDescription(ImageWithTypeBlock("ATKST1.20").data(), Language{}, log);
  EXPECT_EQ(log,
            "\r\nF/W file load success.\r\nFirmware File Type : ATAPI TRAY KESTREL Model"
            "\r\nVersion : 1.20\r\n");

  log.clear();
  AppendImageDescription(ImageWithTypeBlock("ASxyzB2.0").data(), Language{}, log);
  EXPECT_EQ(log,
            "\r\nF/W file load success.\r\nFirmware File Type : ATAPI SLOT \r\nVersion : B2.0\r\n");

  log.clear();
  AppendImageDescription(ImageWithTypeBlock("SxSPR1\0\0\0").data(), Language{}, log);
  EXPECT_EQ(
      log,
      "\r\nF/W file load success.\r\nFirmware File Type : SCSI SPRUCE Model\r\nVersion : 1\r\n");

  // An image without a type block: no words, no label, FFh shown as text.
  log.clear();
  std::vector<uint8_t> blank(kImageLoadSize, 0xFF);
  AppendImageDescription(blank.data(), Language{}, log);
  EXPECT_EQ(log, "\r\nF/W file load success.\r\nFirmware File Type : \r\nVersion : ÿÿÿÿ\r\n");
}

TEST(HexImageDescriptionTest, EditionTableHasNineDistinctCodesInItsOrder) {
  size_t count = 0;
  const EditionLabel* table = EditionLabelTable(count);
  ASSERT_EQ(count, 9u);
  const char* labels[] = {"KESTREL Model", "LARCH Model", "ROWAN Model",
                          "ALDER Model",   "HAZEL Model", "MAPLE Model",
                          "CEDAR Model",   "BIRCH Model", "SPRUCE Model"};
  for (size_t i = 0; i < count; ++i) {
    EXPECT_STREQ(table[i].label, labels[i]);
    EXPECT_EQ(std::strlen(table[i].code), 3u);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(table[i].code[k] > 0x20 && table[i].code[k] < 0x7F);
    EXPECT_STREQ(EditionLabelFor(reinterpret_cast<const uint8_t*>(table[i].code)), labels[i]);
    for (size_t j = 0; j < i; ++j) EXPECT_STRNE(table[i].code, table[j].code);
  }
  // Compared byte for byte: case matters.
  EXPECT_EQ(EditionLabelFor(reinterpret_cast<const uint8_t*>("kst")), nullptr);
}

TEST(HexImageDescriptionTest, FileExceptionLinesShowTheCauseInLowerCaseHex) {
  std::string log;
  AppendFileException(10, log);
  EXPECT_EQ(log, "\r\nFile Exception Error a : Hardware I/O error");
  log.clear();
  AppendFileException(1, log);
  AppendFileException(14, log);
  EXPECT_EQ(log,
            "\r\nFile Exception Error 1 : Generic error occurred"
            "\r\nFile Exception Error e : Reach to end of file");
}

TEST(CheckImageSignatureTest, CountsSignedPartsAndTakesTheNamesOfTheBlockFound) {
  std::vector<uint8_t> image(kImageBufferSize, 0);
  auto put = [&](uint32_t at, const char* text) {
    std::memcpy(&image[at], text, std::strlen(text));
  };
  ImageRecord records;

  EXPECT_EQ(CheckImageSignature(records, image.data()), 0);  // never loaded

  put(0x21000, "KESTREL DRV-320 HITACHI H8_3062R");
  EXPECT_EQ(CheckImageSignature(records, image.data()), 0);  // second part alone is not enough

  put(0x1000, "KESTREL DRV-320 HITACHI H8_3062A");
  EXPECT_EQ(CheckImageSignature(records, image.data()), 2);
  EXPECT_EQ(std::string(records.imageFirmwareId.begin(), records.imageFirmwareId.end()),
            "KESTREL DRV-320 ");
  EXPECT_EQ(std::string(records.imageCpuName.begin(), records.imageCpuName.end()),
            "HITACHI H8_3062A");
  EXPECT_EQ(std::string(records.imageSecondCpuName.begin(), records.imageSecondCpuName.end()),
            "HITACHI H8_3062R");

  // Blocks at 100h and 2000h are looked for in that order; one part only.
  std::vector<uint8_t> old(kImageBufferSize, 0);
  std::memcpy(&old[0x2000], "KESTREL OLD-2000CPU AT 2000     ", 32);
  std::memcpy(&old[0x100], "KESTREL OLD-100 CPU AT 100      ", 32);
  std::memcpy(&old[0x21000], "KESTREL DRV-320 HITACHI H8_3062R", 32);
  EXPECT_EQ(CheckImageSignature(records, old.data()), 1);
  EXPECT_EQ(std::string(records.imageCpuName.begin(), records.imageCpuName.end()),
            "CPU AT 100      ");
  EXPECT_EQ(records.imageSecondCpuName, (std::array<uint8_t, 16>{}));

  // Result 0 clears the names but keeps the firmware id.
  std::vector<uint8_t> none(kImageBufferSize, 0);
  EXPECT_EQ(CheckImageSignature(records, none.data()), 0);
  EXPECT_EQ(records.imageCpuName, (std::array<uint8_t, 16>{}));
  EXPECT_EQ(std::string(records.imageFirmwareId.begin(), records.imageFirmwareId.end()),
            "KESTREL OLD-100 ");
}

}  // namespace
}  // namespace kestrel

namespace kestrel {
namespace {

// Every character of a record, header and checksum included, is checked and
// decoded alike wherever it stands.
TEST(HexDigitsTest, EveryDigitOfAFullRecordIsCheckedAndDecoded) {
  std::vector<uint8_t> bytes(16);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x0F * i + 0xA0);
  const std::string good = HexRecord(0, 0x0200, bytes);

  // Mixed case decodes to the same bytes.
  std::string mixed = good;
  for (size_t i = 9; i < mixed.size(); i += 3) mixed[i] = static_cast<char>(std::tolower(mixed[i]));
  Buffers b;
  ASSERT_TRUE(Load(b, Lines({mixed, EndRecord()})).normal());
  EXPECT_EQ(0, std::memcmp(&b.image[0x200], bytes.data(), bytes.size()));

  // Characters just outside the digit ranges, and digits with their high bit
  // set, in every position after the start character.
  const char bad[] = {'/', ':', '@', 'G', '`', 'g', ' ', '\x80', '\xB0', '\xC1', '\xE6', '\x10'};
  Buffers bb;  // a refused load never touches the image: one set serves all
  for (size_t at = 1; at < good.size(); ++at) {
    for (const char c : bad) {
      std::string line = good;
      line[at] = c;
      const auto result = Load(bb, Lines({line, EndRecord()}));
      ASSERT_EQ(result.end, HexLoadEnd::InvalidRecord) << "position " << at << " char " << int(c);
    }
  }
  EXPECT_EQ(bb.image, bb.previous);
}

// `record` with byte `index` of its data changed by `change`, its checksum
// kept as it was.
std::string WithDataByteChanged(uint16_t loadOffset, const std::vector<uint8_t>& bytes,
                                size_t index, uint8_t change) {
  std::vector<uint8_t> changed = bytes;
  changed[index] ^= change;
  std::string line = HexRecord(0, loadOffset, changed);
  const std::string original = HexRecord(0, loadOffset, bytes);
  line.replace(line.size() - 2, 2, original.substr(original.size() - 2));
  return line;
}

TEST(HexChecksumTest, AnyByteChangedByOneOr80hWithTheChecksumKeptIsRefused) {
  // One byte, a full 16-byte record, and 100 bytes.
  for (const size_t length : {size_t{1}, size_t{16}, size_t{100}}) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    Buffers b;
    ASSERT_TRUE(Load(b, Lines({kGood, HexRecord(0, 0x100, bytes), EndRecord()})).normal());
    EXPECT_EQ(0, std::memcmp(&b.image[0x100], bytes.data(), length));
    Buffers bb;
    for (size_t i = 0; i < length; ++i) {
      // A change of the high bit leaves the low seven bits of every sum as
      // they were: only the whole byte of the sum tells.
      for (const uint8_t change : {uint8_t{0x01}, uint8_t{0x80}}) {
        const auto result =
            Load(bb, Lines({kGood, WithDataByteChanged(0x100, bytes, i, change), EndRecord()}));
        EXPECT_EQ(result.end, HexLoadEnd::ChecksumError) << length << " bytes, byte " << i;
        EXPECT_EQ(result.lineNumber, 2u);
      }
    }
    EXPECT_EQ(bb.image, bb.previous);
  }
  // The high bit of the checksum itself, and of a header byte.
  Buffers b;
  std::string line = kGood;  // ":0400000001020304F2"
  line[line.size() - 2] = '7';
  EXPECT_EQ(Load(b, Lines({line, EndRecord()})).end, HexLoadEnd::ChecksumError);
  line = kGood;
  line[3] = '8';  // load offset 8000h
  EXPECT_EQ(Load(b, Lines({line, EndRecord()})).end, HexLoadEnd::ChecksumError);
}

TEST(HexChecksumTest, AFirmwareFileWithOneByteChangedBy80hIsNotLoaded) {
  FirmwareImageSetup setup;
  setup.second = setup.first;
  setup.second->cpuName = "HITACHI H8_3062R";
  const std::string hex = BuildFirmwareHex(setup);
  // A data line deep in the second part: its first data byte's high bit is
  // the high bit of its first data digit's value.
  const size_t lineNumber = 9000;
  size_t start = 0;
  for (size_t line = 1; line < lineNumber; ++line) start = hex.find('\n', start) + 1;
  ASSERT_EQ(hex[start], ':');
  ASSERT_EQ(hex.substr(start + 7, 2), "00");  // a data record
  std::string changed = hex;
  const char digits[] = "0123456789ABCDEF";
  const char* digit = std::strchr(digits, hex[start + 9]);
  ASSERT_NE(digit, nullptr);
  changed[start + 9] = digits[(digit - digits) ^ 8];

  Buffers b;
  std::string log;
  const auto result = Load(b, changed, log);
  EXPECT_EQ(result.end, HexLoadEnd::ChecksumError);
  EXPECT_EQ(result.lineNumber, lineNumber);
  EXPECT_EQ(log, "\r\nChecksum error in line 9000.");
  EXPECT_EQ(b.image, b.previous);
}

// One read takes at most 255 characters, its line end included, so the
// longest record that fits one read has 121 data bytes. A 123-byte record is
// exactly 255 characters before its checksum: the checksum comes only with
// the next read, and must not be taken from beyond the read that holds the
// record.
TEST(HexReadLimitTest, RecordsUpToTheReadLimitLoadAndLongerOnesAreRefusedAtTheirLine) {
  auto bytesOf = [](size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(0xC3 ^ (i * 29));
    return bytes;
  };
  const auto longest = bytesOf(121);
  const std::string longestLine = HexRecord(0, 0x300, longest);
  ASSERT_EQ(longestLine.size(), 253u);
  Buffers b;
  ASSERT_TRUE(Load(b, Lines({kGood, longestLine, EndRecord()})).normal());
  EXPECT_EQ(0, std::memcmp(&b.image[0x300], longest.data(), longest.size()));
  Buffers wrong;
  const auto refused =
      Load(wrong, Lines({kGood, WithDataByteChanged(0x300, longest, 120, 0x80), EndRecord()}));
  EXPECT_EQ(refused.end, HexLoadEnd::ChecksumError);
  EXPECT_EQ(refused.lineNumber, 2u);

  // 122 bytes: the checksum fits, the line end is the next read, an empty
  // remainder of line 2.
  Buffers b122;
  const auto lineEndApart =
      Load(b122, Lines({kGood, HexRecord(0, 0x300, bytesOf(122)), EndRecord()}));
  EXPECT_EQ(lineEndApart.end, HexLoadEnd::BadStartCharacter);
  EXPECT_EQ(lineEndApart.lineNumber, 2u);
  EXPECT_EQ(b122.image, b122.previous);

  // 123 bytes, with its right checksum and with a wrong one.
  const auto over = bytesOf(123);
  const std::string overLine = HexRecord(0, 0x300, over);
  ASSERT_EQ(overLine.size(), 257u);
  for (const std::string& line : {overLine, WithDataByteChanged(0x300, over, 0, 0x80)}) {
    for (const std::string& lineEnd : {std::string("\r\n"), std::string("\n")}) {
      const std::string text = kGood + lineEnd + line + lineEnd + EndRecord() + lineEnd;
      Buffers bb;
      std::string log;
      const auto result = Load(bb, text, log);
      EXPECT_EQ(result.end, HexLoadEnd::InvalidRecord);
      EXPECT_EQ(result.lineNumber, 2u);
      EXPECT_EQ(log, "\r\nInvalid record in line 2.");
      EXPECT_EQ(bb.image, bb.previous);

      // Read from a file the same way.
      const std::string path = ::testing::TempDir() + "kestrel_read_limit_test.hex";
      std::FILE* f = std::fopen(path.c_str(), "wb");
      ASSERT_NE(f, nullptr);
      ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
      std::fclose(f);
      StdioFileSystem files;
      int cause = -1;
      std::unique_ptr<LineSource> source = files.OpenForReading(path, cause);
      ASSERT_NE(source, nullptr);
      Buffers bf;
      log.clear();
      const auto fromFile = LoadHexImage(*source, bf.work, Language{}, log);
      EXPECT_EQ(fromFile.end, HexLoadEnd::InvalidRecord);
      EXPECT_EQ(fromFile.lineNumber, 2u);
      EXPECT_EQ(bf.image, bf.previous);
      source->Close();
      std::remove(path.c_str());
    }
  }
}

// The last line of a file without a line end, cut anywhere inside a record,
// from a buffer of exactly the file's size: nothing past it is read (the
// sanitizer build reports any read past the buffer).
TEST(HexReadLimitTest, AnUnterminatedLastLineCutInsideARecordIsRefusedWithinItsBuffer) {
  const std::string record = HexRecord(0, 0x40, std::vector<uint8_t>(16, 0x6B));
  const std::string first = kGood + "\r\n";
  Buffers b;
  for (size_t cut = 1; cut < record.size(); ++cut) {
    const std::string text = first + record.substr(0, cut);
    std::unique_ptr<char[]> exact(new char[text.size()]);
    std::memcpy(exact.get(), text.data(), text.size());
    MemoryLineSource source(exact.get(), text.size());
    std::string log;
    const auto result = LoadHexImage(source, b.work, Language{}, log);
    EXPECT_EQ(result.end, HexLoadEnd::InvalidRecord) << "cut after " << cut;
    EXPECT_EQ(result.lineNumber, 2u);
  }
  EXPECT_EQ(b.image, b.previous);
}

}  // namespace
}  // namespace kestrel
