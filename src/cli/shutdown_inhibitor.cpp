#include "cli/shutdown_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace kestrel::cli {

ShutdownInhibitor::ShutdownInhibitor() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", "Inhibit", &error, &reply, "ssss",
                         "shutdown:sleep", "kestrel", "A drive's firmware is being written",
                         "block") >= 0) {
    int fd = -1;
    // The descriptor belongs to the reply: keep a copy of it.
    if (sd_bus_message_read(reply, "h", &fd) >= 0) fd_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
}

ShutdownInhibitor::~ShutdownInhibitor() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace kestrel::cli
