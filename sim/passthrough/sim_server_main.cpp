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

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "sim/model/sim_config.h"
#include "sim/model/state_file.h"
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

  std::ofstream trace(dir + "/kestrel-sim.trace", std::ios::app | std::ios::binary);
  auto writeTrace = [&trace](const std::string& line) {
    trace << line << "\r\n";
    trace.flush();
  };

  std::string text;
  const bool haveConfig = kestrel::sim::ReadWholeFile(dir + "/kestrel-sim.ini", text);
  kestrel::sim::SimConfig config = kestrel::sim::ParseSimConfig(haveConfig ? text : std::string());
  if (config.letters.empty() && argc > 3 && argv[3][0]) {
    config.letters.push_back({argv[3][0], 0, 0});
  }
  kestrel::sim::Bus bus;
  kestrel::sim::BuildBus(config, bus);
  writeTrace(haveConfig ? "start server config=kestrel-sim.ini" : "start server config=built-in");
  for (const std::string& error : config.errors) writeTrace("config-error " + error);

  kestrel::sim::StateFile state(bus, dir + "/kestrel-sim.state");
  state.Load();

  const auto start = std::chrono::steady_clock::now();
  kestrel::sim::DeviceServer server(bus, [start] {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
  });
  server.SetTraceSink(writeTrace);
  server.SetAfterChange([&] {
    if (!state.SaveIfChanged()) writeTrace("state-error not saved");
  });

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
  writeTrace("stop server");
  return 0;
}
