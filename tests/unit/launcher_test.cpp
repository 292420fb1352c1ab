// The launcher against a fake process host: the platform line, the three
// launch rows, `runningUtilities` and the close procedure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_process_host.h"
#include "launcher/launcher_texts.h"
#include "launcher/utility_launcher.h"
#include "shell/printf_specifiers.h"

namespace kestrel {
namespace {

using testing::FakeLauncherView;
using testing::FakeProcessHost;

constexpr Language kEnglish{437};
constexpr Language kJapanese{932};

const PlatformInfo kWindowsXp{5, 1, 2600, kPlatformNt, "Service Pack 3"};
// Windows 98 SE keeps its version in the high word of the build number.
const PlatformInfo kWindows98Se{4, 10, 0x040A08AE, kPlatformWin9x, " A "};

std::string InformationOn(const PlatformInfo& platform, Language language = kEnglish) {
  FakeProcessHost host;
  FakeLauncherView view;
  UtilityLauncher launcher(platform, host, view);
  launcher.OnWindowSetUp(language);
  return view.information;
}

TEST(LauncherInformation, ShowsTheLineOfEveryKnownPlatformAfterTheHeader) {
  const std::string header = "[OS information]\r\n";
  struct Row {
    PlatformInfo platform;
    std::string line;
  } rows[] = {
      {{4, 0, 0x040003B6, kPlatformWin9x, ""}, "Windows 98 (Build 4.0.950)\r\n"},
      {kWindows98Se, "Windows 98 Second Edition (Build 4.10.2222)\r\n"},
      {{4, 90, 0x045A0BB8, kPlatformWin9x, ""}, "Windows Millenium Edition (Build 4.90.3000)\r\n"},
      {{4, 3, 1, kPlatformWin9x, ""}, ""},
      {{4, 0, 1381, kPlatformNt, "Service Pack 6"},
       "Windows NT4.0 (Build 4.0.1381)\r\nService Pack 6\r\n"},
      {{5, 0, 2195, kPlatformNt, "Service Pack 4"},
       "Windows 2000 (Build 5.0.2195)\r\nService Pack 4\r\n"},
      {kWindowsXp, "Windows XP (Build 5.1.2600)\r\nService Pack 3\r\n"},
      {{5, 1, 2600, kPlatformNt, ""}, "Windows XP (Build 5.1.2600)\r\n\r\n"},
      {{5, 2, 3790, kPlatformNt, "Service Pack 2"}, ""},
      {{6, 1, 7601, kPlatformNt, "Service Pack 1"}, ""},
      {{10, 0, 19045, kPlatformNt, ""}, ""},
      {{4, 0, 0, 3, ""}, "Unknown platform\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line.empty() ? "header alone" : row.line);
    EXPECT_EQ(header + row.line, InformationOn(row.platform));
  }
}

TEST(LauncherInformation, JapaneseHeaderAndUnknownLineButTheSamePlatformLines) {
  EXPECT_EQ("[オペレーティングシステム情報]\r\nWindows XP (Build 5.1.2600)\r\nService Pack 3\r\n",
            InformationOn(kWindowsXp, kJapanese));
  EXPECT_EQ(
      "[オペレーティングシステム情報]\r\nサポートしていないオペレーティングシステムです。\r\n",
      InformationOn({5, 1, 2600, 0, ""}, kJapanese));
  EXPECT_EQ("[オペレーティングシステム情報]\r\n",
            InformationOn({6, 2, 9200, kPlatformNt, ""}, kJapanese));
}

TEST(LauncherTexts, EveryPairTakesTheSameArgumentsInBothLanguages) {
  ASSERT_GT(launcher_texts::kAllPairCount, 0u);
  for (size_t i = 0; i < launcher_texts::kAllPairCount; ++i) {
    const MessagePair& pair = *launcher_texts::kAllPairs[i];
    SCOPED_TRACE(pair.english);
    EXPECT_STRNE(pair.japanese, "");
    EXPECT_EQ(PrintfSpecifiers(pair.english), PrintfSpecifiers(pair.japanese));
  }
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUpLauncher(const PlatformInfo& platform, Language language = kEnglish) {
    launcher_ = std::make_unique<UtilityLauncher>(platform, host_, view_);
    launcher_->OnWindowSetUp(language);
  }
  void PutAllUtilities() {
    for (const char* name :
         {"TARN9X.EXE", "MERE9X.EXE", "BECK9X.EXE", "TARN2K.EXE", "MERE2K.EXE", "BECK2K.EXE"}) {
      host_.files.insert(name);
    }
  }

  FakeProcessHost host_;
  FakeLauncherView view_;
  std::unique_ptr<UtilityLauncher> launcher_;
};

TEST_F(LauncherTest, NtFamilyStartsTheNtFilesByTheirPathInTheCurrentDirectoryWithoutFlags) {
  PutAllUtilities();
  SetUpLauncher(kWindowsXp);
  launcher_->LaunchUtility(Utility::Update);
  launcher_->LaunchUtility(Utility::Region);
  launcher_->LaunchUtility(Utility::Speed);

  ASSERT_EQ(3u, host_.starts.size());
  EXPECT_EQ("C:\\Utils\\TARN2K.EXE", host_.starts[0].path);
  EXPECT_EQ("C:\\Utils\\MERE2K.EXE", host_.starts[1].path);
  EXPECT_EQ("C:\\Utils\\BECK2K.EXE", host_.starts[2].path);
  for (const auto& start : host_.starts) EXPECT_EQ(0u, start.flags);
  EXPECT_TRUE(view_.boxes.empty());
  EXPECT_TRUE(launcher_->IsRunning(Utility::Speed));
  EXPECT_EQ(3u, launcher_->runningUtilities().size());
}

TEST_F(LauncherTest, NtFamilyAfterXpStillStartsTheNtFiles) {
  PutAllUtilities();
  SetUpLauncher({6, 1, 7601, kPlatformNt, "Service Pack 1"});
  launcher_->LaunchUtility(Utility::Region);
  ASSERT_EQ(1u, host_.starts.size());
  EXPECT_EQ("C:\\Utils\\MERE2K.EXE", host_.starts[0].path);
}

TEST_F(LauncherTest, Windows9xStartsThe9xFilesWithTheDefaultErrorMode) {
  PutAllUtilities();
  SetUpLauncher(kWindows98Se);
  launcher_->LaunchUtility(Utility::Speed);
  launcher_->LaunchUtility(Utility::Update);
  ASSERT_EQ(2u, host_.starts.size());
  EXPECT_EQ("C:\\Utils\\BECK9X.EXE", host_.starts[0].path);
  EXPECT_EQ("C:\\Utils\\TARN9X.EXE", host_.starts[1].path);
  EXPECT_EQ(kCreateDefaultErrorMode, host_.starts[0].flags);
  EXPECT_EQ(kCreateDefaultErrorMode, host_.starts[1].flags);
}

TEST_F(LauncherTest, OtherPlatformStartsNothingAndSaysWhichPlatformItIs) {
  PutAllUtilities();
  SetUpLauncher({4, 0, 0x04001234, 3, ""});
  launcher_->LaunchUtility(Utility::Update);
  EXPECT_TRUE(host_.starts.empty());
  ASSERT_EQ(1u, view_.boxes.size());
  EXPECT_EQ("This platform is not supported.\r\nPlatform #3\r\nVersion : 4.00.00004660",
            view_.boxes[0].text);
  EXPECT_EQ("FELL32", view_.boxes[0].caption);
  EXPECT_FALSE(launcher_->IsRunning(Utility::Update));

  FakeLauncherView japaneseView;
  UtilityLauncher japanese({5, 1, 7, 0, ""}, host_, japaneseView);
  japanese.OnWindowSetUp(kJapanese);
  japanese.LaunchUtility(Utility::Speed);
  ASSERT_EQ(1u, japaneseView.boxes.size());
  EXPECT_EQ(
      "このオペレーティングシステムはサポートされていません。\r\nPlatform #0\r\nVersion : "
      "5.01.00000007",
      japaneseView.boxes[0].text);
  EXPECT_TRUE(host_.starts.empty());
}

TEST_F(LauncherTest, SecondPressWhileRunningWarnsAndStartsNothing) {
  PutAllUtilities();
  SetUpLauncher(kWindowsXp);
  launcher_->LaunchUtility(Utility::Region);
  launcher_->LaunchUtility(Utility::Region);

  EXPECT_EQ(1u, host_.starts.size());
  ASSERT_EQ(1u, view_.boxes.size());
  EXPECT_EQ("This program is already running.", view_.boxes[0].text);
  EXPECT_EQ("Caution", view_.boxes[0].caption);
  EXPECT_EQ(1u, launcher_->runningUtilities().size());
}

TEST_F(LauncherTest, AProcessThatCannotBeTestedCountsAsRunning) {
  PutAllUtilities();
  SetUpLauncher(kWindowsXp, kJapanese);
  launcher_->LaunchUtility(Utility::Update);
  host_.untestable.insert(host_.LastStarted());
  launcher_->LaunchUtility(Utility::Update);

  EXPECT_EQ(1u, host_.starts.size());
  ASSERT_EQ(1u, view_.boxes.size());
  EXPECT_EQ("このプログラムはすでに起動されています。", view_.boxes[0].text);
  EXPECT_EQ("警告", view_.boxes[0].caption);
}

TEST_F(LauncherTest, PressAfterTheUtilityEndedStartsItAgain) {
  PutAllUtilities();
  SetUpLauncher(kWindowsXp);
  launcher_->LaunchUtility(Utility::Update);
  const ProcessToken first = host_.LastStarted();
  host_.ended.insert(first);
  launcher_->LaunchUtility(Utility::Update);

  ASSERT_EQ(2u, host_.starts.size());
  EXPECT_TRUE(view_.boxes.empty());
  EXPECT_EQ(std::vector<ProcessToken>{host_.LastStarted()}, launcher_->runningUtilities());
  EXPECT_EQ(1u, host_.released.count(first));
  EXPECT_TRUE(launcher_->IsRunning(Utility::Update));
}

TEST_F(LauncherTest, RestartingOneOfThreeKeepsTheThreeNewestHandlesAndCloseWaitsForThemAll) {
  PutAllUtilities();
  SetUpLauncher(kWindowsXp);
  launcher_->LaunchUtility(Utility::Update);
  const ProcessToken update = host_.LastStarted();
  launcher_->LaunchUtility(Utility::Region);
  const ProcessToken region = host_.LastStarted();
  launcher_->LaunchUtility(Utility::Speed);
  const ProcessToken speed = host_.LastStarted();
  host_.ended.insert(update);
  launcher_->LaunchUtility(Utility::Update);
  const ProcessToken update2 = host_.LastStarted();

  EXPECT_EQ((std::vector<ProcessToken>{region, speed, update2}), launcher_->runningUtilities());

  // The user closes them one after the other while the launcher waits.
  host_.closedWhileWaiting = {speed, update2, region};
  launcher_->Close();

  ASSERT_EQ(1u, view_.boxes.size());
  EXPECT_EQ("Please terminate the running utilities.", view_.boxes[0].text);
  EXPECT_EQ("Caution", view_.boxes[0].caption);
  EXPECT_EQ(3, host_.waits);
  ASSERT_EQ(3u, host_.waitedFor.size());
  EXPECT_EQ((std::vector<ProcessToken>{region, speed, update2}), host_.waitedFor[0]);
  EXPECT_EQ((std::vector<ProcessToken>{region, update2}), host_.waitedFor[1]);
  EXPECT_EQ(std::vector<ProcessToken>{region}, host_.waitedFor[2]);
  // The window was let paint after every wake-up.
  EXPECT_EQ(3, view_.pumps);
  EXPECT_TRUE(launcher_->runningUtilities().empty());
  for (Utility utility : {Utility::Update, Utility::Region, Utility::Speed}) {
    EXPECT_FALSE(launcher_->IsRunning(utility));
  }
  for (ProcessToken process : {update, region, speed, update2}) {
    EXPECT_EQ(1u, host_.released.count(process));
  }
}

TEST_F(LauncherTest, CloseWithNothingStartedOrEverythingEndedClosesAtOnce) {
  PutAllUtilities();
  SetUpLauncher(kWindowsXp);
  launcher_->Close();
  EXPECT_TRUE(view_.boxes.empty());
  EXPECT_EQ(0, host_.waits);

  launcher_->LaunchUtility(Utility::Update);
  launcher_->LaunchUtility(Utility::Speed);
  for (const auto& start : host_.starts) host_.ended.insert(start.process);
  launcher_->Close();
  EXPECT_TRUE(view_.boxes.empty());
  EXPECT_EQ(0, host_.waits);
  EXPECT_EQ(0, view_.pumps);
  EXPECT_FALSE(launcher_->IsRunning(Utility::Update));
  EXPECT_EQ(2u, host_.released.size());
}

TEST_F(LauncherTest, JapaneseCloseMessage) {
  PutAllUtilities();
  SetUpLauncher(kWindowsXp, kJapanese);
  launcher_->LaunchUtility(Utility::Speed);
  host_.closedWhileWaiting = {host_.LastStarted()};
  launcher_->Close();
  ASSERT_EQ(1u, view_.boxes.size());
  EXPECT_EQ("起動しているUtilityを全て終了してください。", view_.boxes[0].text);
  EXPECT_EQ("警告", view_.boxes[0].caption);
  EXPECT_EQ(1, host_.waits);
}

TEST_F(LauncherTest, MissingFileShowsTheSystemTextWithTheRowsLookup) {
  host_.messageTable[testing::kErrorFileNotFound] =
      "The system cannot find the file specified.\r\n";
  SetUpLauncher(kWindowsXp);
  launcher_->LaunchUtility(Utility::Speed);
  launcher_->LaunchUtility(Utility::Update);

  EXPECT_TRUE(host_.starts.empty());
  ASSERT_EQ(2u, view_.boxes.size());
  for (const auto& box : view_.boxes) {
    EXPECT_EQ("The system cannot find the file specified.\r\n", box.text);
    EXPECT_EQ("FELL32", box.caption);
  }
  ASSERT_EQ(2u, host_.lookups.size());
  EXPECT_EQ(testing::kErrorFileNotFound, host_.lookups[0].code);
  EXPECT_EQ(0u, host_.lookups[0].languageId);
  EXPECT_EQ(256u, host_.lookups[0].maxChars);
  EXPECT_EQ(0x400u, host_.lookups[1].languageId);
  EXPECT_EQ(128u, host_.lookups[1].maxChars);
  EXPECT_FALSE(launcher_->IsRunning(Utility::Speed));
  EXPECT_TRUE(launcher_->runningUtilities().empty());
}

TEST_F(LauncherTest, FailedStartIsReportedAndLeavesTheRowIdle) {
  PutAllUtilities();
  constexpr uint32_t kBadExeFormat = 193;
  host_.startErrors["C:\\Utils\\MERE2K.EXE"] = kBadExeFormat;
  host_.messageTable[kBadExeFormat] = "%1 is not a valid Win32 application.\r\n";
  SetUpLauncher(kWindowsXp);
  launcher_->LaunchUtility(Utility::Region);
  ASSERT_EQ(1u, view_.boxes.size());
  EXPECT_EQ("%1 is not a valid Win32 application.\r\n", view_.boxes[0].text);
  ASSERT_EQ(1u, host_.lookups.size());
  EXPECT_EQ(kBadExeFormat, host_.lookups[0].code);
  EXPECT_FALSE(launcher_->IsRunning(Utility::Region));

  host_.startErrors.clear();
  launcher_->LaunchUtility(Utility::Region);
  EXPECT_EQ(1u, host_.starts.size());
  EXPECT_EQ(1u, view_.boxes.size());
}

TEST_F(LauncherTest, FailedLookupShowsTheLookupsOwnError) {
  SetUpLauncher(kWindows98Se, kJapanese);
  host_.lookupError = 317;
  launcher_->LaunchUtility(Utility::Region);
  ASSERT_EQ(1u, view_.boxes.size());
  EXPECT_EQ("Format message failed.  Error: 317\n", view_.boxes[0].text);
  EXPECT_EQ("FELL32", view_.boxes[0].caption);
  ASSERT_EQ(1u, host_.lookups.size());
  EXPECT_EQ(testing::kErrorFileNotFound, host_.lookups[0].code);
}

TEST(LauncherRows, ButtonsMapToTheirRows) {
  ASSERT_NE(nullptr, UtilityRowForButton(3));
  ASSERT_NE(nullptr, UtilityRowForButton(4));
  ASSERT_NE(nullptr, UtilityRowForButton(7));
  EXPECT_EQ(Utility::Update, UtilityRowForButton(3)->utility);
  EXPECT_EQ(Utility::Region, UtilityRowForButton(4)->utility);
  EXPECT_EQ(Utility::Speed, UtilityRowForButton(7)->utility);
  EXPECT_EQ(nullptr, UtilityRowForButton(5));
  EXPECT_EQ(nullptr, UtilityRowForButton(6));
}

}  // namespace
}  // namespace kestrel
