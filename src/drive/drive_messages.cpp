#include "drive/drive_messages.h"

#include <iterator>

namespace kestrel::drive_messages {

const MessagePair kNoAtapiInterface{0, 0, "No ATAPI I/F found.",
                                    "ATAPI I/Fは見つかりませんでした。"};
const MessagePair kNoAtapiInterfaceBeck9x{0, 0, "No ATAPI I/F found.",
                                          "ATAPI I/Fが見つかりませんでした。"};
const MessagePair kSupportedDriveNotFound{142, 143, "Supported drive was not found.",
                                          "サポートしているドライブが見つかりませんでした。"};
const MessagePair kSupportedDriveNotFoundBeck9x{
    142, 143, "Supported drive was not found.\r\n",
    "サポートしているドライブが見つかりませんでした。\r\n"};
const MessagePair kNoDriveSelected{0, 0, "Don't select the avialable drive.",
                                   "有効なドライブが選択されていません。"};
const MessagePair kDeviceOpenFailed{0, 0, "Device open API is failed.",
                                    "デバイスのオープンに失敗しました。"};
const MessagePair kDriveNotSupported{
    0, 0, "Selected drive is not supported by this program.",
    "選択されたドライブはこのプログラムではサポートされていません。"};
const MessagePair kDriveNotSupportedTarn2k{
    0, 0, "Selected drive is not supported by this program.\r\n",
    "選択されたドライブはこのプログラムではサポートされていません。\r\n"};

const MessagePair* const kAllPairs[] = {
    &kNoAtapiInterface,       &kNoAtapiInterfaceBeck9x,
    &kSupportedDriveNotFound, &kSupportedDriveNotFoundBeck9x,
    &kNoDriveSelected,        &kDeviceOpenFailed,
    &kDriveNotSupported,      &kDriveNotSupportedTarn2k,
};
const size_t kAllPairCount = std::size(kAllPairs);

}  // namespace kestrel::drive_messages
