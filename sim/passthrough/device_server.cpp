#include "sim/passthrough/device_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/model/trace.h"

namespace kestrel::sim {

namespace {

constexpr uint32_t kMaxTransfer = KESTREL_SG_MAX_TRANSFER;
constexpr int kIdlePollMs = 200;

bool ReadExactly(int fd, void* data, size_t length) {
  auto* p = static_cast<uint8_t*>(data);
  while (length > 0) {
    ssize_t n = recv(fd, p, length, MSG_WAITALL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool WriteExactly(int fd, const uint8_t* data, size_t length) {
  while (length > 0) {
    ssize_t n = send(fd, data, length, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

std::string TimeoutText(uint32_t ms) {
  char text[32];
  if (ms % 1000 == 0) {
    std::snprintf(text, sizeof text, "%us", static_cast<unsigned>(ms / 1000));
  } else {
    std::snprintf(text, sizeof text, "%ums", static_cast<unsigned>(ms));
  }
  return text;
}

}  // namespace

DeviceServer::DeviceServer(Bus& bus, std::function<uint64_t()> nowMs)
    : bus_(bus), nowMs_(std::move(nowMs)) {
  bus_.GetTrace().SetListener([this](const TraceEntry& entry) {
    if (sink_) sink_(FormatTraceLine(entry) + requestNote_);
  });
}

DeviceServer::~DeviceServer() {
  bus_.GetTrace().SetListener(nullptr);
  for (auto& [fd, connection] : connections_) close(fd);
  for (auto& [fd, letter] : listeners_) close(fd);
  for (const std::string& path : socketPaths_) unlink(path.c_str());
}

bool DeviceServer::Listen(char letter, const std::string& socketPath) {
  LetterDevice* device = bus_.Letter(letter);
  if (!device || !device->drive) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  unlink(socketPath.c_str());  // a leftover of a server that did not end cleanly
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0) {
    close(fd);
    return false;
  }
  listeners_[fd] = device->letter;
  socketPaths_.push_back(socketPath);
  return true;
}

void DeviceServer::Run(const std::function<bool()>& stop) {
  while (!stop()) Serve(kIdlePollMs);
}

void DeviceServer::Serve(int waitMs) {
  // Sleep no longer than until the first held reply is due.
  const uint64_t now = nowMs_();
  for (const Deferred& d : deferred_) {
    if (d.dueMs != kNever) waitMs = std::min<int64_t>(waitMs, d.dueMs > now ? d.dueMs - now : 0);
  }
  std::vector<pollfd> fds;
  for (auto& [fd, letter] : listeners_) fds.push_back({fd, POLLIN, 0});
  for (auto& [fd, connection] : connections_) fds.push_back({fd, POLLIN, 0});
  int ready = poll(fds.data(), fds.size(), waitMs);
  if (ready > 0) {
    for (const pollfd& p : fds) {
      if (!p.revents) continue;
      auto listener = listeners_.find(p.fd);
      if (listener != listeners_.end()) {
        Accept(p.fd, listener->second);
        continue;
      }
      auto it = connections_.find(p.fd);
      if (it != connections_.end() && !Handle(it->second)) Close(p.fd);
    }
  }
  // Jobs the drives finish on their own (programming) and the replies held for them.
  bus_.SetNowMs(nowMs_());
  bus_.Update();
  if (after_) after_();
  SendDue();
}

void DeviceServer::Accept(int listener, char letter) {
  int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  connections_[fd] = Connection{fd, letter};
}

void DeviceServer::Close(int fd) {
  connections_.erase(fd);
  deferred_.erase(std::remove_if(deferred_.begin(), deferred_.end(),
                                 [fd](const Deferred& d) { return d.fd == fd; }),
                  deferred_.end());
  close(fd);
}

bool DeviceServer::Handle(Connection& connection) {
  KestrelSgRequest request{};
  if (!ReadExactly(connection.fd, &request, sizeof request)) return false;
  if (request.magic != KESTREL_SG_MAGIC || request.dataLength > kMaxTransfer) return false;
  std::vector<uint8_t> data(request.dataLength);
  // Data going out follows its header whatever the request's kind: left
  // unread, it would be taken for the next header and the read of that
  // would wait for bytes the client never sends.
  if (request.direction == KESTREL_SG_OUT && !ReadExactly(connection.fd, data.data(), data.size())) {
    return false;
  }
  uint64_t dueMs = 0;
  std::vector<uint8_t> reply = request.kind == KESTREL_SG_ADDRESS
                                   ? Address(connection.letter, request)
                                   : Command(connection.letter, request, data, dueMs);
  if (after_) after_();
  if (dueMs > nowMs_()) {
    deferred_.push_back(Deferred{connection.fd, dueMs, std::move(reply)});
    return true;
  }
  return WriteExactly(connection.fd, reply.data(), reply.size());
}

std::vector<uint8_t> DeviceServer::Address(char letter, const KestrelSgRequest& request) {
  // The programs ask for the address each time they open a drive letter:
  // the trace shows every open.
  if (sink_) sink_(std::string("address L=") + letter);
  KestrelSgReply reply{};
  reply.magic = KESTREL_SG_MAGIC;
  reply.sequence = request.sequence;
  LetterDevice* device = bus_.Letter(letter);
  if (!device || device->refuseAddress) {
    reply.status = 0xFF;  // no address: the library refuses the request
  } else {
    reply.port = device->portNumber;
    reply.path = device->pathId;
    reply.target = device->targetId;
    reply.lun = device->lun;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(&reply);
  return std::vector<uint8_t>(bytes, bytes + sizeof reply);
}

std::vector<uint8_t> DeviceServer::Command(char letter, const KestrelSgRequest& request,
                                           std::vector<uint8_t>& data, uint64_t& dueMs) {
  KestrelSgReply reply{};
  reply.magic = KESTREL_SG_MAGIC;
  reply.sequence = request.sequence;
  const uint64_t now = nowMs_();
  bus_.SetNowMs(now);
  bus_.Update();
  LetterDevice* device = bus_.Letter(letter);
  const DataDirection direction = request.direction == KESTREL_SG_IN    ? DataDirection::In
                                  : request.direction == KESTREL_SG_OUT ? DataDirection::Out
                                                                        : DataDirection::None;
  const size_t cdbLength = std::min<size_t>(request.cdbLength, sizeof request.cdb);
  requestNote_ = " timeout=" + TimeoutText(request.timeoutMs) +
                 " sense_len=" + std::to_string(request.senseLength);
  CommandResult result;
  if (device && device->drive) {
    result = device->drive->Execute(request.cdb, cdbLength, direction,
                                    data.empty() ? nullptr : data.data(),
                                    static_cast<uint32_t>(data.size()));
  } else {
    result.status = ScsiStatus::CheckCondition;
    result.sense = kInvalidOpcode;
  }
  requestNote_.clear();
  reply.status = static_cast<uint8_t>(result.status);
  reply.transferred = result.good() ? result.transferred : 0;
  if (!result.good() && request.senseLength > 0) {
    // Automatic sense, fixed format, as the port driver fetches it.
    reply.sense[0] = 0x70;
    reply.sense[2] = result.sense.key;
    reply.sense[7] = 10;
    reply.sense[12] = result.sense.asc;
    reply.sense[13] = result.sense.ascq;
    reply.senseLength = static_cast<uint8_t>(std::min<unsigned>(request.senseLength, 18));
    if (device && device->drive) device->drive->ClearPendingSense();
  }
  std::vector<uint8_t> bytes(sizeof reply);
  if (direction == DataDirection::In && result.good()) {
    reply.dataLength = reply.transferred;
    bytes.insert(bytes.end(), data.begin(), data.begin() + reply.transferred);
  }
  std::memcpy(bytes.data(), &reply, sizeof reply);
  dueMs = result.completesAtMs > now ? result.completesAtMs : 0;
  return bytes;
}

void DeviceServer::SendDue() {
  const uint64_t now = nowMs_();
  std::vector<int> broken;
  for (auto it = deferred_.begin(); it != deferred_.end();) {
    if (it->dueMs != kNever && it->dueMs <= now) {
      if (!WriteExactly(it->fd, it->bytes.data(), it->bytes.size())) broken.push_back(it->fd);
      it = deferred_.erase(it);
    } else {
      ++it;
    }
  }
  for (int fd : broken) {
    if (connections_.count(fd)) Close(fd);
  }
}

}  // namespace kestrel::sim
