#include "ui/firmware_window_texts.h"

#include "ui/resource_ids.h"

namespace kestrel {
namespace {

const ControlText kFirmwareControlTexts[] = {
    {7, IDC_TARGET_DRIVE_LABEL, "対象となるドライブ"},
    {8, IDC_FIRMWARE_FILE_LABEL, "ファームウェアファイル"},
    {9, IDC_FILE_INFO_LABEL, "ファームウェアファイル情報"},
    {10, IDC_STATUS_LABEL, "進行状況と結果"},
    {16, IDC_EXIT, "終了"},
    {11, IDC_FILE, "ファイル選択"},
    {12, IDC_UPDATE, "アップデート"},
};

}  // namespace

ControlTextTable FirmwareWindowControlTexts() {
  return {kFirmwareControlTexts, sizeof kFirmwareControlTexts / sizeof kFirmwareControlTexts[0]};
}

namespace firmware_window {

const MessagePair kConfirmQuestion{159, 160,
                                   "Do you want to update the firmware of selected drive ?",
                                   "選択したドライブのファームウェアをバージョンアップしますか？"};

const MessagePair kConfirmWarning{
    173, 174,
    "If you do not have disabled \"Auto insert notification\",\r\n"
    "when remaining time become about 20sec, then mouse cursor\r\n"
    "may not work while about 15sec.\r\n"
    "But, in this case, this program is working at background and progress the upgrade.\r\n"
    "Please do not turn off the power while upgrading.",
    "現在対象としているドライブの”挿入の自動通知”をOFFに\r\n"
    "していない場合には、残り時間が20秒前後になった時点で\r\n"
    "マウスカーソルが約15秒程度動かなくなることがありますが、\r\n"
    "バックグランドでバージョンアップは進行中です。\r\n"
    "アップグレード中は絶対に電源OFFをしないでください。"};

const MessagePair* const kAllPairs[] = {&kConfirmQuestion, &kConfirmWarning};
const size_t kAllPairCount = sizeof kAllPairs / sizeof kAllPairs[0];

}  // namespace firmware_window
}  // namespace kestrel
