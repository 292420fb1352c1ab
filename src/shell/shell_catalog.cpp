#include "shell/shell_catalog.h"

#include <cstdio>

namespace kestrel {
namespace {

// The help failure text: BECK9X keeps its own pair, with a line break.
constexpr MessagePair kHelpMissing{134, 135, "Help file is not found.",
                                   "ヘルプファイルが見つかりません。"};
constexpr MessagePair kHelpMissingBeck9x{136, 137, "Help file is not found.\r\n",
                                         "ヘルプファイルが見つかりません。\r\n"};

constexpr MessagePair kFirmwareHelpItem{103, 15, "&Help (Firmware Update)", "ヘルプ （&H）"};

}  // namespace

const ShellTraits kTarn9xShell{Program::Tarn9x,
                               "TARN9X",
                               {101, 14, "&About TARN9X.EXE", "TARN9Xについて(&A)"},
                               kFirmwareHelpItem,
                               "UpdateUtility.htm",
                               "Firmware Version-Up Utility\r\nfor Windows9x/Me (Version %d.%02d)",
                               1,
                               3,
                               1000,
                               kHelpMissing};
const ShellTraits kTarn2kShell{Program::Tarn2k,
                               "TARN2K",
                               {101, 14, "&About TARN2K...", "TARN2Kについて(&A)"},
                               kFirmwareHelpItem,
                               "UpdateUtility.htm",
                               "Firmware Upgrade Utility\r\nfor Windows2000 (Version %d.%02d)",
                               1,
                               1,
                               1000,
                               kHelpMissing};
const ShellTraits kMere9xShell{Program::Mere9x,
                               "MERE9X",
                               {101, 14, "&About MERE9X...", "MERE9Xについて(&A)"},
                               {102, 110, "&Help (Region Utility)", "ヘルプ(&H)"},
                               "RegionUtility.htm",
                               "Region Setting Utility Version %d.%02d",
                               1,
                               3,
                               1025,
                               kHelpMissing};
const ShellTraits kMere2kShell{
    Program::Mere2k,
    "MERE2K",
    {101, 104, "&About MERE2K...", "リージョン設定ユーティリティについて(&A)"},
    {102, 103, "&Help (Region Utility)", "ヘルプ(&H)"},
    "RegionUtility.htm",
    "Region Setting Utility Version %d.%02d",
    1,
    3,
    1023,
    kHelpMissing};
// BECK9X's menu names the 2000/XP speed utility; that is the program's own text.
const ShellTraits kBeck9xShell{Program::Beck9x,
                               "BECK9X",
                               {101, 14, "&About BECK2K...", "BECK2Kについて(&A)"},
                               {102, 15, "&Help Speed Control", "ヘルプ （&H）"},
                               "SpeedControl.htm",
                               "Speed Control Utility Version %d.%02d",
                               1,
                               3,
                               1002,
                               kHelpMissingBeck9x};
// BECK2K is BECK9X over pass-through: the same menu and About texts, its own name.
const ShellTraits kBeck2kShell{Program::Beck2k,
                               "BECK2K",
                               kBeck9xShell.aboutItem,
                               kBeck9xShell.helpItem,
                               "SpeedControl.htm",
                               "Speed Control Utility Version %d.%02d",
                               1,
                               3,
                               1002,
                               kHelpMissingBeck9x};
const ShellTraits kFell32Shell{Program::Fell32,
                               "FELL32",
                               {101, 14, "&About GILL32...", "GILL32について(&A)"},
                               {105, 15, "&Help (Utility Launcher)", "ヘルプ （&H）"},
                               "HELPINDEX.htm",
                               "DVD-ROM Utility Launcher Version %d.%02d",
                               1,
                               3,
                               1002,
                               kHelpMissing};

namespace {

const MessagePair* const kPairs[] = {
    &kHelpMissing,           &kHelpMissingBeck9x,     &kTarn9xShell.aboutItem,
    &kTarn9xShell.helpItem,  &kTarn2kShell.aboutItem, &kTarn2kShell.helpItem,
    &kMere9xShell.aboutItem, &kMere9xShell.helpItem,  &kMere2kShell.aboutItem,
    &kMere2kShell.helpItem,  &kBeck9xShell.aboutItem, &kBeck9xShell.helpItem,
    &kFell32Shell.aboutItem, &kFell32Shell.helpItem,
};

}  // namespace

ShellCommand ClassifySysCommand(uint32_t wParam) {
  // About is matched without the low four bits that Windows keeps for itself;
  // Help only on its exact value.
  if ((wParam & ~0xFu) == kSysCommandAbout) return ShellCommand::About;
  if (wParam == kSysCommandHelp) return ShellCommand::Help;
  return ShellCommand::Other;
}

std::string HelpPath(const ShellTraits& traits, Language language) {
  std::string path = ".\\";
  path += language.Japanese() ? kJapaneseHelpFile : kEnglishHelpFile;
  path += "::/";
  path += traits.helpTopic;
  return path;
}

std::string AboutText(const ShellTraits& traits) {
  char text[128];
  std::snprintf(text, sizeof text, traits.aboutFormat, traits.versionMajor, traits.versionMinor);
  return text;
}

bool ShouldAppendMenuItems(const std::string& aboutText, const std::string& helpText) {
  return !aboutText.empty() && !helpText.empty();
}

ShellPairList AllShellPairs() { return {kPairs, sizeof kPairs / sizeof kPairs[0]}; }

}  // namespace kestrel
