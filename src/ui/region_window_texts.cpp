#include "ui/region_window_texts.h"

namespace kestrel {
namespace {

// The Japanese radio texts name only the countries.
const ControlText kRegionControlTexts[] = {
    {29, 1003, "DVD-ROMドライブのリージョンコード"},
    {17, 1002, "アメリカ合衆国、カナダ（北米）"},
    {18, 1008, "日本、西ヨーロッパ、南アフリカ"},
    {19, 1009, "東南アジア"},
    {20, 1010, "オーストラリア、南米"},
    {21, 1011, "ロシア、東ヨーロッパ、アフリカ"},
    {22, 1012, "中国"},
    {30, 1018, "このDVDディスクで視聴の許可されている地域"},
    {23, 1007, "地域１"},
    {24, 1013, "地域２"},
    {25, 1014, "地域３"},
    {26, 1015, "地域４"},
    {27, 1016, "地域５"},
    {28, 1017, "地域６"},
    {173, 1021, "リージョン取得"},
    {174, 1019, "リージョン設定"},
    {175, 1020, "終了"},
};

}  // namespace

ControlTextTable RegionWindowControlTexts() {
  return {kRegionControlTexts, sizeof kRegionControlTexts / sizeof kRegionControlTexts[0]};
}

}  // namespace kestrel
