// The kestrel command-line tool in-process on the simulated drive (--sim):
// every command, its JSON shape and its failures, and the update's and the
// region change's safety: nothing is written before every check and a yes,
// nothing is programmed after a refused block, a short backup leaves no file,
// and only `region set` sends SEND KEY.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/flash_guard.h"
#include "cli/kestrel_app.h"
#include "cli/sim_host.h"
#include "tests/support/firmware_image_builder.h"
#include "kestrel_version.h"

namespace kestrel::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr uint8_t kWriteBuffer = 0x3B;
constexpr uint8_t kReadBuffer = 0x3C;
constexpr uint8_t kSendKey = 0xA3;
constexpr uint8_t kSetCdSpeed = 0xBB;

class ScriptedTerminal final : public Terminal {
 public:
  std::ostream& Out() override { return out; }
  std::ostream& Err() override {
    if (onErr) onErr(err.str());
    return err;
  }
  bool Interactive() const override { return interactive; }
  std::optional<std::string> ReadLine() override {
    if (answers.empty()) return std::nullopt;
    std::string a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  std::ostringstream out, err;
  bool interactive = false;
  std::vector<std::string> answers;
  std::function<void(const std::string&)> onErr;  // sees stderr so far
};

struct CliRun {
  int status = -1;
  std::string out, err;
  size_t writes = 0, programs = 0, reads = 0, sendKeys = 0, speeds = 0;
  size_t beyondInquiry = 0;  // commands other than INQUIRY
  json Json() const { return json::parse(out); }
};

// A folder with demo-like machine in kestrel.ini (plus `extra` lines for
// the drive) and a firmware file that fits it.
class KestrelCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kestrel-cli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    WriteIni("");
    Write("new.hex", testing::BuildFirmwareHex(testing::FirmwareImageSetup{}));
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteIni(const std::string& extra) {
    Write("kestrel.ini",
          "adapter=intelata\n"
          "target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu=\"HITACHI H8_3062A\"\n"
          "programming_ms=3000\ndisc=css\ndisc_rmi=FC\n" +
              extra +
              "\ntarget=1 other vendor=\"PIONEER \" product=\"DVD-ROM DVD-106\" rev=1.00 type=5\n");
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::vector<uint8_t> Bytes(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  CliRun Kestrel(std::vector<std::string> args, bool interactive = false,
                 std::vector<std::string> answers = {}) {
    ScriptedTerminal terminal;
    terminal.interactive = interactive;
    terminal.answers = std::move(answers);
    terminal.onErr = onErr_;
    CliRun run;
    Environment environment{terminal,
                            [](std::string& why) -> std::unique_ptr<DriveHost> {
                              why = "no system drives in tests";
                              return nullptr;
                            },
                            [&run](DriveHost& host) {
                              auto* sim = dynamic_cast<SimHost*>(&host);
                              ASSERT_NE(sim, nullptr);
                              const sim::Trace& trace = sim->GetBus().GetTrace();
                              run.writes = trace.CountCommands(kWriteBuffer);
                              run.programs = trace.CountCommands(kWriteBuffer, 0x42);
                              run.reads = trace.CountCommands(kReadBuffer);
                              run.sendKeys = trace.CountCommands(kSendKey);
                              run.speeds = trace.CountCommands(kSetCdSpeed);
                              run.beyondInquiry =
                                  trace.Entries().size() - trace.CountCommands(0x12);
                            }};
    args.insert(args.begin(), {"kestrel", "--sim", Path("kestrel.ini")});
    run.status = RunKestrel(args, environment);
    run.out = terminal.out.str();
    run.err = terminal.err.str();
    return run;
  }

  fs::path dir_;
  std::function<void(const std::string&)> onErr_;
};

TEST_F(KestrelCliTest, ListsEveryOpticalDriveWithItsIdentity) {
  const CliRun text = Kestrel({"list"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_FALSE(fs::exists(dir_ / "kestrel.state"));  // a reading command writes no state
  EXPECT_NE(text.out.find("/dev/sr0   KESTREL  DVD-ROM DRV-320  1.10 2003/05/12 supported, "
                          "generation 6"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("/dev/sr1   PIONEER  DVD-ROM DVD-106  1.00 -          not supported"),
            std::string::npos)
      << text.out;

  const json j = Kestrel({"list", "--json"}).Json();
  ASSERT_TRUE(j["ok"].get<bool>());
  ASSERT_EQ(j["drives"].size(), 2u);
  EXPECT_EQ(j["drives"][0], json({{"device", "/dev/sr0"},
                                  {"vendor", "KESTREL"},
                                  {"product", "DVD-ROM DRV-320"},
                                  {"revision", "1.10"},
                                  {"firmwareDate", "2003/05/12"},
                                  {"supported", true},
                                  {"generation", 6}}));
  EXPECT_TRUE(j["drives"][1]["generation"].is_null());
  EXPECT_FALSE(j["drives"][1]["supported"].get<bool>());
  std::ofstream(dir_ / "kestrel.ini", std::ios::app) << "fault=short opcode=12 bytes=6 count=0\n";
  EXPECT_EQ(Kestrel({"list", "--json"}).Json()["drives"].size(), 1u);  // not the reply before
}

TEST_F(KestrelCliTest, DescribesAFirmwareFileAndThePartADriveWouldGet) {
  const CliRun run =
      Kestrel({"firmware", "info", Path("new.hex"), "--device", "/dev/sr0", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const json j = run.Json();
  EXPECT_EQ(j["version"], "1.20");
  EXPECT_EQ(j["interface"], "A");
  EXPECT_EQ(j["date"], "2003/07/15");
  EXPECT_EQ(j["parts"], 1);
  EXPECT_EQ(j["cpuNames"], json::array({"HITACHI H8_3062A"}));
  EXPECT_EQ(j["drive"]["part"], "first");
  EXPECT_EQ(j["drive"]["trailerOffset"], 0x20000);
  EXPECT_EQ(run.writes, 0u);
  fs::copy_file(dir_ / "new.hex", dir_ / "n\xff.hex");  // not UTF-8: U+FFFD for the byte
  const json named = Kestrel({"firmware", "info", Path("n\xff.hex"), "--json"}).Json();
  EXPECT_NE(named["file"].get<std::string>().find("n\xef\xbf\xbd.hex"), std::string::npos);
}

TEST_F(KestrelCliTest, RejectsADamagedFileWithTheLoadersReasonAndLine) {
  const std::string good = testing::BuildFirmwareHex(testing::FirmwareImageSetup{});
  Write("bad.hex", testing::CorruptChecksum(good, 5));
  const CliRun run = Kestrel({"firmware", "info", Path("bad.hex"), "--json"});
  EXPECT_EQ(run.status, 1);
  const json j = run.Json();
  EXPECT_FALSE(j["ok"].get<bool>());
  EXPECT_EQ(j["line"], 5);
  EXPECT_NE(j["error"].get<std::string>().find("5"), std::string::npos) << j.dump();

  // Upper 64 KB blocks given by linear addresses: refused at the first one.
  testing::HexWriteOptions linear;
  linear.linearAddresses = true;
  Write("linear.hex", testing::BuildFirmwareHex(testing::FirmwareImageSetup{}, linear));
  const CliRun folded = Kestrel({"firmware", "info", Path("linear.hex")});
  EXPECT_EQ(folded.status, 1);
  EXPECT_EQ(folded.err, "kestrel: firmware file rejected: line 4098: an extended linear address is "
                        "not supported\n");

  const CliRun missing = Kestrel({"firmware", "info", Path("none.hex")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "kestrel: cannot open the firmware file " + Path("none.hex") +
                             ": No such file or directory\n");
}

TEST_F(KestrelCliTest, UpdatesAfterAYesAndABackupReturnsTheNewImage) {
  WriteIni("programming_ms=9000");  // beyond the wait: the settle waits out the rest
  const CliRun before = Kestrel({"firmware", "backup", "/dev/sr0", Path("before.bin")});
  ASSERT_EQ(before.status, 0) << before.err;

  ASSERT_EQ(Bytes("before.bin").size(), 0x20000u);
  // verify reads and writes nothing: equal to the backup, not to the new file.
  EXPECT_EQ(Kestrel({"firmware", "verify", "/dev/sr0", Path("before.bin")}).status, 0);
  const CliRun differs = Kestrel({"firmware", "verify", "/dev/sr0", Path("new.hex"), "--json"});
  EXPECT_EQ(differs.status, 1);
  EXPECT_GT(differs.Json()["differingBytes"].get<int>(), 0);
  EXPECT_EQ(differs.writes, 0u);

  const CliRun update = Kestrel(
      {"firmware", "update", "/dev/sr0", Path("new.hex"), "--json", "--programming-wait", "1"},
      true, {"y"});
  ASSERT_EQ(update.status, 0) << update.err;
  const json j = update.Json();
  EXPECT_EQ(j["outcome"], "updated");
  EXPECT_TRUE(j["verified"].get<bool>());
  EXPECT_EQ(j["from"], "KESTREL DVD-ROM DRV-320  1.10  2003/05/12");
  EXPECT_EQ(j["to"], "KESTREL DVD-ROM DRV-320  1.20  2003/07/15");
  EXPECT_NE(update.err.find("From: KESTREL DVD-ROM DRV-320  1.10"), std::string::npos);
  EXPECT_EQ(update.programs, 1u);

  // The next command is another process in real life: the state file carries
  // the flash over.
  const CliRun after = Kestrel({"firmware", "backup", "/dev/sr0", Path("after.bin")});
  ASSERT_EQ(after.status, 0) << after.err;
  const std::vector<uint8_t> image = testing::BuildFirmwareImage(testing::FirmwareImageSetup{});
  const std::vector<uint8_t> flash = Bytes("after.bin");
  ASSERT_EQ(flash.size(), 0x20000u);
  EXPECT_NE(flash, Bytes("before.bin"));
  // The drive keeps bytes 400h-44Fh of its own.
  EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + 0x400, image.begin()));
  EXPECT_TRUE(std::equal(flash.begin() + 0x450, flash.end(), image.begin() + 0x450));
  EXPECT_NE(Kestrel({"list"}).out.find("1.20 2003/07/15"), std::string::npos);
  const CliRun same = Kestrel({"firmware", "verify", "/dev/sr0", Path("new.hex"), "-v"});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_NE(same.out.find("matches"), std::string::npos);
  EXPECT_NE(same.err.find("cdb: [3c 01 80"), std::string::npos);  // -v shows each READ BUFFER
  EXPECT_EQ(Kestrel({"firmware", "verify", "/dev/sr0", Path("before.bin")}).status, 1);
}

TEST_F(KestrelCliTest, SignalsDuringTheFlashDoNotEndTheUpdate) {
  bool raised = false;
  onErr_ = [&raised](const std::string& err) {
    // The countdown runs between the programming command and the read-back.
    if (raised || err.find("for the flash to be programmed") == std::string::npos) return;
    raised = true;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::raise(signal);
  };
  ::testing::internal::CaptureStderr();
  const CliRun run =
      Kestrel({"firmware", "update", "/dev/sr0", Path("new.hex"), "--json"}, true, {"y"});
  const std::string processErr = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(raised);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.Json()["outcome"], "updated");
  EXPECT_EQ(FlashGuard::SignalsSeen(), 4);
  EXPECT_EQ(processErr, kFlashInProgress);
  // After the update the signals are the process's own again.
  struct sigaction now {};
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST_F(KestrelCliTest, AFileThatIsNotNewerIsWrittenOnlyWhenAllowed) {
  // The drive has 1.10 of 2003/05/12.
  struct Row {
    const char* revision;
    const char* date;
    std::vector<std::string> flags;
    int status;
    const char* outcome;
    const char* said;  // in the question or the refusal
  };
  const Row rows[] = {
      {"1.10", "2003/05/12", {}, 1, "not-newer", "has this firmware already (1.10 2003/05/12)"},
      {"1.10", "2003/05/12", {"--allow-older"}, 1, "not-newer", "--allow-reinstall"},
      {"1.10", "2003/05/12", {"--allow-reinstall"}, 0, "updated", "Reinstall: write this same"},
      {"1.10", "2003/04/30", {}, 1, "not-newer", "is older than that of /dev/sr0"},
      {"1.09", "2003/06/01", {"--allow-reinstall"}, 1, "not-newer", "--allow-older to downgrade"},
      {"1.09", "2003/06/01", {"--allow-older"}, 0, "updated", "Downgrade: write this older"},
      {"1.10", "2003/05/13", {}, 0, "updated", "? Do not switch"},
      {"1.20", "2003/07/15", {"--dry-run"}, 0, "would-write", "To:   KESTREL DVD-ROM DRV-320  1.2"},
      {"1.00", "2003/07/15", {"--dry-run"}, 1, "not-newer", "From: KESTREL DVD-ROM DRV-320  1.10"},
  };
  for (const Row& row : rows) {
    testing::FirmwareImageSetup setup;
    setup.first.revision = row.revision;
    setup.first.date = row.date;
    Write("row.hex", testing::BuildFirmwareHex(setup));
    fs::remove(dir_ / "kestrel.state");
    std::vector<std::string> args{"firmware", "update", "/dev/sr0", Path("row.hex"), "--json"};
    args.insert(args.end(), row.flags.begin(), row.flags.end());
    const bool dry = row.flags == std::vector<std::string>{"--dry-run"};
    if (!dry) args.push_back("--yes");
    const std::string name =
        std::string(row.revision) + " " + row.date + " " + (row.flags.empty() ? "" : row.flags[0]);
    if (row.flags.empty() || dry) {
      // `firmware info --device` reaches the verdict of the dry run.
      const CliRun info =
          Kestrel({"firmware", "info", Path("row.hex"), "--device", "/dev/sr0", "--json"});
      EXPECT_EQ(info.status, row.status) << name << info.err;
      EXPECT_EQ(info.Json()["outcome"], row.status == 0 ? "would-write" : row.outcome) << name;
      EXPECT_EQ(info.writes, 0u);
    }
    const CliRun run = Kestrel(args);
    EXPECT_EQ(run.status, row.status) << name << run.err;
    EXPECT_EQ(run.Json()["outcome"], row.outcome) << name;
    EXPECT_NE(run.err.find(row.said), std::string::npos) << name << run.err;
    EXPECT_EQ(run.programs, row.status == 0 && !dry ? 1u : 0u) << name;
    if (row.status != 0 || dry) {
      EXPECT_EQ(run.writes, 0u) << name;
    }
  }
}

// A logind of our own on a private bus: its Inhibit hands out one end of a
// pipe, whose other end reads the end of file once the inhibitor is let go.
class FakeLogind {
 public:
  explicit FakeLogind(const std::string& address) {
    sd_bus_new(&bus_);
    sd_bus_set_address(bus_, address.c_str());
    sd_bus_set_bus_client(bus_, 1);
    started_ = sd_bus_start(bus_) >= 0 &&
               sd_bus_request_name(bus_, "org.freedesktop.login1", 0) >= 0 &&
               sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/login1",
                                        "org.freedesktop.login1.Manager", kVtable, this) >= 0;
    if (started_)
      thread_ = std::thread([this] {
        while (!stop_) {
          while (sd_bus_process(bus_, nullptr) > 0) {
          }
          sd_bus_wait(bus_, 20000);
        }
      });
  }
  ~FakeLogind() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    sd_bus_flush_close_unref(bus_);
    if (readEnd >= 0) ::close(readEnd);
  }
  bool started_ = false;
  std::string what, mode;
  int readEnd = -1;

 private:
  static int Inhibit(sd_bus_message* m, void* self, sd_bus_error*) {
    auto* logind = static_cast<FakeLogind*>(self);
    const char *what, *who, *why, *mode;
    sd_bus_message_read(m, "ssss", &what, &who, &why, &mode);
    logind->what = what, logind->mode = mode;
    int ends[2];
    if (::pipe(ends) != 0) return -errno;
    logind->readEnd = ends[0];
    const int r = sd_bus_reply_method_return(m, "h", ends[1]);
    ::close(ends[1]);
    return r;
  }
  static constexpr sd_bus_vtable kVtable[] = {
      SD_BUS_VTABLE_START(0), SD_BUS_METHOD("Inhibit", "ssss", "h", Inhibit, 0), SD_BUS_VTABLE_END};
  sd_bus* bus_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(KestrelCliTest, TheFlashHoldsOffShutdownAndSleepWhereLogindRuns) {
  const std::string address = "unix:path=" + Path("bus");
  const std::string daemon =
      "dbus-daemon --session --fork --address=" + address + " --print-pid=1 >" + Path("bus.pid");
  if (std::system(daemon.c_str()) != 0) GTEST_SKIP() << "no dbus-daemon";
  struct Daemon {
    std::string pid;
    ~Daemon() { std::system(("kill " + pid).c_str()); }
  } bus;
  std::ifstream(Path("bus.pid")) >> bus.pid;
  {
    FakeLogind logind(address);
    ASSERT_TRUE(logind.started_);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    const CliRun run = Kestrel({"firmware", "update", "/dev/sr0", Path("new.hex"), "--yes"});
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(logind.what, "shutdown:sleep");
    EXPECT_EQ(logind.mode, "block");
    // Let go by the end of the command.
    char byte;
    ASSERT_GE(logind.readEnd, 0);
    EXPECT_EQ(::read(logind.readEnd, &byte, 1), 0);
  }
}

TEST_F(KestrelCliTest, WritesNothingWithoutEveryCheckAndAYes) {
  // No terminal and no --yes: refused before the drive is asked anything.
  const CliRun script = Kestrel({"firmware", "update", "/dev/sr0", Path("new.hex")});
  EXPECT_EQ(script.status, 2);
  EXPECT_EQ(script.writes, 0u);
  EXPECT_NE(script.err.find("--yes"), std::string::npos);

  const CliRun no = Kestrel({"firmware", "update", "/dev/sr0", Path("new.hex")}, true, {"n"});
  EXPECT_EQ(no.status, 1);
  EXPECT_NE(no.err.find("To:   KESTREL DVD-ROM DRV-320  1.20"), std::string::npos);
  EXPECT_EQ(no.writes, 0u);

  // Another CPU, the wrong drive, a drive of another maker: refused before
  // the question, with --yes too.
  Write("cpu.hex", [] {
    testing::FirmwareImageSetup setup;
    setup.first.cpuName = "HITACHI H8_3062R";
    return testing::BuildFirmwareHex(setup);
  }());
  const CliRun cpu =
      Kestrel({"firmware", "update", "/dev/sr0", Path("cpu.hex"), "--yes", "--json"});
  EXPECT_EQ(cpu.status, 1);
  EXPECT_EQ(cpu.Json()["outcome"], "cpu-mismatch");
  EXPECT_EQ(cpu.writes, 0u);
  Write("other.hex", [] {
    testing::FirmwareImageSetup setup;
    setup.first.firmwareTag = "DRV-999 ";
    return testing::BuildFirmwareHex(setup);
  }());
  const CliRun wrong =
      Kestrel({"firmware", "update", "/dev/sr0", Path("other.hex"), "--yes", "--json"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.Json()["outcome"], "drive-mismatch");
  EXPECT_EQ(wrong.writes, 0u);
  const CliRun pioneer =
      Kestrel({"firmware", "update", "/dev/sr1", Path("new.hex"), "--yes", "--json"});
  EXPECT_EQ(pioneer.status, 1);
  EXPECT_EQ(pioneer.Json()["outcome"], "no-drive");
  EXPECT_EQ(pioneer.writes, 0u);
  // A model that only the ASPI builds list.
  Write("kestrel.ini",
        "adapter=intelata\ntarget=0 kestrel model=DRV-320A rev=1.10 date=2003/05/12 "
        "cpu=\"HITACHI H8_3062A\"\n");
  const CliRun aspiOnly =
      Kestrel({"firmware", "update", "/dev/sr0", Path("new.hex"), "--yes", "--json"});
  EXPECT_EQ(aspiOnly.status, 1);
  EXPECT_EQ(aspiOnly.Json()["outcome"], "no-drive");
  EXPECT_EQ(aspiOnly.writes, 0u);
}

TEST_F(KestrelCliTest, NeverProgramsAfterARefusedBlock) {
  WriteIni("fault=refuse_block 2");
  const CliRun run =
      Kestrel({"firmware", "update", "/dev/sr0", Path("new.hex"), "--yes", "--json"});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.Json()["outcome"], "download-failed");
  EXPECT_GT(run.writes, 0u);
  EXPECT_EQ(run.programs, 0u);
  EXPECT_NE(run.err.find("kestrel: the drive refused a download block: sense 05/24/00 (invalid "
                         "field in CDB); the drive was written"),
            std::string::npos)
      << run.err;
}

// The tool's own words: each failure once, on stderr; the windows' texts,
// captions, sense reports and line ends nowhere; a phase line for each step
// of an update when stderr is no terminal, a bar when it is one.
TEST_F(KestrelCliTest, SaysWhatHappenedInItsOwnWords) {
  Write("cpu.hex", [] {
    testing::FirmwareImageSetup setup;
    setup.first.cpuName = "HITACHI H8_3062R";
    return testing::BuildFirmwareHex(setup);
  }());
  const std::string update = "firmware update /dev/sr0 " + Path("new.hex") + " --yes";
  struct Row {
    std::string ini, args;
    bool terminal;
    std::string out, err;  // the whole stdout; a part of stderr
  } rows[] = {
      {"programming_ms=500", update + " --programming-wait 1", false,
       "Firmware file: " + Path("new.hex") +
           "\nThe file was loaded.\nFirmware type: ATAPI TRAY KESTREL Model\nVersion: 1.20\n"
           "Update started.\nFirmware verified.\nUpdate completed.\n",
       "kestrel: writing the firmware\nkestrel: waiting 1 s for the flash to be programmed\n"
       "kestrel: verifying\n"},
      {"programming_ms=500", update + " --programming-wait 1", true, "",
       "] 0 s left\x1b[K\n\rverifying ["},
      {"fault=refuse_block 1 sense=03/0C/00", update, false, "",
       "kestrel: writing the firmware\nkestrel: the drive refused a download block: sense "
       "03/0C/00 (write error); the drive was written but the update did not verify"},
      {"", "firmware update /dev/sr0 " + Path("cpu.hex") + " --yes", false, "",
       "kestrel: the file's firmware is for another CPU than the drive's\n"},
      {"fault=fail opcode=BB sense=05/24/00", "speed set /dev/sr0 8X", false, "",
       "kestrel: the drive did not change its speed: sense 05/24/00\n"},
      // -v shows the sense that REQUEST SENSE fetched after the failure.
      {"fault=fail opcode=5A sense=05/24/00", "-v speed /dev/sr0", false, "",
       "    sense: 70 00 05 00 00 00 00 10 00 00 00 00 24 00"},
      {"", "backup-terminal", true, "", "reading the flash [##############################]"},
      {"", "mode /dev/sr0 quiet", true, "The drive is in quiet mode now.\n",
       "The spindle is stopped first, for safety. Stop the disc"},
  };
  for (const Row& row : rows) {
    WriteIni(row.ini);
    fs::remove(dir_ / "kestrel.state");
    std::vector<std::string> args;
    std::istringstream words(row.args == "backup-terminal"
                                 ? "firmware backup /dev/sr0 " + Path("flash.bin") + " --force"
                                 : row.args);
    for (std::string word; words >> word;) args.push_back(word);
    const CliRun run = Kestrel(args, row.terminal, {"y"});
    const std::string name = row.ini + " " + row.args;
    if (!row.out.empty()) EXPECT_EQ(run.out, row.out) << name;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << name << "\n" << run.err;
    // One line per failure, said once: not again on stderr, not on stdout.
    if (run.status != 0) {
      const size_t from = run.err.rfind("kestrel: ", run.err.size() - 1) + 9;
      const std::string failure = run.err.substr(from, run.err.size() - 1 - from);
      EXPECT_EQ(run.err.find(failure), from) << name << run.err;
      EXPECT_EQ(run.out.find(failure.substr(0, 30)), std::string::npos) << name << run.out;
    }
    // A bar at a terminal is redrawn after "\r"; no line ends in one.
    EXPECT_EQ((run.out + run.err).find("\r\n"), std::string::npos) << name;
    for (const char* windows : {"TARN", "Sense Code", "Success to", "Error:", "stoped"}) {
      EXPECT_EQ((run.out + run.err).find(windows), std::string::npos) << name << windows;
    }
  }
}

TEST_F(KestrelCliTest, AFailedVerificationIsNotSuccess) {
  // A programming command that fails still gets the wait and the read-back.
  for (const char* fault : {"fault=readback_differs", "fault=fail opcode=3B id=42"}) {
    WriteIni(fault);
    fs::remove(dir_ / "kestrel.state");
    const CliRun run =
        Kestrel({"firmware", "update", "/dev/sr0", Path("new.hex"), "--yes", "--json"});
    EXPECT_EQ(run.status, 3) << fault;
    EXPECT_EQ(run.Json()["outcome"], "verify-failed") << fault;
    EXPECT_NE(run.err.find("the drive was written but the update did not verify"),
              std::string::npos);
    EXPECT_FALSE(run.Json()["verified"].get<bool>());
    EXPECT_GT(run.reads, 0u) << fault;
    const bool unsure = std::string(fault).find("id=42") != std::string::npos;
    EXPECT_EQ(run.err.find("Do not switch the machine off;") != std::string::npos, unsure)
        << run.err;
  }
}

TEST_F(KestrelCliTest, AShortBackupIsAnErrorAndLeavesNoFile) {
  WriteIni("fault=readback_empty 2");
  const CliRun run = Kestrel({"firmware", "backup", "/dev/sr0", Path("flash.bin"), "--json"});
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(run.Json()["ok"].get<bool>());
  EXPECT_FALSE(fs::exists(dir_ / "flash.bin"));
  EXPECT_FALSE(fs::exists(dir_ / "flash.bin.new"));

  WriteIni("fault=short opcode=3C id=80 nth=3 count=2 bytes=256");  // both reads of a block
  const CliRun both = Kestrel({"firmware", "backup", "/dev/sr0", Path("flash.bin")});
  EXPECT_EQ(both.status, 1);
  EXPECT_FALSE(fs::exists(dir_ / "flash.bin"));

  WriteIni("fault=fail opcode=3C id=80 nth=3");
  const CliRun failed = Kestrel({"firmware", "backup", "/dev/sr0", Path("flash.bin")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("READ BUFFER failed at 08000h"), std::string::npos) << failed.err;
  EXPECT_FALSE(fs::exists(dir_ / "flash.bin"));

  const CliRun other = Kestrel({"firmware", "backup", "/dev/sr1", Path("flash.bin")});
  EXPECT_EQ(other.status, 1);
  EXPECT_EQ(other.reads, 0u);
}

TEST_F(KestrelCliTest, TheBackupReplacesOnlyARegularFileAndOnlyWithForce) {
  const std::string out = Path("flash.bin");
  Write("victim", "keep");
  const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY}, small{0x10000, RLIM_INFINITY};
  ::signal(SIGXFSZ, SIG_IGN);
  const struct {
    std::function<void()> plant;  // what is there before the backup
    const char* flag;             // --force, or --yes, which changes nothing here
    int status;
    std::string says;
  } cases[] = {
      {[&] { Write("flash.bin", "keep"); }, "--yes", 1, "flash.bin exists (--force replaces it)"},
      {[&] { fs::create_symlink(Path("victim"), out); }, "--force", 1, "is a symbolic link"},
      {[&] { fs::create_symlink(Path("victim"), out + ".new"); }, "--yes", 0, "Read 131072 bytes"},
      {[&] { Write("flash.bin", "keep"); }, "--force", 0, "Read 131072 bytes"},
      {[&] { ::setrlimit(RLIMIT_FSIZE, &small); }, "--yes", 2, out + ": File too large"}};
  for (const auto& c : cases) {
    c.plant();
    const CliRun run = Kestrel({"firmware", "backup", "/dev/sr0", out, c.flag});
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_EQ(run.status, c.status) << c.says;
    EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(Bytes("victim").size(), 4u) << c.says;  // nothing is written through a link
    EXPECT_EQ(fs::exists(out) && fs::file_size(out) == 0x20000u, c.status == 0) << c.says;
    fs::remove(out), fs::remove(out + ".new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 3) << c.says;  // nothing left
  }
}

TEST_F(KestrelCliTest, OnlyRegionSetChangesTheRegion) {
  const CliRun report = Kestrel({"region", "/dev/sr0", "--json"});
  ASSERT_EQ(report.status, 0) << report.err;
  EXPECT_EQ(report.sendKeys, 0u);
  json j = report.Json();
  EXPECT_TRUE(j["rpc"]["region"].is_null());
  EXPECT_EQ(j["rpc"]["changesLeft"], 5);
  EXPECT_EQ(j["discRegions"], json::array({1, 2}));

  const CliRun script = Kestrel({"region", "set", "/dev/sr0", "2"});
  EXPECT_EQ(script.status, 2);
  EXPECT_EQ(script.sendKeys, 0u);
  const CliRun no = Kestrel({"region", "set", "/dev/sr0", "2"}, true, {"no"});
  EXPECT_EQ(no.status, 1);
  EXPECT_EQ(no.sendKeys, 0u);
  EXPECT_NE(no.err.find("5 more changes"), std::string::npos) << no.err;

  const CliRun set = Kestrel({"region", "set", "/dev/sr0", "2", "--yes"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.sendKeys, 1u);
  EXPECT_NE(set.out.find("Region changes left: 4."), std::string::npos) << set.out;
  j = Kestrel({"region", "/dev/sr0", "--json"}).Json();
  EXPECT_EQ(j["rpc"]["region"], 2);
  EXPECT_EQ(j["rpc"]["changesLeft"], 4);

  EXPECT_EQ(Kestrel({"region", "set", "/dev/sr0", "7", "--yes"}).status, 2);
  EXPECT_EQ(Kestrel({"region", "put", "/dev/sr0", "1"}).status, 2);
  EXPECT_EQ(Kestrel({"region", "show", "/dev/sr0", "--json"}).Json()["rpc"]["region"], 2);

  // The text says what the JSON says: the changes, the vendor resets, permanence.
  const std::pair<std::string, std::string> texts[] = {
      {"rpc_mask=FE\n", "Region changes left: 5."},
      {"rpc_type=2\nrpc_changes=1\nrpc_mask=FE\n", "The next change is the last one"},
      {"rpc_type=3\nrpc_changes=0\nrpc_mask=FE\n", "region is permanent: it can never"}};
  for (const auto& [ini, says] : texts) {
    WriteIni(ini);
    fs::remove(dir_ / "kestrel.state");
    const CliRun text = Kestrel({"region", "/dev/sr0"});
    EXPECT_NE(text.out.find(says), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Vendor resets left: 4."), std::string::npos) << text.out;
  }
}

TEST_F(KestrelCliTest, ARegionChangeIsSpentOnlyWhenItChangesSomething) {
  const std::string last = "rpc_type=2\nrpc_changes=1\nrpc_mask=FE\n", one = "rpc_mask=FE\n";
  struct Row {
    std::string ini, flag, answer, says;  // answer: typed at a terminal
    int status;
    size_t sendKeys;
  };
  const Row rows[] = {
      {last, "--yes", "", "nothing was sent (pass --permanent to make it)", 1, 0},
      {last, "--permanent", "n", "This is the last change of /dev/sr0 (KESTREL DVD-ROM DRV-320)",
       1, 0},
      {last, "--permanent", "y", "Region set.", 0, 1},
      {"rpc_mask=FD", "--yes", "", "/dev/sr0 (KESTREL DVD-ROM DRV-320) is already 2", 0, 0},
      {"rpc_type=3\nrpc_changes=0\n" + one, "--yes", "", "is permanent", 1, 0},
      // The drive took the region but its answer was lost: the read-back decides.
      {one + "fault=lost opcode=A3", "--yes", "", "region 2 now: the change took effect", 0, 1},
      {one + "fault=fail opcode=A3", "--yes", "", "not changed; the drive has region 1 now", 1, 1},
  };
  for (const Row& row : rows) {
    WriteIni(row.ini);
    fs::remove(dir_ / "kestrel.state");
    const CliRun run = Kestrel({"region", "set", "/dev/sr0", "2", row.flag}, !row.answer.empty(),
                               {row.answer});
    EXPECT_EQ(run.status, row.status) << row.ini << run.err;
    EXPECT_EQ(run.sendKeys, row.sendKeys) << row.ini;
    EXPECT_NE((run.out + run.err).find(row.says), std::string::npos) << run.out << run.err;
    const json after = Kestrel({"region", "/dev/sr0", "--json"}).Json();
    EXPECT_EQ(after["rpc"]["region"] == 2, row.status == 0) << row.ini;
  }
}

TEST_F(KestrelCliTest, ChangesReachOnlyTheDevicesTheyAreFor) {
  Write("kestrel.ini",
        "adapter=intelata\ntarget=0 kestrel model=DRV-320\nfault=short opcode=12 bytes=20\n"
        "target=1 other vendor=\"PIONEER \" product=\"DVD-ROM DVD-106\" type=5\n"
        "target=2 other vendor=\"ATA     \" product=\"WDC WD10EZEX\" type=0\n");
  const std::vector<std::string> rows[] = {
      {"mode", "/dev/sr1", "quiet", "/dev/sr1 (PIONEER DVD-ROM DVD-106) is not a supported Kestrel"},
      {"mode", "/dev/sr2", "quiet", "/dev/sr2 (ATA WDC WD10EZEX) is not a CD/DVD drive"},
      {"region", "set", "/dev/sr2", "2", "/dev/sr2 (ATA WDC WD10EZEX) is not a CD/DVD drive"},
      {"region", "set", "/dev/sr1", "2", "/dev/sr1 (PIONEER DVD-ROM DVD-106) is not a Kestrel DVD"},
      {"speed", "set", "/dev/sr2", "8X", "is not a CD/DVD drive"},
      {"region", "set", "/dev/sr0", "2", "/dev/sr0 gave no full INQUIRY reply"}};
  for (std::vector<std::string> args : rows) {
    const std::string says = args.back();
    args.back() = "--yes";
    const CliRun run = Kestrel(args);
    EXPECT_EQ(run.status, 1) << says;
    EXPECT_EQ(run.beyondInquiry, 0u) << says;
    EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
  }
}

TEST_F(KestrelCliTest, ARegionChangeWithoutADiscSaysToInsertOne) {
  WriteIni("disc=none\nrpc_type=1\nrpc_changes=4\nrpc_mask=FE");
  const CliRun run = Kestrel({"region", "set", "/dev/sr0", "2", "--yes", "--json"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.Json()["error"].get<std::string>().find("insert a disc"), std::string::npos);
  EXPECT_EQ(run.sendKeys, 0u);

  // At a terminal the question is asked again, a bounded number of times.
  const CliRun asked =
      Kestrel({"region", "set", "/dev/sr0", "2", "--yes"}, true, std::vector<std::string>(20, ""));
  EXPECT_EQ(asked.status, 1);
  EXPECT_EQ(asked.sendKeys, 0u);
}

TEST_F(KestrelCliTest, ReportsAndSetsSpeedsAndModes) {
  json j = Kestrel({"speed", "/dev/sr0", "--json"}).Json();
  EXPECT_FALSE(fs::exists(dir_ / "kestrel.state"));
  EXPECT_EQ(j["maximumSpeed"], 7056);
  EXPECT_EQ(j["mode"], "performance");

  const CliRun set = Kestrel({"speed", "set", "/dev/sr0", "8X", "--json"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.Json()["requested"], 1408);
  EXPECT_EQ(set.speeds, 1u);
  EXPECT_EQ(Kestrel({"speed", "set", "/dev/sr0", "2000k"}).status, 0);
  // Above the maximum: said, and the speed read back is the maximum.
  const json above = Kestrel({"speed", "set", "/dev/sr0", "100", "--json"}).Json();
  EXPECT_TRUE(above["aboveMaximum"].get<bool>());
  EXPECT_EQ(above["currentSpeed"], 7056);
  const CliRun list = Kestrel({"speed", "list", "/dev/sr0"});
  EXPECT_NE(list.out.find("Maximum speed of /dev/sr0: 7056 kbytes/s (40x)"), std::string::npos);
  EXPECT_EQ(Kestrel({"speed", "set", "/dev/sr0", "max"}).status, 0);
  const CliRun bad = Kestrel({"speed", "set", "/dev/sr0", "fast"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.speeds, 0u);

  // A disc is in: it is stopped only after a yes.
  const CliRun refused = Kestrel({"mode", "/dev/sr0", "quiet"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.speeds, 0u);
  const CliRun quiet = Kestrel({"mode", "/dev/sr0", "quiet", "--yes"});
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  j = Kestrel({"speed", "/dev/sr0", "--json"}).Json();
  EXPECT_EQ(j["mode"], "quiet");
  EXPECT_EQ(j["maximumSpeed"], 4234);
  EXPECT_EQ(Kestrel({"mode", "/dev/sr0", "loud", "--yes"}).status, 2);
  // The next run finds the drive still on: the read speed and the mode are kept.
  ASSERT_EQ(Kestrel({"speed", "set", "/dev/sr0", "8X"}).status, 0);
  ASSERT_EQ(Kestrel({"mode", "/dev/sr0", "performance", "--until-power-off", "--yes"}).status, 0);
  j = Kestrel({"speed", "/dev/sr0", "--json"}).Json();
  EXPECT_EQ(j["mode"], "performance");
  EXPECT_EQ(j["currentSpeed"], 1408);
}

TEST_F(KestrelCliTest, UsageErrorsAndHelp) {
  EXPECT_EQ(Kestrel({}).status, 2);
  const CliRun typo = Kestrel({"lsit"});
  EXPECT_EQ(typo.status, 2);
  EXPECT_NE(typo.err.find("unknown command: lsit"), std::string::npos) << typo.err;
  EXPECT_EQ(Kestrel({"region", "set"}).status, 2);  // "set" is no device
  EXPECT_EQ(Kestrel({"firmware", "backup", "/dev/sr0"}).status, 2);
  EXPECT_EQ(Kestrel({"firmware", "backup", "/dev/sr0", "--json"}).Json(),
            json({{"schema", 1}, {"ok", false}, {"error", "OUT is required"}}));
  EXPECT_EQ(Kestrel({"firmware", "backup", "/dev/sr9", Path("x.bin")}).status, 2);
  const CliRun help = Kestrel({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("firmware"), std::string::npos);
  const CliRun subHelp = Kestrel({"firmware", "update", "--help"});
  EXPECT_EQ(subHelp.status, 0);
  EXPECT_NE(subHelp.out.find("--programming-wait"), std::string::npos);
  // The version needs no subcommand and no drive.
  for (const char* flag : {"--version", "-V"}) {
    const CliRun version = Kestrel({flag});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kestrel " KESTREL_SUITE_VERSION "\n");
    EXPECT_EQ(version.err, "");
  }
  EXPECT_EQ(Kestrel({"--json", "--version"}).Json(),
            json({{"schema", 1}, {"ok", true}, {"version", KESTREL_SUITE_VERSION}}));

  Write("broken.ini", "adapter=intelata\nthis is not a setting\n");
  ScriptedTerminal terminal;
  Environment environment{terminal, [](std::string&) { return nullptr; }, nullptr};
  EXPECT_EQ(RunKestrel({"kestrel", "--sim", Path("broken.ini"), "list", "--json"}, environment), 2);
  EXPECT_NE(terminal.err.str().find("line 2"), std::string::npos) << terminal.err.str();
  EXPECT_EQ(json::parse(terminal.out.str())["schema"], 1);
}

TEST(KestrelReadSpeed, TakesMaxMultiplesAndKbytes) {
  uint16_t speed = 0;
  ASSERT_TRUE(ParseReadSpeed("MAX", speed));
  EXPECT_EQ(speed, 0xFFFF);
  ASSERT_TRUE(ParseReadSpeed("16x", speed));
  EXPECT_EQ(speed, 2816);
  ASSERT_TRUE(ParseReadSpeed("1400K", speed));
  EXPECT_EQ(speed, 1400);
  ASSERT_TRUE(ParseReadSpeed("8", speed));  // a bare number is a CD multiple
  EXPECT_EQ(speed, 1408);
  EXPECT_FALSE(ParseReadSpeed("0", speed));
  EXPECT_FALSE(ParseReadSpeed("400x", speed));
  EXPECT_FALSE(ParseReadSpeed("65535k", speed));
  EXPECT_FALSE(ParseReadSpeed("1400kx", speed));
  EXPECT_FALSE(ParseReadSpeed("-8", speed));
  EXPECT_FALSE(ParseReadSpeed("x", speed));
}

}  // namespace
}  // namespace kestrel::cli
