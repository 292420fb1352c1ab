// The firmware update utility's texts: message pairs by string id, and the
// log texts that are English in both languages.
#pragma once
#include <cstddef>
#include <string>

#include "shell/language.h"

namespace kestrel::firmware_text {

// Open file dialog.
inline constexpr MessagePair kSelectFile{144, 145, "Select the firmware file",
                                         "ファームウェアファイルを選択してください。"};
inline constexpr const char* kInitialDirectory = ".\\";
inline constexpr const char* kFilterText = "Hex File (HEX,HEQ,HEP,62A,62R)";
inline constexpr const char* kFilterPatterns = "*.HEX;*.HEQ;*.HEP;*.62A;*.62R";

// Loader log lines, English in both languages.
inline constexpr const char* kFileNamePrefix = "File Name : ";
inline constexpr const char* kLoadSuccess = "\r\nF/W file load success.";
inline constexpr const char* kFileTypePrefix = "\r\nFirmware File Type : ";
inline constexpr const char* kInterfaceAtapi = "ATAPI ";
inline constexpr const char* kInterfaceScsi = "SCSI ";
inline constexpr const char* kMechanismTray = "TRAY ";
inline constexpr const char* kMechanismSlot = "SLOT ";
inline constexpr const char* kVersionFormat = "\r\nVersion : %.4s\r\n";
inline constexpr const char* kStartCharacterMissing = "\r\nStart Charactor is not fouund.";
inline constexpr const char* kFileExceptionFormat = "\r\nFile Exception Error %x : ";

// Loader refusals of damaged files; %d is the line number (from 1).
inline constexpr MessagePair kChecksumError{175, 176, "\r\nChecksum error in line %d.",
                                            "\r\n%d行目のチェックサムが正しくありません。"};
inline constexpr MessagePair kInvalidRecord{177, 178, "\r\nInvalid record in line %d.",
                                            "\r\n%d行目のレコードが正しくありません。"};
inline constexpr MessagePair kMissingEndRecord{
    179, 180, "\r\nThe file is incomplete: its end-of-file record is missing.",
    "\r\nファイルが不完全です。終了レコードがありません。"};
inline constexpr MessagePair kAddressOutOfRange{181, 182, "\r\nAddress out of range in line %d.",
                                                "\r\n%d行目のアドレスが範囲外です。"};
inline constexpr MessagePair kLinearAddress{185, 186,
                                            "\r\nUnsupported extended linear address in line %d.",
                                            "\r\n%d行目の拡張リニアアドレスには対応していません。"};
// The box of a file the dialog named but the file layer could not open.
inline constexpr MessagePair kFileCannotBeOpened{183, 184, "The file cannot be opened:\r\n",
                                                 "ファイルを開くことができません:\r\n"};

// Update procedure. The confirmation window's own texts (159/160, 173/174)
// are in ui/firmware_window_texts.h.
inline constexpr MessagePair kFileNotAvailable{146, 147, "This file is not available.",
                                               "このファイルは有効なファイルではありません。"};
inline constexpr MessagePair kCpuMismatch{
    155, 156, "CPU type of HEX File does not match with internal CPU. ",
    "選択したファイルとドライブ内部のCPUのタイプが一致しません。"};
inline constexpr MessagePair kFileInappropriate{
    157, 158, "Selected file is inappropriate to this drive.",
    "選択したファイルはこのドライブに対して適切なものではありません。"};
inline constexpr MessagePair kStartUpdate{161, 162, "Start update !\r\n",
                                          "バージョンアップを開始しました。\r\n"};
inline constexpr MessagePair kVerifySuccess{163, 164, "Success to verify new firmware.\r\n",
                                            "ファームウェアのベリファイは成功しました。\r\n"};
inline constexpr MessagePair kVerifyFailure{
    165, 166, "Failed to verify new firmware.\r\n",
    "ファームウェアのベリファイで違いが発見されました。\r\n"};
inline constexpr MessagePair kUpdateSucceeded{168, 167,
                                              "Update operation completed successfully.\r\n",
                                              "アップデート操作は正常に終了しました。\r\n"};
inline constexpr MessagePair kUpdateFailed{170, 169, "Update operation failed.\r\n",
                                           "アップデートは失敗しました。\r\n"};
// Held in program data, not in the string table.
inline constexpr MessagePair kRemainingTime{0, 0, "Remaining time to complete about %d sec",
                                            "バージョンアップが完了するまで残り約%d秒です"};
// The wait past the 30 s for a drive still programming; %d is the seconds left.
inline constexpr MessagePair kStillProgramming{
    0, 0, "The drive is still writing the new firmware: please wait at most %d sec",
    "ドライブは新しいファームウェアを書き込み中です。最大で残り約%d秒お待ちください"};
// Why the session may not end while the drive is programmed.
inline constexpr MessagePair kSessionHoldReason{
    0, 0, "Updating the drive's firmware. Do not switch off the computer.",
    "ドライブのファームウェアを更新中です。コンピュータの電源を切らないでください。"};

// The text after "File Exception Error %x : " for a cause of the file layer;
// "" for a cause it does not name.
const char* FileErrorCauseText(int cause);
// The whole text of that box: the intro, the path, the file layer's cause.
std::string FileOpenErrorText(const std::string& path, int cause, Language language);

// Every pair above, for the string tables and their checks.
const MessagePair* AllPairs(size_t& count);

}  // namespace kestrel::firmware_text
