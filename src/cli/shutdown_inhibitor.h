// While the flash is written, logind is asked not to shut down or suspend the
// machine (a "block" inhibitor for "shutdown:sleep", through its D-Bus Inhibit
// call). Where logind does not run, or the system bus cannot be reached, the
// update goes on without one.
#pragma once

namespace kestrel::cli {

class ShutdownInhibitor {
 public:
  ShutdownInhibitor();
  // Closing the descriptor logind handed out lets the inhibitor go.
  ~ShutdownInhibitor();
  ShutdownInhibitor(const ShutdownInhibitor&) = delete;
  ShutdownInhibitor& operator=(const ShutdownInhibitor&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace kestrel::cli
