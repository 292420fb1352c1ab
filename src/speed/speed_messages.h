// The speed control utility's texts: message pairs by string id, and the
// texts that are the same in both languages.
#pragma once
#include <cstddef>

#include "shell/language.h"

namespace kestrel::speed_text {

// speedMessages: the eight texts the window loads at start-up, in order.
constexpr size_t kSpeedMessageCount = 8;
extern const MessagePair kSpeedMessages[kSpeedMessageCount];
enum SpeedMessage : size_t {
  kNoAvailableDrive = 0,
  kNoValidItem = 1,
  kDeviceOpenFailed = 2,
  kPerformanceModeSet = 3,
  kQuietModeSet = 4,
  kSpeedFieldsNotSupported = 5,
  kSpeedChanged = 6,
  kSpeedChangeFailed = 7,
};

// The labels of the Drive Mode list, in list order.
constexpr size_t kDriveModeCount = 4;
extern const MessagePair kDriveModeLabels[kDriveModeCount];

// The labels of the Audio Extraction Speed list, the same in both languages.
constexpr size_t kSpeedChoiceCount = 6;
extern const char* const kSpeedChoiceLabels[kSpeedChoiceCount];

// ChangeSpeed. The failure text is English in both languages.
inline constexpr MessagePair kSpeedLine{0, 0, "Speed : %dkbytes/s (%dX).\r\n",
                                        "設定速度 : %dkbytes/s (%dX).\r\n"};
inline constexpr MessagePair kMaximumSpeedLine{0, 0, "Speed : Maximum speed\r\n",
                                               "設定速度 : 最高速度\r\n"};
inline constexpr const char* kSpeedChangeFailedFormat =
    "Failed to change the CD-DA extraction speed. (%02x-%02x-%02x)\r\n";
inline constexpr const char* kErrorCaption = "Error";

// ReportSpeed.
inline constexpr MessagePair kCapabilitiesFailed{
    134, 135, "Failed to get mechanism status & capabilities page.\r\n",
    "ドライブの速度情報の取得に失敗しました。\r\n"};
inline constexpr const char* kSenseLineFormat = "(%02x-%02x-%02x)\r\n";
inline constexpr const char* kSpeedReportFormat =
    "\r\nCurrent Speed = %dkbytes/s(CD %.02lfX, DVD %.02lfX)\r\nMaximum Speed = "
    "%dkbytes/s(CD %.02lfX, DVD %.02lfX)\r\n";
inline constexpr MessagePair kQuietModeNow{138, 139, "Now drive is the quiet mode.\r\n",
                                           "ドライブは現在静穏モードです。\r\n"};
inline constexpr MessagePair kPerformanceModeNow{140, 141, "Now drive is the performance mode.\r\n",
                                                 "ドライブは現在パフォーマンスモードです。\r\n"};

// ChangeDriveMode.
inline constexpr MessagePair kSafetyQuestion{124, 127, "For safety, the spindle is stoped.",
                                             "安全のためディスクの回転を停止します。"};
inline constexpr const char* kAttentionCaption = "Attention";
inline constexpr MessagePair kOperationCanceled{128, 129, "Operation was caceled.\r\n",
                                                "操作はキャンセルされました。\r\n"};
inline constexpr MessagePair kDriveModeFailed{132, 133, "Failed to change the drive mode.\r\n",
                                              "ドライブの動作モード変更に失敗しました。\r\n"};

// Every pair above, for the string tables and their checks.
const MessagePair* const* AllPairs(size_t& count);

}  // namespace kestrel::speed_text
