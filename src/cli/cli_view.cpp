#include "cli/cli_view.h"

namespace kestrel::cli {

std::string PlainText(const std::string& text) {
  std::string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    plain += text[i];
  }
  return plain;
}

void ProgressLine::Draw() {
  Terminal& terminal = terminal_;
  if (!open_ || !terminal.Interactive()) return;
  constexpr int kWidth = 30;
  const int span = high_ > low_ ? high_ - low_ : 1;
  int filled = (position_ - low_) * kWidth / span;
  filled = filled < 0 ? 0 : (filled > kWidth ? kWidth : filled);
  terminal.Err() << "\r[" << std::string(static_cast<size_t>(filled), '#')
                 << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << label_
                 << "\x1b[K" << std::flush;
}

void ProgressLine::Close() {
  if (open_ && terminal_.Interactive()) terminal_.Err() << "\n";
  open_ = false;
}

}  // namespace kestrel::cli
