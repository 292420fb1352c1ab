// libFuzzer target: the pass-through programs' real operations (discovery,
// the firmware update with a loaded image, the region report and change, the
// speed report, speed change and mode change) over a drive whose every answer
// comes from the fuzzer's input, and so do the user's answers. The safety
// oracle aborts on any command the rules forbid. The wiring of the three
// programs is all in this file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drive/program_profile.h"
#include "fakes/fake_firmware_view.h"
#include "fakes/fake_region_view.h"
#include "fakes/fake_speed_view.h"
#include "firmware/update_procedure.h"
#include "region/region_operations.h"
#include "speed/speed_operations.h"
#include "tests/fuzz/random_transport.h"
#include "tests/fuzz/safety_oracle.h"
#include "tests/support/firmware_image_builder.h"
#include "transport/passthrough/letter_discovery.h"
#include "transport/passthrough/letter_drive_access.h"

namespace {

using namespace kestrel;
using fuzz::FuzzInput;
using fuzz::Operation;
using fuzz::SafetyOracle;

// Every reading moves the clock a little and every pause by its length, so
// that each wait ends.
class FuzzTimer final : public TimerPort {
 public:
  bool BeginPeriod(uint32_t) override { return true; }
  void EndPeriod(uint32_t) override {}
  uint32_t TimeMs() override { return now_ += 7; }
  void SleepMs(uint32_t pauseMs) override { now_ += pauseMs; }

 private:
  uint32_t now_ = 0;
};

// The views answer the user's questions from the fuzzer's input and tell the
// oracle what was answered.
template <class Fake>
class AnsweringView : public Fake {
 public:
  AnsweringView(FuzzInput& input, SafetyOracle& oracle) : input_(input), oracle_(oracle) {}
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon icon) override {
    Fake::AskOkCancel(text, caption, icon);
    const bool ok = input_.Bit();
    oracle_.Answered(ok);
    return ok;
  }
  // The recording fakes keep every event; a long run keeps none of them.
  void Forget() {
    this->events.clear();
    this->messages.clear();
  }

 protected:
  FuzzInput& input_;
  SafetyOracle& oracle_;
};

class FirmwareWindow final : public AnsweringView<testing::FakeFirmwareView> {
 public:
  using AnsweringView::AnsweringView;
  bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) override {
    FakeFirmwareView::ConfirmUpdate(oldFirmware, newFirmware);
    const bool ok = input_.Bit();
    oracle_.Confirmed(ok);
    return ok;
  }
};
using RegionWindow = AnsweringView<testing::FakeRegionView>;
using SpeedWindow = AnsweringView<testing::FakeSpeedView>;

// The loaded image, built once: one part for the DRV-320 with its signature
// block at 1000h.
struct LoadedImage {
  LoadedImage() {
    testing::FirmwareImageSetup setup;
    bytes = testing::BuildFirmwareImage(setup);
    signature = "KESTREL " + setup.first.firmwareTag + setup.first.cpuName;
  }
  std::vector<uint8_t> bytes;
  std::string signature;
};

// One program: its context, window, drive list and drive access.
template <class Window>
struct ProgramRig {
  ProgramRig(fuzz::RandomTransport& transport, const ProgramProfile& profile, FuzzInput& input,
             SafetyOracle& oracle)
      : context(transport, profile), view(input, oracle), access(transport),
        discovery(context, transport) {
    // A drive listed before any discovery, so that every operation has one.
    list.Add(DriveEntry{"E: KESTREL DVD-ROM DRV-320  1.10", AspiAddress{}});
    view.items = {list.At(0)->text};
    view.selection = 0;
  }
  DriveContext context;
  Window view;
  DriveList list;
  LetterDriveAccess access;
  LetterDiscovery discovery;
};

// A list index: mostly an entry, sometimes none or one past the end.
int PickEntry(FuzzInput& in, const DriveList& list) {
  return static_cast<int>(in.Byte() % (list.Size() + 2)) - 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static const LoadedImage image;
  FuzzInput in(input, size);
  fuzz::RandomTransport transport(in);
  std::memcpy(transport.Buffers().image, image.bytes.data(), image.bytes.size());
  SafetyOracle oracle(kTarn2kProfile, image.signature);
  transport.beforeCommand = [&](const ScsiCommand& command) {
    oracle.Before(command, transport.OpenLetter());
  };
  transport.afterOpen = [&](char letter, bool opened) { oracle.Opened(letter, opened); };
  transport.afterCommand = [&](const ScsiCommand& command, int32_t result, uint32_t received) {
    oracle.After(command, result, received, transport.OpenLetter(),
                 result == 0 ? nullptr : transport.Buffers().sense.data());
  };
  FuzzTimer timerPort;

  ProgramRig<FirmwareWindow> tarn(transport, kTarn2kProfile, in, oracle);
  ImageRecord record;
  StatusLog log(tarn.view);
  ContinuousProgrammingWait wait;
  CloseAndRediscover afterUpdate(transport, tarn.discovery);
  MsTimer msTimer(timerPort, 0xFFFFFFFF);

  ProgramRig<RegionWindow> mere(transport, kMere2kProfile, in, oracle);
  RegionOperations region(mere.context, mere.view, mere.list,
                          {mere.access, timerPort, kMere2kRegionTraits});

  ProgramRig<SpeedWindow> beck(transport, kBeck2kProfile, in, oracle);
  SpeedOperations speed(beck.context, beck.view, beck.list, beck.access);

  for (int step = 0; step < 12 && !in.Empty(); ++step) {
    switch (in.Byte() % 9) {
      case 0:
        oracle.Begin(Operation::Discovery);
        tarn.discovery.Discover(tarn.view, tarn.list, DiscoveryOccasion::WindowSetUp);
        break;
      case 1:
        oracle.Begin(Operation::Update);
        UpdateFirmware(tarn.context, record, tarn.view, log, tarn.list, {PickEntry(in, tarn.list)},
                       {tarn.access, wait, afterUpdate, msTimer});
        break;
      case 2:
        oracle.Begin(Operation::Discovery);
        region.SetUpWindow(Language{}, mere.discovery);
        break;
      case 3:
        oracle.Begin(Operation::RegionReport);
        region.ReportRegion(PickEntry(in, mere.list));
        break;
      case 4: {
        oracle.Begin(Operation::RegionChange);
        const int entry = PickEntry(in, mere.list);
        region.ChangeRegion({entry, in.Byte() % 8});
        break;
      }
      case 5:
        oracle.Begin(Operation::Discovery);
        beck.discovery.Discover(beck.view, beck.list, DiscoveryOccasion::WindowSetUp);
        break;
      case 6:
        oracle.Begin(Operation::Speed);
        speed.ReportSpeed(PickEntry(in, beck.list));
        break;
      case 7:
        oracle.Begin(Operation::Speed);
        speed.ChangeSpeed({PickEntry(in, beck.list), in.U16()});
        break;
      default: {
        oracle.Begin(Operation::ModeChange);
        const int entry = PickEntry(in, beck.list);
        speed.ChangeDriveMode({entry, static_cast<int>(in.Byte() % 6) - 1});
        break;
      }
    }
    oracle.End();
    tarn.view.Forget();
    mere.view.Forget();
    beck.view.Forget();
  }
  return 0;
}
