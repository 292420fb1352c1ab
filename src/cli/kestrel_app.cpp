#include "cli/kestrel_app.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/commands.h"
#include "cli/session.h"
#include "cli/sim_host.h"
#include "cli/verbose_transport.h"
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
  bool verbose = false;
  bool quiet = false;
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
  app.add_flag("-v,--verbose", request.verbose,
               "show each command block sent, its status, sense and residual, on stderr");
  app.add_flag("-q,--quiet", request.quiet, "print only errors");
}

CLI::App* Subcommand(CLI::App& parent, const std::string& name, const std::string& description,
                     Request& request) {
  CLI::App* sub = parent.add_subcommand(name, description);
  CommonOptions(*sub, request);
  return sub;
}

void Define(CLI::App& app, Request& r, std::string& word, uint32_t& waitSeconds,
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

  CLI::App* verify =
      Subcommand(*firmware, "verify", "compare the drive's flash with a file; write nothing", r);
  verify->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  verify->add_option("FILE", file, "firmware file (HEX records) or a backup (128 KB)")
      ->required();
  verify->footer("Exit status 0 when the flash matches, 1 when it differs.");
  verify->callback(
      [&] { r.run = [&](Session& s) { return VerifyFirmwareAgainst(s, device, file); }; });

  // `kestrel region DEVICE` and `kestrel speed DEVICE` are short for show.
  CLI::App* region = Subcommand(app, "region", "report or set the drive's DVD region", r);
  region->add_option("DEVICE", device, "the drive: kestrel region DEVICE is region show DEVICE");
  region->require_subcommand(0, 1);
  CLI::App* regionShow = Subcommand(*region, "show", "report the drive's region state", r);
  regionShow->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  regionShow->callback([&] { r.run = [&](Session& s) { return ShowRegion(s, device); }; });
  CLI::App* regionSet = Subcommand(*region, "set", "set the drive's region (1 to 6)", r);
  regionSet->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  regionSet->add_option("N", word, "the region, 1 to 6")->required();
  regionSet->add_flag("--permanent", r.permanent,
                      "allow the drive's last region change, after which its region is "
                      "permanent");
  regionSet->footer("Each change is counted by the drive; the last one is permanent.");
  regionSet->callback([&] {
    r.run = [&](Session& s) {
      const int value = word.size() == 1 && word[0] >= '1' && word[0] <= '6' ? word[0] - '0' : 0;
      return SetRegion(s, device, value, r.permanent);
    };
  });
  region->callback([&] {
    if (r.run) return;
    r.run = [&](Session& s) {
      if (device.empty()) {
        return s.Fail(kExitUsage, "usage: kestrel region show DEVICE | region set DEVICE N");
      }
      return ShowRegion(s, device);
    };
  });

  CLI::App* speed = Subcommand(app, "speed", "report, list or set the CD-DA read speed", r);
  speed->add_option("DEVICE", device, "the drive: kestrel speed DEVICE is speed show DEVICE");
  speed->require_subcommand(0, 1);
  CLI::App* speedShow = Subcommand(*speed, "show", "report the current and maximum speed", r);
  speedShow->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  speedShow->callback([&] { r.run = [&](Session& s) { return ShowSpeed(s, device); }; });
  CLI::App* speedSet = Subcommand(*speed, "set", "set the read speed", r);
  speedSet->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  speedSet->add_option("SPEED", word, "max, a CD multiple (8 or 8x) or kbytes/s (1408k)")
      ->required();
  speedSet->footer("The drive picks a speed it has, at most its maximum; the speed it reads at "
                   "afterwards is printed.");
  speedSet->callback([&] { r.run = [&](Session& s) { return SetSpeed(s, device, word); }; });
  CLI::App* speedList =
      Subcommand(*speed, "list", "list the speeds speed set offers and the drive's maximum", r);
  speedList->add_option("DEVICE", device, "the drive, such as /dev/sr0")->required();
  speedList->callback([&] { r.run = [&](Session& s) { return ListSpeeds(s, device); }; });
  speed->callback([&] {
    if (r.run) return;
    r.run = [&](Session& s) {
      if (device.empty()) {
        return s.Fail(kExitUsage,
                      "usage: kestrel speed show DEVICE | speed set DEVICE SPEED | speed list "
                      "DEVICE");
      }
      return ShowSpeed(s, device);
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
  } else if (!session.quiet) {
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

// After a parse that wanted a command: the word it found instead, in a
// sentence; empty for any other failure.
std::string UnknownCommand(const CLI::App& app, const CLI::ParseError& e) {
  if (dynamic_cast<const CLI::RequiredError*>(&e) == nullptr) return {};
  for (const std::string& word : app.remaining(true)) {
    if (!word.empty() && word[0] != '-') {
      return "unknown command: " + word + " (kestrel --help lists the commands)";
    }
  }
  return {};
}

}  // namespace

int RunKestrel(const std::vector<std::string>& args, Environment& environment) {
  Terminal& terminal = environment.terminal;
  CLI::App app("kestrel: firmware, region and speed of Kestrel DVD-ROM drives", "kestrel");
  app.set_version_flag("-V,--version", "kestrel " KESTREL_SUITE_VERSION, "print the version and exit");
  Request request;
  std::string word;  // region set's N, speed set's SPEED
  uint32_t waitSeconds = kDefaultProgrammingWaitSeconds;
  bool untilPowerOff = false;
  UpdateChoices choices;
  std::string device, file;
  Define(app, request, word, waitSeconds, choices, untilPowerOff, device, file);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program name
  const bool json = AsksForJson(args);
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    // A word where a command was wanted is named, not "a subcommand is required".
    const std::string unknown = UnknownCommand(app, e);
    if (!unknown.empty()) return EndEarly(terminal, json, kExitUsage, unknown);
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
  // -v shows the commands of this run; the host itself stays as it is.
  std::unique_ptr<VerboseHost> shown;
  if (request.verbose) shown = std::make_unique<VerboseHost>(*host, terminal.Err());
  Session session{terminal, shown ? *shown : *host, prompter, request.json};
  session.quiet = request.quiet && !request.verbose;
  session.verbose = request.verbose;
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
