// LoadFirmwareFile in both builds: the file dialog, the log and fields it
// writes, and that only a load that ends normally replaces the image.
#include "firmware/firmware_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drive/program_profile.h"
#include "fakes/fake_firmware_view.h"
#include "fakes/program_rows.h"
#include "sim/model/direct_transport.h"
#include "tests/support/firmware_image_builder.h"
#include "tests/support/memory_file_system.h"

namespace kestrel {
namespace {

using testing::FakeFirmwareView;
using testing::MemoryFileSystem;

constexpr char kPath[] = "C:\\FIRM\\DRV320.HEX";
constexpr char kDescription[] =
    "\r\nF/W file load success.\r\nFirmware File Type : ATAPI TRAY KESTREL Model\r\nVersion : "
    "1.20\r\n";
// The identification record as the image has it (vendor, product, revision,
// the byte after it and the build date), raw and in TARN9X's format.
constexpr char kRawInfo[] = "KESTREL DVD-ROM DRV-320 1.20 2003/07/15";
constexpr char kFormattedInfo[] = "KESTREL  DVD-ROM DRV-320  1.20  2003/07/15";

class LoaderTest : public ::testing::TestWithParam<Program> {
 protected:
  LoaderTest()
      : context(transport, testing::ProfileOf(GetParam())),
        log(view),
        loader(context, image, view, log, files,
               Tarn9x() ? kTarn9xFirmwareTraits : kTarn2kFirmwareTraits) {
    transport.InitDriveAccess();
    files.files[kPath].text = testing::BuildFirmwareHex(setup);
  }
  bool Tarn9x() const { return GetParam() == Program::Tarn9x; }
  uint8_t* Image() { return context.buffers().image; }
  std::vector<uint8_t> ImageCopy() { return {Image(), Image() + kImageBufferSize}; }
  // The File button: the dialog, then the load of what it chose.
  void PressFile() { loader.LoadFirmwareFile(view.ChooseFile(loader.FileDialogRequest())); }
  // Loads `path` with a fresh view record.
  void LoadFile(const std::string& path) {
    view = FakeFirmwareView();
    view.chosenFile = path;
    PressFile();
  }

