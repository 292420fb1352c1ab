#include "speed/speed_messages.h"

#include <iterator>

namespace kestrel::speed_text {

const MessagePair kSpeedMessages[kSpeedMessageCount] = {
    {111, 103, "Don't select the avialable drive.\r\n", "有効なドライブが選択されていません。\r\n"},
    {112, 104, "Don't select the valid item.\r\n", "有効な項目が選択されていません。\r\n"},
    {113, 105, "Device open API is failed.\r\n", "デバイスのオープンに失敗しました。\r\n"},
    {114, 106, "Drive mode is changed to the performance mode.\r\n",
     "ドライブの動作モードはパフォーマンスモードに変更されました。\r\n"},
    {115, 107, "Drive mode is changed to the quiet mode.\r\n",
     "ドライブの動作モードは静穏モードに変更されました。\r\n"},
    {116, 108, "Command success but the current/maxium speed field is not supported.\r\n",
     "コマンドは正常終了しましたがCurrent/Maximum "
     "speedのフィールドをサポートしていないようです。\r\n"},
    {117, 109, "CD-DA extraction speed is changed successfully.\r\n",
     "音楽CD抽出速度の変更に成功しました。\r\n"},
    {118, 110, "Failed to change the CD-DA extraction speed.\r\n",
     "音楽CD抽出速度の変更に失敗しました。\r\n"},
};

const MessagePair kDriveModeLabels[kDriveModeCount] = {
    {119, 3, "Performance Mode (Permanent)", "パフォーマンスモード (恒久的）"},
    {120, 4, "Performance Mode (Temporary)", "パフォーマンスモード (一時的）"},
    {121, 5, "Quiet Mode (Permanent)", "静穏モード (恒久的）"},
    {122, 6, "Quiet Mode (Temporaty)", "静穏モード (一時的）"},
};

const char* const kSpeedChoiceLabels[kSpeedChoiceCount] = {"Maximum Speed", "4X",  "8X",
                                                           "10X",           "12X", "16X"};

const MessagePair* const* AllPairs(size_t& count) {
  static const MessagePair* const kPairs[] = {
      &kSpeedMessages[0],   &kSpeedMessages[1],   &kSpeedMessages[2],   &kSpeedMessages[3],
      &kSpeedMessages[4],   &kSpeedMessages[5],   &kSpeedMessages[6],   &kSpeedMessages[7],
      &kDriveModeLabels[0], &kDriveModeLabels[1], &kDriveModeLabels[2], &kDriveModeLabels[3],
      &kSpeedLine,          &kMaximumSpeedLine,   &kCapabilitiesFailed, &kQuietModeNow,
      &kPerformanceModeNow, &kSafetyQuestion,     &kOperationCanceled,  &kDriveModeFailed,
  };
  count = std::size(kPairs);
  return kPairs;
}

}  // namespace kestrel::speed_text
