#include "cli/shutdown_inhibitor.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace kestrel::cli {
namespace {

// libsystemd is loaded when a flash starts, not with the program: every
// other command (and `firmware info` most of all) starts without it and the
// half-dozen libraries it pulls in. Without it there is no logind to ask.
struct SdBus {
  decltype(&sd_bus_open_system) openSystem;
  decltype(&sd_bus_call_method) callMethod;
  decltype(&sd_bus_message_read) messageRead;
  decltype(&sd_bus_error_free) errorFree;
  decltype(&sd_bus_message_unref) messageUnref;
  decltype(&sd_bus_flush_close_unref) flushCloseUnref;
};

template <typename F>
bool Bind(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(library, name));
  return function != nullptr;
}

// The library stays loaded: it keeps state of its own for the process.
bool LoadSdBus(SdBus& api) {
  void* library = dlopen("libsystemd.so.0", RTLD_LAZY | RTLD_LOCAL);
  return library != nullptr && Bind(library, "sd_bus_open_system", api.openSystem) &&
         Bind(library, "sd_bus_call_method", api.callMethod) &&
         Bind(library, "sd_bus_message_read", api.messageRead) &&
         Bind(library, "sd_bus_error_free", api.errorFree) &&
         Bind(library, "sd_bus_message_unref", api.messageUnref) &&
         Bind(library, "sd_bus_flush_close_unref", api.flushCloseUnref);
}

}  // namespace

ShutdownInhibitor::ShutdownInhibitor() {
  SdBus api{};
  if (!LoadSdBus(api)) return;
  sd_bus* bus = nullptr;
  if (api.openSystem(&bus) < 0) return;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  if (api.callMethod(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                     "org.freedesktop.login1.Manager", "Inhibit", &error, &reply, "ssss",
                     "shutdown:sleep", "kestrel", "A drive's firmware is being written",
                     "block") >= 0) {
    int fd = -1;
    // The descriptor belongs to the reply: keep a copy of it.
    if (api.messageRead(reply, "h", &fd) >= 0) fd_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  }
  api.errorFree(&error);
  api.messageUnref(reply);
  api.flushCloseUnref(bus);
}

ShutdownInhibitor::~ShutdownInhibitor() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace kestrel::cli
