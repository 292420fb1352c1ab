// The simulated drive letters served over Unix sockets to the SG_IO preload
// library (sg_protocol.h), one socket per letter. Single-threaded: Run polls
// the listeners and connections, runs each command on the bus's drive at the
// bus time it is given, and holds a reply until the command ends on the drive
// (flash programming takes seconds), as a real device would.
//
//   sim::Bus bus;  ...  bus.MapLetter('E', 0, 0);
//   sim::DeviceServer server(bus, [] { return MillisecondsSinceStart(); });
//   server.SetTraceSink([](const std::string& line) { ... });
//   server.Listen('E', "/run/kestrel/E.sock");
//   server.Run([] { return stopRequested; });
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/model/bus.h"
#include "sim/passthrough/sg_protocol.h"

namespace kestrel::sim {

class DeviceServer {
 public:
  DeviceServer(Bus& bus, std::function<uint64_t()> nowMs);
  ~DeviceServer();
  DeviceServer(const DeviceServer&) = delete;
  DeviceServer& operator=(const DeviceServer&) = delete;

  // Listens for the letter's requests; false when the letter is not on the bus
  // or the socket cannot be made. The socket file is removed again at the end.
  bool Listen(char letter, const std::string& socketPath);
  // Serves until `stop` returns true (asked at least every 200 ms).
  void Run(const std::function<bool()>& stop);
  // Serves whatever is ready or due within `waitMs`; for tests and Run.
  void Serve(int waitMs);

  // Every command's trace line, with the time-out and sense length the caller
  // set, e.g. "cmd L=E cdb=12 ... status=good timeout=2s sense_len=0".
  void SetTraceSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }
  // Called after every command and every finished drive job (to save state).
  void SetAfterChange(std::function<void()> after) { after_ = std::move(after); }

 private:
  struct Connection {
    int fd = -1;
    char letter = 0;
  };
  struct Deferred {
    int fd;
    uint64_t dueMs;  // kNever: the command never ends
    std::vector<uint8_t> bytes;
  };

  void Accept(int listener, char letter);
  bool Handle(Connection& connection);  // false: the connection ended
  std::vector<uint8_t> Command(char letter, const KestrelSgRequest& request,
                               std::vector<uint8_t>& data, uint64_t& dueMs);
  std::vector<uint8_t> Address(char letter, const KestrelSgRequest& request);
  void SendDue();
  void Close(int fd);

  Bus& bus_;
  std::function<uint64_t()> nowMs_;
  std::function<void(const std::string&)> sink_;
  std::function<void()> after_;
  std::map<int, char> listeners_;  // fd -> letter
  std::vector<std::string> socketPaths_;
  std::map<int, Connection> connections_;
  std::vector<Deferred> deferred_;
  std::string requestNote_;  // appended to the trace lines of the command being run
};

}  // namespace kestrel::sim
