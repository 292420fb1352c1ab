// kestrel-tcmu: the simulated drive of kestrel-sim.ini behind a TCMU
// backstore of the Linux SCSI target (LIO), so that the kernel's own drivers
// (sr, sg over tcm_loop) see it as a real device.
//
//   kestrel-tcmu DIR [--uio /dev/uioN] [--target ADAPTER:TARGET]
//
// DIR holds kestrel-sim.ini, kestrel-sim.state and kestrel-sim.trace, as for
// kestrel-sim-server. Without --uio it serves the first /sys/class/uio/uio*
// whose name starts with "tcm-user"; --target picks the bus's drive (0:0).
// Prints "ready uioN" once it serves; errors go to stderr with exit status 1.
// Ends on SIGTERM, SIGINT or SIGHUP, saving the state if it changed.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/model/sim_folder.h"
#include "sim/tcmu/tcmu_ring.h"
#include "sim/tcmu/uio_device.h"

namespace {

constexpr int kIdleWaitMs = 200;

volatile sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

int Fail(const std::string& why) {
  std::fprintf(stderr, "kestrel-tcmu: %s\n", why.c_str());
  return 1;
}

bool ParseTarget(const std::string& text, unsigned& adapter, unsigned& target) {
  char end = 0;
  return std::sscanf(text.c_str(), "%u:%u%c", &adapter, &target, &end) == 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, node;
  unsigned adapter = 0, target = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--uio" && i + 1 < argc) {
      node = argv[++i];
    } else if (arg == "--target" && i + 1 < argc && ParseTarget(argv[i + 1], adapter, target)) {
      ++i;
    } else if (dir.empty() && !arg.empty() && arg[0] != '-') {
      dir = arg;
    } else {
      dir.clear();
      break;
    }
  }
  if (dir.empty()) {
    std::fprintf(stderr, "usage: %s DIR [--uio /dev/uioN] [--target ADAPTER:TARGET]\n", argv[0]);
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;  // no SA_RESTART: the wait ends at once
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  kestrel::sim::SimFolder folder(dir);
  kestrel::sim::Bus& bus = folder.GetBus();
  kestrel::sim::Drive* drive = bus.DriveAt(adapter, target);
  if (!drive) {
    return Fail("no drive at " + std::to_string(adapter) + ":" + std::to_string(target) + " in " +
                dir + "/kestrel-sim.ini");
  }
  kestrel::sim::UioDevice uio;
  std::string why;
  if (!uio.Open(node, why)) return Fail(why);
  kestrel::sim::TcmuRing ring(uio.Map(), uio.Size(), bus, *drive);
  if (!ring.Check(why)) return Fail(uio.Name() + ": " + why);
  ring.SetKernelTimeoutMs(uio.CommandTimeoutMs());

  ring.SetTraceSink([&folder](const std::string& line) { folder.Trace(line); });
  folder.Start("tcmu");

  std::printf("ready %s\n", uio.Name().c_str());
  std::fflush(stdout);

  const auto nowMs = kestrel::sim::MillisecondsFromNow();
  int status = 0;
  while (!stopRequested) {
    const uint64_t now = nowMs();
    if (ring.Serve(now)) uio.Kick();
    if (ring.Broken()) {
      status = Fail(uio.Name() + ": " + ring.BrokenWhy());
      break;
    }
    // Programming the drive finishes on its own.
    bus.SetNowMs(now);
    bus.Update();
    folder.SaveIfChanged();
    const uint64_t due = ring.NextDueMs();
    int waitMs = kIdleWaitMs;
    if (due != kestrel::sim::kNever)
      waitMs = due <= now ? 0 : static_cast<int>(std::min<uint64_t>(due - now, kIdleWaitMs));
    if (!uio.Wait(waitMs)) {
      status = Fail(uio.Name() + " has gone");
      break;
    }
  }
  folder.SaveIfChanged();
  folder.Trace("stop tcmu");
  return status;
}
