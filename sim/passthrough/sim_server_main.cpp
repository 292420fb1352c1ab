// kestrel-sim-server: the simulated machine of kestrel-sim.ini for the
// pass-through programs under Wine, each drive letter on a Unix socket that
// the SG_IO preload library (libkestrel-sg.so) talks to.
//
//   kestrel-sim-server DIR SOCKETDIR [DEFAULT-LETTER]
//
// DIR holds kestrel-sim.ini, kestrel-sim.state and kestrel-sim.trace, as
// beside the simulated WNASPI32.DLL (sim/model/sim_config.h has the ini's
// lines; "letter=E 0 0" puts adapter 0's target 0 behind E:). When the ini
// maps no letter, DEFAULT-LETTER (if given) gets adapter 0's target 0.
// Every letter listens on SOCKETDIR/<letter>.sock. Prints "ready E F ..." once
// it listens. Ends on SIGTERM, SIGINT or SIGHUP, and when its parent ends.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sim/model/sim_folder.h"
#include "sim/passthrough/device_server.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s DIR SOCKETDIR [DEFAULT-LETTER]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const std::string socketDir = argv[2];
  const pid_t parent = getppid();
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  kestrel::sim::SimFolder folder(dir, [&](kestrel::sim::SimConfig& config) {
    if (config.letters.empty() && argc > 3 && argv[3][0]) {
      config.letters.push_back({argv[3][0], 0, 0});
    }
  });
  kestrel::sim::Bus& bus = folder.GetBus();
  folder.Start("server");

  kestrel::sim::DeviceServer server(bus, kestrel::sim::MillisecondsFromNow());
  server.SetTraceSink([&folder](const std::string& line) { folder.Trace(line); });
  server.SetAfterChange([&folder] { folder.SaveIfChanged(); });

  std::string ready = "ready";
  for (char letter : bus.Letters()) {
    const std::string path = socketDir + "/" + letter + ".sock";
    if (!server.Listen(letter, path)) {
      std::fprintf(stderr, "cannot serve %c: on %s\n", letter, path.c_str());
      return 1;
    }
    ready += ' ';
    ready += letter;
  }
  std::printf("%s\n", ready.c_str());
  std::fflush(stdout);

  server.Run([parent] { return stopRequested || getppid() != parent; });
  folder.Trace("stop server");
  return 0;
}
