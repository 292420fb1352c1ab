// What the utility shell shows around every main window: the About and Help
// items of the system menu, the About text, the help topic and the help
// failure message, per program.
#pragma once
#include <cstdint>
#include <string>

#include "shell/language.h"
#include "shell/program.h"

namespace kestrel {

// System commands that main windows append to their system menu. Windows keeps
// the low four bits of a system command for itself; About is matched with them
// masked off, Help on its exact value.
constexpr uint32_t kSysCommandAbout = 0x10;
constexpr uint32_t kSysCommandHelp = 0x20;

enum class ShellCommand { About, Help, Other };
ShellCommand ClassifySysCommand(uint32_t wParam);

struct ShellTraits {
  Program program;
  const char* name;         // file name without extension; caption of plain message boxes
  MessagePair aboutItem;    // system-menu item, command 10h
  MessagePair helpItem;     // system-menu item, command 20h
  const char* helpTopic;    // page inside the help file
  const char* aboutFormat;  // printf format with the major and minor version
  int versionMajor;
  int versionMinor;
  int aboutTextControlId;   // the static control of About box 100 that shows it
  MessagePair helpMissing;  // shown when no help window comes back
};

// Each program's row; the program table names the one a program uses.
extern const ShellTraits kTarn9xShell;
extern const ShellTraits kTarn2kShell;
extern const ShellTraits kMere9xShell;
extern const ShellTraits kMere2kShell;
extern const ShellTraits kBeck9xShell;
extern const ShellTraits kBeck2kShell;
extern const ShellTraits kFell32Shell;

// Caption of the help failure box, English in both languages.
constexpr const char* kErrorCaption = "Error";

// The help files lie in the current directory.
constexpr const char* kEnglishHelpFile = "opthelp.chm";
constexpr const char* kJapaneseHelpFile = "opthelpj.chm";

// ".\opthelpj.chm::/Topic.htm" or ".\opthelp.chm::/Topic.htm".
std::string HelpPath(const ShellTraits& traits, Language language);

// The version line of the About box.
std::string AboutText(const ShellTraits& traits);

// The two menu items are added together or not at all.
bool ShouldAppendMenuItems(const std::string& aboutText, const std::string& helpText);

// Every pair of the shell, for checks that run over all of them.
struct ShellPairList {
  const MessagePair* const* pairs;
  size_t count;
};
ShellPairList AllShellPairs();

}  // namespace kestrel
