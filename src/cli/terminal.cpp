#include "cli/terminal.h"

#include <unistd.h>

#include <iostream>

namespace kestrel::cli {

std::ostream& StdTerminal::Out() { return std::cout; }
std::ostream& StdTerminal::Err() { return std::cerr; }
bool StdTerminal::Interactive() const { return isatty(STDIN_FILENO) && isatty(STDERR_FILENO); }
bool StdTerminal::ErrIsTerminal() const { return isatty(STDERR_FILENO); }
std::optional<std::string> StdTerminal::ReadLine() {
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  return line;
}

}  // namespace kestrel::cli
