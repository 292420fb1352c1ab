#include "cli/steady_timer.h"

#include <chrono>
#include <thread>

namespace kestrel::cli {

uint32_t SteadyTimer::TimeMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyTimer::SleepMs(uint32_t pauseMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
}

}  // namespace kestrel::cli
