#include "launcher/launcher_texts.h"

namespace kestrel::launcher_texts {

const MessagePair kOsHeader{0, 0, "[OS information]\r\n", "[オペレーティングシステム情報]\r\n"};
const MessagePair kUnknownPlatform{0, 0, "Unknown platform\r\n",
                                   "サポートしていないオペレーティングシステムです。\r\n"};
const MessagePair kAlreadyRunning{180, 179, "This program is already running.",
                                  "このプログラムはすでに起動されています。"};
const MessagePair kCaution{0, 0, "Caution", "警告"};
const MessagePair kTerminateFirst{0, 0, "Please terminate the running utilities.",
                                  "起動しているUtilityを全て終了してください。"};
const MessagePair kUnsupportedPlatform{
    0, 0, "This platform is not supported.\r\nPlatform #%d\r\nVersion : %1d.%02d.%08d",
    "このオペレーティングシステムはサポートされていません。\r\nPlatform #%d\r\nVersion : "
    "%1d.%02d.%08d"};

const MessagePair* const kAllPairs[] = {&kOsHeader, &kUnknownPlatform, &kAlreadyRunning,
                                        &kCaution,  &kTerminateFirst,  &kUnsupportedPlatform};
const size_t kAllPairCount = sizeof kAllPairs / sizeof kAllPairs[0];

}  // namespace kestrel::launcher_texts
