#include "ui/speed_window_texts.h"

#include <iterator>

namespace kestrel {

ControlTextTable SpeedWindowControlTexts() {
  static constexpr ControlText kRows[] = {
      {7, 1014, "対象となるドライブ"},
      {8, 1011, "音楽CD抽出速度"},
      {11, 1003, "抽出速度設定"},
      {9, 1015, "ドライブ動作モード"},
      {12, 1004, "動作モード設定"},
      {13, 1008, "ドライブ情報"},
      {10, 1009, "終了"},
  };
  return {kRows, std::size(kRows)};
}

}  // namespace kestrel
