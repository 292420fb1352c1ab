// The region setting utility's texts: message pairs by string id (0 where the
// text lives in program data) and the fixed texts of the report.
#pragma once
#include <cstddef>

#include "shell/language.h"

namespace kestrel::region_text {

// No list entry selected: the same text under other ids in each program.
inline constexpr MessagePair kNoSelectionMere9x{113, 105, "Don't select the valid item.",
                                                "有効な項目が選択されていません。"};
inline constexpr MessagePair kNoSelectionMere2k{114, 108, "Don't select the valid item.",
                                                "有効な項目が選択されていません。"};
// MERE2K: the drive letter's device cannot be opened.
inline constexpr MessagePair kDeviceOpenFailed{115, 109, "Device open API is failed.",
                                               "デバイスのオープンに失敗しました。"};

// The report: drive part.
inline constexpr MessagePair kGetDriveRegionFailed{179, 178, "Get drive region is failed.\r\n",
                                                   "リージョンコードの取得に失敗しました。\r\n"};
inline constexpr MessagePair kChangesLeft{0, 0, "Regional code can be changed %dtime(s)",
                                          "リージョンコードはあと%d回変更可能です。"};
inline constexpr MessagePair kNoRpc2{176, 177, "This drive does not support RPC2",
                                     "このドライブはRPC2をサポートしていません。"};
inline constexpr MessagePair kDriveRegion[6] = {
    {0, 0, "Drive's region is 1.\r\n", "ドライブのリージョンコードは１です.\r\n"},
    {0, 0, "Drive's region is 2.\r\n", "ドライブのリージョンコードは２です.\r\n"},
    {0, 0, "Drive's region is 3.\r\n", "ドライブのリージョンコードは３です.\r\n"},
    {0, 0, "Drive's region is 4.\r\n", "ドライブのリージョンコードは４です.\r\n"},
    {0, 0, "Drive's region is 5.\r\n", "ドライブのリージョンコードは５です.\r\n"},
    {0, 0, "Drive's region is 6.\r\n", "ドライブのリージョンコードは６です.\r\n"},
};
inline constexpr MessagePair kDriveNoRegion{0, 0, "Drive has no region.\r\n",
                                            "ドライブのリージョンコードは未設定です.\r\n"};
inline constexpr MessagePair kDriveInvalidRegion{
    0, 0, "Invalid or Unknown region (%02xh).\r\n",
    "ドライブのリージョンコードは不正な値(%02xh)です.\r\n"};

// The report: disc part.
inline constexpr MessagePair kGetDiscRegionFailed{
    181, 180, "Get disc region is failed.\r\n",
    "ディスクのリージョンコードの取得に失敗しました。\r\n"};
inline constexpr MessagePair kNoProtection{
    0, 0, "No copyright protrction disc.\r\nAll region is allowed.\r\n",
    "このディスクにはコピープロテクトがありません.\r\n全ての地域での視聴が許可されています.\r\n"};
inline constexpr MessagePair kDiscAllows{0, 0, "This disc is allowed region", "このディスクは地域"};
// Japanese only: closes the list of allowed regions.
inline constexpr const char* kDiscAllowsJapaneseEnd = "での視聴が許可されています。";
// " 1" to " 6", the same in both languages.
inline constexpr const char* kRegionNumber[6] = {" 1", " 2", " 3", " 4", " 5", " 6"};
inline constexpr const char* kLineEnd = "\r\n";
inline constexpr MessagePair kUnknownProtection{
    0, 0, "This DVD has the unknown copyright protection type.\r\n",
    "このディスクは不明なコピープロテクト方式を持っています。\r\n"};

// The change.
inline constexpr MessagePair kAlreadyPermanent{
    183, 182, "Drive regional code is already permanent state.\r\n",
    "ドライブのリージョンコードはすでに固定されていて変更できません。\r\n"};
// The checked region is the drive's own; %s is one of kRegionDigit.
inline constexpr MessagePair kAlreadyThisRegion{
    0, 0, "Drive's region is already %s. Regional code is not changed.\r\n",
    "ドライブのリージョンコードはすでに%sです。変更は行われません。\r\n"};
inline constexpr MessagePair kRegionDigit[6] = {
    {0, 0, "1", "１"}, {0, 0, "2", "２"}, {0, 0, "3", "３"},
    {0, 0, "4", "４"}, {0, 0, "5", "５"}, {0, 0, "6", "６"},
};
inline constexpr MessagePair kTocReadInProgress{186, 187, "Now toc read in progress...\r\n",
                                                "現在ディスクのセットアップ中です。\r\n"};
inline constexpr MessagePair kDiscNotPresent{
    184, 185, "Disc is not present !\r\nPlease insert approproiate disc",
    "ディスクがありません\r\n適切なディスクを挿入してください。"};
inline constexpr MessagePair kAttentionCaption{0, 0, "Attention", "注意"};
inline constexpr MessagePair kCanceled{0, 0, "Operation is canceled.\r\n",
                                       "処理は中断されました。\r\n"};
// The Japanese text has no line break.
inline constexpr MessagePair kUnknownError{188, 189, "Unknown error is occurred.\r\n",
                                           "不明なエラーが発生しました。"};
inline constexpr MessagePair kRegionNotSelected{194, 195, "Appropriate region is not selected.\r\n",
                                                "適切なリージョンが選択されていません。\r\n"};
inline constexpr MessagePair kSetSucceeded{190, 191, "Success to set regional code.\r\n",
                                           "リージョンの設定は成功しました。\r\n"};
inline constexpr MessagePair kSetFailed{192, 193, "Failed to set regional code.\r\n",
                                        "リージョンの設定に失敗しました。\r\n"};

// Every pair above, for the string tables and their checks.
const MessagePair* AllPairs(size_t& count);

}  // namespace kestrel::region_text
