// libFuzzer target: what the simulated drive reads from outside. Byte 0
// chooses the reader:
//   0  kestrel-sim.ini: parsed and built into a machine;
//   1  kestrel-sim.state's text: loaded into the default machine, saved again;
//   2  a simulator folder: the ini, a 00h byte, the state file (SimFolder,
//      StateFile);
//   3  the letter server's socket protocol: requests as the preload library
//      sends them, each answered before the next.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/model/aspi_manager.h"
#include "sim/model/bus.h"
#include "sim/model/sim_config.h"
#include "sim/model/sim_folder.h"
#include "sim/model/sim_state.h"
#include "sim/model/state_file.h"
#include "sim/passthrough/device_server.h"
#include "sim/passthrough/sg_protocol.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using namespace kestrel;
using fuzz::Require;

// One scratch folder for the whole run.
const std::string& ScratchFolder() {
  static const std::string dir = [] {
    char name[] = "/tmp/kestrel-sim-fuzz-XXXXXX";
    Require(mkdtemp(name) != nullptr, "no scratch folder");
    return std::string(name);
  }();
  return dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  Require(sim::ReplaceWholeFile(path, std::string(reinterpret_cast<const char*>(data), size)),
          "scratch file not written");
}

class NoSignal final : public sim::EventSignal {
 public:
  void Signal(void*) override {}
};

void Ini(const uint8_t* data, size_t size) {
  const sim::SimConfig config =
      sim::ParseSimConfig(std::string(reinterpret_cast<const char*>(data), size));
  sim::Bus bus;
  sim::BuildBus(config, bus);
  NoSignal signal;
  sim::AspiManager manager(bus, signal);
  sim::ApplyManagerFaults(config, manager);
}

void State(const uint8_t* data, size_t size) {
  // The default machine, built once: building a drive costs more than the load.
  static sim::Bus bus;
  static const bool built = (sim::BuildBus(sim::ParseSimConfig(""), bus), true);
  (void)built;
  if (!sim::LoadSimState(std::string(reinterpret_cast<const char*>(data), size), bus)) return;
  // What is saved loads again to the same state.
  const std::string saved = sim::SaveSimState(bus);
  Require(sim::LoadSimState(saved, bus), "a saved state does not load");
  Require(sim::SaveSimState(bus) == saved, "a saved state read back as another state");
}

void Folder(const uint8_t* data, size_t size) {
  const std::string& dir = ScratchFolder();
  const auto* split = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t iniSize = split ? static_cast<size_t>(split - data) : size;
  WriteFile(dir + "/kestrel-sim.ini", data, iniSize);
  WriteFile(dir + "/kestrel-sim.state", split ? split + 1 : data, split ? size - iniSize - 1 : 0);
  sim::SimFolder folder(dir);
  folder.Start("fuzz");
  folder.SaveIfChanged();
}

// The server of letter E, made once; its clock moves only when the target
// says, so that replies held for a running command come out at once.
class LetterServer {
 public:
  LetterServer() : server_(bus_, [this] { return now_; }) {
    bus_.AddLetter('E', sim::KestrelDrive("DRV-320"));
    path_ = ScratchFolder() + "/E.sock";
    Require(server_.Listen('E', path_), "the letter server does not listen");
  }

  void Serve(const uint8_t* data, size_t size) {
    const int client = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    Require(client >= 0 && connect(client, reinterpret_cast<sockaddr*>(&address),
                                   sizeof address) == 0,
            "no connection to the letter server");
    fcntl(client, F_SETFL, O_NONBLOCK);
    server_.Serve(0);  // accepts
    size_t at = 0;
    for (int request = 0; request < 8 && at < size; ++request) {
      KestrelSgRequest header{};
      const size_t headerBytes = size - at < sizeof header ? size - at : sizeof header;
      std::memcpy(&header, data + at, headerBytes);
      at += headerBytes;
      // A reply bigger than the socket's buffer would wait for a reader that
      // this one thread cannot be: replies stay small, refused sizes stay.
      if (header.direction != KESTREL_SG_OUT && header.dataLength <= KESTREL_SG_MAX_TRANSFER) {
        header.dataLength %= 0x8000;
      }
      size_t dataBytes = 0;
      if (header.direction == KESTREL_SG_OUT && headerBytes == sizeof header) {
        dataBytes = size - at < header.dataLength ? size - at : header.dataLength;
      }
      Send(client, &header, headerBytes);
      Send(client, data + at, dataBytes);
      at += dataBytes;
      if (headerBytes < sizeof header || dataBytes < header.dataLength) shutdown(client, SHUT_WR);
      for (int turn = 0; turn < 3; ++turn) {
        server_.Serve(0);
        now_ += 60000;
        Drain(client);
      }
    }
    close(client);
    server_.Serve(0);  // sees the connection end
  }

 private:
  static void Send(int fd, const void* bytes, size_t count) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    while (count != 0) {
      const ssize_t n = send(fd, p, count, MSG_NOSIGNAL);
      if (n <= 0) return;
      p += n;
      count -= static_cast<size_t>(n);
    }
  }
  static void Drain(int fd) {
    uint8_t sink[4096];
    while (recv(fd, sink, sizeof sink, 0) > 0) {
    }
  }

  sim::Bus bus_;
  uint64_t now_ = 0;
  sim::DeviceServer server_;
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size == 0) return 0;
  const uint8_t* data = input + 1;
  const size_t length = size - 1;
  switch (input[0] % 4) {
    case 0:
      Ini(data, length);
      break;
    case 1:
      State(data, length);
      break;
    case 2:
      Folder(data, length);
      break;
    default: {
      static LetterServer server;
      server.Serve(data, length);
      break;
    }
  }
  return 0;
}
