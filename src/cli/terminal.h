// Where the tool talks to its user: results on stdout, progress, questions
// and errors on stderr, answers from stdin. Tests use a scripted terminal.
#pragma once
#include <optional>
#include <ostream>
#include <string>

namespace kestrel::cli {

class Terminal {
 public:
  virtual ~Terminal() = default;
  virtual std::ostream& Out() = 0;
  virtual std::ostream& Err() = 0;
  // A person can answer: stdin and stderr are terminals.
  virtual bool Interactive() const = 0;
  // Progress may be drawn in place: stderr is a terminal.
  virtual bool ErrIsTerminal() const { return Interactive(); }
  // One line typed by the user, without its line end; nothing at end of input.
  virtual std::optional<std::string> ReadLine() = 0;
};

// The process's own streams.
class StdTerminal final : public Terminal {
 public:
  std::ostream& Out() override;
  std::ostream& Err() override;
  bool Interactive() const override;
  bool ErrIsTerminal() const override;
  std::optional<std::string> ReadLine() override;
};

}  // namespace kestrel::cli
