#include "cli/kestrel_app.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/commands.h"
#include "cli/session.h"
#include "cli/sim_host.h"
#include "kestrel_version.h"

namespace kestrel::cli {
namespace {

constexpr uint32_t kDefaultProgrammingWaitSeconds = 30;
// The shape of the --json object; raised when a key changes its meaning.
constexpr int kJsonSchema = 1;

// The command chosen and its arguments.
struct Request {
  std::function<int(Session&)> run;
  bool json = false;
  bool yes = false;
  bool force = false;      // backup: replace an existing file
  bool permanent = false;  // region set: the last change may be made
  std::string simConfig;
};

// --json, --sim and --yes are accepted before the subcommand and after it.
void CommonOptions(CLI::App& app, Request& request) {
  app.add_flag("--json", request.json, "print the result as one JSON object");
  app.add_option("--sim", request.simConfig,
                 "run against the simulated drive(s) of an ini file (kestrel-sim.ini lines); "
                 "their state is kept beside it in NAME.state")
      ->type_name("CONFIG");
  app.add_flag("-y,--yes", request.yes, "answer yes to every question (for scripts)");
}

CLI::App* Subcommand(CLI::App& parent, const std::string& name, const std::string& description,
                     Request& request) {
  CLI::App* sub = parent.add_subcommand(name, description);
  CommonOptions(*sub, request);
  return sub;
}

void Define(CLI::App& app, Request& r, std::vector<std::string>& words, uint32_t& waitSeconds,
            UpdateChoices& choices, bool& untilPowerOff, std::string& device, std::string& file) {
  CommonOptions(app, r);
  app.require_subcommand(1);

  CLI::App* list = Subcommand(app, "list", "list every optical drive", r);
  list->callback([&] { r.run = [](Session& s) { return ListDrives(s); }; });

  CLI::App* firmware = Subcommand(app, "firmware", "firmware file and flash", r);
  firmware->require_subcommand(1);
  CLI::App* info = Subcommand(*firmware, "info", "describe a firmware file", r);
  info->add_option("FILE", file, "firmware file (HEX records)")->required();
  info->add_option("--device", device, "also say which part and trailer this drive would get");
  info->callback([&] { r.run = [&](Session& s) { return ShowFirmwareInfo(s, file, device); }; });
  CLI::App* backup = Subcommand(*firmware, "backup", "read the drive's 128 KB flash to a file", r);
  backup->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  backup->add_option("OUT", file, "file to write")->required();
  backup->add_flag("--force", r.force, "replace OUT if it is an existing regular file");
  backup->callback(
      [&] { r.run = [&](Session& s) { return BackUpFirmware(s, device, file, r.force); }; });
  CLI::App* update = Subcommand(*firmware, "update", "write a firmware file into the drive", r);
  update->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  update->add_option("FILE", file, "firmware file (HEX records)")->required();
  update
      ->add_option("--programming-wait", waitSeconds,
                   "seconds to wait for flash programming before the read-back (30)")
      ->check(CLI::Range(1u, 600u));
  update->add_flag("--dry-run", choices.dryRun,
                   "run every check and show the From and To lines; write nothing");
  update->add_flag("--allow-reinstall", choices.allowReinstall,
                   "write a file whose firmware the drive has already");
  update->add_flag("--allow-older", choices.allowOlder,
                   "write a file whose firmware is older than the drive's (a downgrade)");
  update->callback([&] {
    r.run = [&](Session& s) {
      return UpdateFirmwareCommand(s, device, file, waitSeconds, choices);
    };
  });

  CLI::App* region = Subcommand(app, "region", "report or set the drive's DVD region", r);
  region->add_option("ARGS", words, "DEVICE, or set DEVICE N")->required()->expected(1, 3);
  region->add_flag("--permanent", r.permanent,
                   "allow the drive's last region change, after which its region is permanent");
  region->callback([&] {
    r.run = [&](Session& s) {
      if (words.size() == 1) return ShowRegion(s, words[0]);
      if (words.size() == 3 && words[0] == "set") {
        const std::string& n = words[2];
        const int value = n.size() == 1 && n[0] >= '1' && n[0] <= '6' ? n[0] - '0' : 0;
        return SetRegion(s, words[1], value, r.permanent);
      }
      return s.Fail(kExitUsage, "usage: kestrel region DEVICE | kestrel region set DEVICE N");
    };
  });

  CLI::App* speed = Subcommand(app, "speed", "report or set the CD-DA read speed", r);
  speed->add_option("ARGS", words, "DEVICE, or set DEVICE 8X|max|KBPS")->required()->expected(1, 3);
  speed->callback([&] {
    r.run = [&](Session& s) {
      if (words.size() == 1) return ShowSpeed(s, words[0]);
      if (words.size() == 3 && words[0] == "set") return SetSpeed(s, words[1], words[2]);
      return s.Fail(kExitUsage, "usage: kestrel speed DEVICE | kestrel speed set DEVICE SPEED");
    };
  });

  CLI::App* mode = Subcommand(app, "mode", "switch between the quiet and performance modes", r);
  mode->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  mode->add_option("MODE", file, "quiet or performance")->required();
  mode->add_flag("--until-power-off", untilPowerOff, "keep the mode only until power-off");
  mode->callback(
      [&] { r.run = [&](Session& s) { return SetMode(s, device, file, untilPowerOff); }; });
}

// One JSON object on stdout: "schema" says which shape it has, "ok" whether
// the run succeeded. Byte strings that are not UTF-8 (file names, drive
// texts) are written with U+FFFD in place of the bad bytes.
void PrintJson(Terminal& terminal, nlohmann::json j, int status, const std::string& error) {
  j["schema"] = kJsonSchema;
  j["ok"] = status == kExitOk;
  if (!error.empty()) j["error"] = error;
  terminal.Out() << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

void Print(Session& session, int status) {
  Terminal& terminal = session.terminal;
  if (session.json) {
    PrintJson(terminal, session.result, status, session.error);
  } else {
    terminal.Out() << session.text;
  }
  if (!session.error.empty()) terminal.Err() << "kestrel: " << session.error << "\n";
}

// A run that ends before a command: a usage error, help, or no drives.
int EndEarly(Terminal& terminal, bool json, int status, const std::string& error,
             const std::string& help = {}) {
  if (json) {
    nlohmann::json j = nlohmann::json::object();
    if (!help.empty()) j["help"] = help;
    PrintJson(terminal, j, status, error);
  }
  if (!error.empty()) terminal.Err() << "kestrel: " << error << "\n";
  return status;
}

// --json anywhere before "--": the parse may stop before it reaches it.
bool AsksForJson(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--json") return true;
  }
  return false;
}

}  // namespace

int RunKestrel(const std::vector<std::string>& args, Environment& environment) {
  Terminal& terminal = environment.terminal;
  CLI::App app("kestrel: firmware, region and speed of Kestrel DVD-ROM drives", "kestrel");
  app.set_version_flag("-V,--version", "kestrel " KESTREL_SUITE_VERSION, "print the version and exit");
  Request request;
  std::vector<std::string> words;
  uint32_t waitSeconds = kDefaultProgrammingWaitSeconds;
  bool untilPowerOff = false;
  UpdateChoices choices;
  std::string device, file;
  Define(app, request, words, waitSeconds, choices, untilPowerOff, device, file);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program name
  const bool json = AsksForJson(args);
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    // Help (of the subcommand asked about) on stdout; errors on stderr.
    std::ostringstream help, error;
    const int status = app.exit(e, help, error) == 0 ? kExitOk : kExitUsage;
    if (!json) {
      terminal.Out() << help.str();
      terminal.Err() << error.str();
      return status;
    }
    if (dynamic_cast<const CLI::CallForVersion*>(&e)) {
      PrintJson(terminal, {{"version", KESTREL_SUITE_VERSION}}, kExitOk, "");
      return kExitOk;
    }
    return EndEarly(terminal, true, status, status == kExitOk ? "" : e.what(), help.str());
  }
  request.json = request.json || json;
  if (!request.run) return EndEarly(terminal, request.json, kExitUsage, "no command given");

  std::string why;
  std::unique_ptr<DriveHost> host;
  if (!request.simConfig.empty()) {
    host = SimHost::Load(request.simConfig, why);
  } else {
    host = environment.systemHost(why);
  }
  Prompter prompter(terminal, request.yes);
  if (!host) return EndEarly(terminal, request.json, kExitUsage, why);
  Session session{terminal, *host, prompter, request.json};
  int status = request.run(session);
  // A failure whose cause never reached the drive says what it was.
  const std::string fault = host->TransportFault();
  if (status != kExitOk && !session.error.empty() && !fault.empty()) {
    session.error += " (" + fault + ")";
  }
  if (environment.afterCommand) environment.afterCommand(*host);
  if (!host->Finish(why) && status == kExitOk) status = session.Fail(kExitUsage, why);
  Print(session, status);
  return status;
}

}  // namespace kestrel::cli
