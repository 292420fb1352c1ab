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

void ProgressLine::Begin(const std::string& phase, uint32_t total) {
  Close();
  if (quiet_) return;
  open_ = true;
  phase_ = phase, total_ = total > 0 ? total : 1, done_ = 0;
  start_ = std::chrono::steady_clock::now();
  if (terminal_.ErrIsTerminal()) {
    Draw(-1);
  } else {
    terminal_.Err() << "kestrel: " << phase_ << "\n" << std::flush;
  }
}

void ProgressLine::Advance(uint32_t done, int secondsLeft) {
  if (!open_) return;
  done_ = done < total_ ? done : total_;
  if (secondsLeft < 0 && done_ > 0) {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    secondsLeft = static_cast<int>(seconds * (total_ - done_) / done_ + 0.5);
  }
  Draw(secondsLeft);
}

void ProgressLine::Draw(int secondsLeft) {
  if (!terminal_.ErrIsTerminal()) return;
  constexpr uint32_t kWidth = 30;
  const uint32_t filled = static_cast<uint32_t>(uint64_t{done_} * kWidth / total_);
  std::ostream& err = terminal_.Err();
  err << "\r" << phase_ << " [" << std::string(filled, '#') << std::string(kWidth - filled, ' ')
      << "]";
  if (secondsLeft >= 0) err << " " << secondsLeft << " s left";
  err << "\x1b[K" << std::flush;
  drawn_ = true;
}

void ProgressLine::Close() {
  if (drawn_) terminal_.Err() << "\n" << std::flush;
  open_ = drawn_ = false;
}

}  // namespace kestrel::cli
