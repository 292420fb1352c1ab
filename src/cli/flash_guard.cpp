#include "cli/flash_guard.h"

#include <unistd.h>

#include <cstring>

namespace kestrel::cli {
namespace {

volatile sig_atomic_t signalsSeen = 0;

void NoteSignal(int) {
  if (signalsSeen++ == 0) {
    // Only async-signal-safe calls here.
    const ssize_t ignored = ::write(STDERR_FILENO, kFlashInProgress, std::strlen(kFlashInProgress));
    (void)ignored;
  }
}

}  // namespace

FlashGuard::FlashGuard() {
  signalsSeen = 0;
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // SA_RESTART: a command under way is not cut short by the signal.
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < 4; ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

FlashGuard::~FlashGuard() {
  for (size_t i = 0; i < 4; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
}

int FlashGuard::SignalsSeen() { return signalsSeen; }

}  // namespace kestrel::cli