  testing::FirmwareImageSetup setup;
  sim::Bus bus;
  sim::DirectTransport transport{bus};
  DriveContext context;
  ImageRecord image;
  FakeFirmwareView view;
  StatusLog log;
  MemoryFileSystem files;
  FirmwareLoader loader;
};

TEST_P(LoaderTest, TheFileDialogIsAskedForHexFilesFromTheCurrentDirectory) {
  view.chosenFile.reset();
  PressFile();
  ASSERT_EQ(view.fileRequests.size(), 1u);
  const OpenFileRequest& request = view.fileRequests[0];
  EXPECT_EQ(request.title, "Select the firmware file");
  EXPECT_EQ(request.initialDirectory, ".\\");
  EXPECT_EQ(request.filterText, "Hex File (HEX,HEQ,HEP,62A,62R)");
  EXPECT_EQ(request.filterPatterns, "*.HEX;*.HEQ;*.HEP;*.62A;*.62R");
  EXPECT_EQ(request.initialName, Tarn9x() ? "UPDATE.HEX" : "");
  EXPECT_EQ(request.maxPathLength, 255u);

  // The next dialog starts from the last chosen path, and speaks Japanese on 932.
  LoadFile(kPath);
  context.language.oemCodePage = 932;
  LoadFile(kPath);
  ASSERT_FALSE(view.fileRequests.empty());
  EXPECT_EQ(view.fileRequests[0].initialName, kPath);
  EXPECT_EQ(view.fileRequests[0].title, "ファームウェアファイルを選択してください。");
}

TEST_P(LoaderTest, ANormalLoadFillsTheImageAndDescribesIt) {
  LoadFile(kPath);
  const std::vector<uint8_t> expect = testing::BuildFirmwareImage(setup);
  EXPECT_EQ(0, std::memcmp(Image(), expect.data(), kImageLoadSize));
  EXPECT_EQ(view.fileNameField, kPath);
  EXPECT_EQ(loader.fileNameBuffer(), kPath);

  // The file name is shown at once from the top, then the whole log scrolled.
  ASSERT_EQ(view.statusUpdates.size(), 2u);
  EXPECT_EQ(view.statusUpdates[0].log, std::string("File Name : ") + kPath);
  EXPECT_FALSE(view.statusUpdates[0].scrollToEnd);
  EXPECT_EQ(view.statusUpdates[1].log, std::string("File Name : ") + kPath + kDescription);
  EXPECT_TRUE(view.statusUpdates[1].scrollToEnd);

  if (Tarn9x()) {
    EXPECT_EQ(view.infoFieldTexts, (std::vector<std::string>{kRawInfo, kFormattedInfo}));
  } else {
    EXPECT_EQ(view.infoFieldTexts, (std::vector<std::string>{kRawInfo}));
  }
}

TEST_P(LoaderTest, EachLoadStartsTheLogAfreshAndTheDescriptionStaysEnglish) {
  LoadFile(kPath);
  context.language.oemCodePage = 932;
  LoadFile(kPath);
  EXPECT_EQ(log.text(), std::string("File Name : ") + kPath + kDescription);
}

TEST_P(LoaderTest, ADamagedFileLeavesTheEarlierImageInPlace) {
  LoadFile(kPath);
  const std::vector<uint8_t> loaded = ImageCopy();

  const std::string damaged = "D:\\DAMAGED.HEX";
  files.files[damaged].text = testing::CorruptChecksum(testing::BuildFirmwareHex(setup), 100);
  context.language.oemCodePage = 932;
  LoadFile(damaged);
  EXPECT_EQ(ImageCopy(), loaded);
  EXPECT_EQ(log.text(), "File Name : D:\\DAMAGED.HEX\r\n100行目のチェックサムが正しくありません。");
  ASSERT_FALSE(view.statusUpdates.empty());
  EXPECT_TRUE(view.statusUpdates.back().scrollToEnd);
  EXPECT_EQ(log.text().find("F/W file load success."), std::string::npos);
  // TARN9X describes the image still loaded; TARN2K leaves the field alone.
  EXPECT_EQ(view.infoFieldTexts,
            Tarn9x() ? std::vector<std::string>{kFormattedInfo} : std::vector<std::string>{});
}

TEST_P(LoaderTest, ATruncatedFileIsIncomplete) {
  LoadFile(kPath);
  const std::vector<uint8_t> loaded = ImageCopy();
  files.files["cut.hex"].text = testing::KeepLines(testing::BuildFirmwareHex(setup), 2000);
  LoadFile("cut.hex");
  EXPECT_EQ(ImageCopy(), loaded);
  EXPECT_EQ(log.text(),
            "File Name : cut.hex\r\nThe file is incomplete: its end-of-file record is missing.");
}

TEST_P(LoaderTest, CancelChangesNothingButTarn9xRefreshesTheInformationField) {
  // Before any load the image has no identification record: nothing to show.
  view.chosenFile.reset();
  PressFile();
  EXPECT_TRUE(view.infoFieldTexts.empty());

  LoadFile(kPath);
  view = FakeFirmwareView();
  PressFile();
  EXPECT_TRUE(view.statusUpdates.empty());
  EXPECT_EQ(view.fileNameField, "");
  EXPECT_EQ(loader.fileNameBuffer(), kPath);
  EXPECT_EQ(view.infoFieldTexts,
            Tarn9x() ? std::vector<std::string>{kFormattedInfo} : std::vector<std::string>{});
  EXPECT_EQ(files.opened.size(), 1u);
}

TEST_P(LoaderTest, APathLongerThanTheDialogAllowsIsTakenAsCancel) {
  LoadFile(std::string(256, 'a'));
  EXPECT_TRUE(files.opened.empty());
  EXPECT_TRUE(view.statusUpdates.empty());
  // 255 two-byte characters fit: the limit counts characters, not bytes.
  const std::string japanese = [] {
    std::string s;
    for (int i = 0; i < 255; ++i) s += "\xE3\x81\x82";
    return s;
  }();
  LoadFile(japanese);
  EXPECT_EQ(files.opened, std::vector<std::string>{japanese});
}

TEST_P(LoaderTest, AFileThatCannotBeOpenedGetsTheFileErrorBoxOnly) {
  LoadFile(kPath);
  const std::vector<uint8_t> loaded = ImageCopy();
  files.files["locked.hex"].openCause = kFileSharingViolation;
  LoadFile("locked.hex");
  EXPECT_EQ(view.fileErrors, (std::vector<std::pair<std::string, int>>{{"locked.hex", 11}}));
  ASSERT_EQ(view.statusUpdates.size(), 1u);
  EXPECT_EQ(view.statusUpdates[0].log, "File Name : locked.hex");
  EXPECT_TRUE(view.infoFieldTexts.empty());
  EXPECT_EQ(view.fileNameField, "locked.hex");
  EXPECT_EQ(ImageCopy(), loaded);
}

TEST_P(LoaderTest, AReadErrorIsLoggedWithItsCause) {
  LoadFile(kPath);
  const std::vector<uint8_t> loaded = ImageCopy();
  auto& file = files.files["bad-sector.hex"];
  file.text = testing::BuildFirmwareHex(setup);
  file.failAfterLines = 500;
  file.readCause = kFileHardwareIo;
  LoadFile("bad-sector.hex");
  EXPECT_EQ(log.text(),
            "File Name : bad-sector.hex\r\nFile Exception Error a : Hardware I/O error");
  ASSERT_FALSE(view.statusUpdates.empty());
  EXPECT_TRUE(view.statusUpdates.back().scrollToEnd);
  EXPECT_EQ(ImageCopy(), loaded);
  EXPECT_EQ(view.infoFieldTexts,
            Tarn9x() ? std::vector<std::string>{kFormattedInfo} : std::vector<std::string>{});
}

TEST_P(LoaderTest, ACloseErrorAfterANormalEndFollowsTheDescription) {
  files.files[kPath].closeCause = kFileAccessDenied;
  LoadFile(kPath);
  EXPECT_EQ(log.text(), std::string("File Name : ") + kPath + kDescription +
                            "\r\nFile Exception Error 5 : File access denied");
  EXPECT_EQ(0, std::memcmp(Image(), testing::BuildFirmwareImage(setup).data(), kImageLoadSize));
}

INSTANTIATE_TEST_SUITE_P(Builds, LoaderTest, ::testing::Values(Program::Tarn9x, Program::Tarn2k),
                         [](const ::testing::TestParamInfo<Program>& info) {
                           return info.param == Program::Tarn9x ? "Tarn9x" : "Tarn2k";
                         });

}  // namespace
}  // namespace kestrel
