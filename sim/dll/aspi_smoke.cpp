// A console check of WNASPI32.DLL: binds both entry points by ordinal and by
// name, lists the adapters, and sends INQUIRY to each target with event
// notification. With "flash": downloads and programs a firmware revision 1.99
// into adapter 0 target 0 and reads it back. Usage: aspi_smoke.exe [flash]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "drive/aspi_defs.h"
#include "sim/model/drive_model.h"

using namespace kestrel::aspi;
using SupportInfoFn = DWORD(__cdecl*)(void);
using SendFn = DWORD(__cdecl*)(void*);

template <typename Fn>
Fn Bind(HMODULE dll, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

// One request to adapter 0 target 0, waited for; returns SRB_Status.
int Run(SendFn send, const std::vector<uint8_t>& cdb, uint8_t direction, uint8_t* data,
        uint32_t length, DWORD* elapsedMs = nullptr) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = static_cast<uint8_t>(SRB_EVENT_NOTIFY | direction);
  srb.SRB_BufPointer = data;
  srb.SRB_BufLen = length;
  srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
  srb.SRB_PostProc = event;
  DWORD started = GetTickCount();
  if (send(&srb) == SS_PENDING) WaitForSingleObject(event, 60000);
  if (elapsedMs) *elapsedMs = GetTickCount() - started;
  CloseHandle(event);
  return srb.SRB_Status;
}

std::vector<uint8_t> BufferCdb(uint8_t opcode, uint8_t id, uint32_t offset, uint32_t length) {
  return {opcode,
          1,
          id,
          static_cast<uint8_t>(offset >> 16),
          static_cast<uint8_t>(offset >> 8),
          static_cast<uint8_t>(offset),
          0,
          static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length),
          0};
}

int Flash(SendFn send) {
  kestrel::sim::FirmwarePartSetup setup;
  setup.revision = "1.99";
  setup.date = "2005/01/31";
  std::vector<uint8_t> image = kestrel::sim::MakeFirmwarePart(setup);
  image.resize(0x21010, 0);
  std::memcpy(&image[0x21000], "WIN2", 4);
  int s = Run(send, BufferCdb(0x3B, 0x30, 0, 0), 0, nullptr, 0);
  for (uint32_t o = 0; o < 0x20000 && s == SS_COMP; o += 0x8000) {
    s = Run(send, BufferCdb(0x3B, 0xFF, o, 0x8000), SRB_DIR_OUT, &image[o], 0x8000);
  }
  if (s == SS_COMP)
    s = Run(send, BufferCdb(0x3B, 0xFF, 0x20000, 0x1010), SRB_DIR_OUT, &image[0x20000], 0x1010);
  DWORD programMs = 0;
  if (s == SS_COMP) s = Run(send, BufferCdb(0x3B, 0x42, 0, 0), 0, nullptr, 0, &programMs);
  std::printf("download and programming status %02x after %lu ms\n", s, programMs);
  std::vector<uint8_t> back(0x20000);
  for (uint32_t o = 0; o < 0x20000 && s == SS_COMP; o += 0x8000) {
    s = Run(send, BufferCdb(0x3C, 0x80, o, 0x8000), SRB_DIR_IN, &back[o], 0x8000);
  }
  int differences = 0;
  for (size_t i = 0; i < back.size(); ++i)
    differences += back[i] != image[i] && (i < 0x400 || i >= 0x450);
  std::printf("read-back status %02x, %d differing bytes outside 400h-44Fh\n", s, differences);
  return s == SS_COMP && differences == 0 ? 0 : 3;
}

int main(int argc, char** argv) {
  HMODULE dll = LoadLibraryW(L"WNASPI32.DLL");
  if (!dll) {
    std::printf("load failed %lu\n", GetLastError());
    return 1;
  }
  auto infoByOrdinal = Bind<SupportInfoFn>(dll, MAKEINTRESOURCEA(1));
  auto sendByOrdinal = Bind<SendFn>(dll, MAKEINTRESOURCEA(2));
  auto infoByName = Bind<SupportInfoFn>(dll, "GetASPI32SupportInfo");
  auto sendByName = Bind<SendFn>(dll, "SendASPI32Command");
  if (!infoByOrdinal || !sendByOrdinal || infoByOrdinal != infoByName ||
      sendByOrdinal != sendByName) {
    std::printf("entry points do not match\n");
    return 2;
  }
  if (argc > 1 && std::strcmp(argv[1], "flash") == 0) return Flash(sendByOrdinal);
  DWORD info = infoByOrdinal();
  int count = info & 0xFF;
  std::printf("support info %04lx\n", info);
  for (int a = 0; a < count; ++a) {
    SRB_HAInquiry ha;
    std::memset(&ha, 0, sizeof ha);
    ha.SRB_HaId = static_cast<uint8_t>(a);
    DWORD s = sendByOrdinal(&ha);
    std::printf("adapter %d status %02lx id %.16s\n", a, s,
                reinterpret_cast<char*>(ha.HA_Identifier));
    for (int t = 0; t < 8; ++t) {
      HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
      uint8_t reply[96] = {};
      SRB_ExecSCSICmd srb;
      std::memset(&srb, 0, sizeof srb);
      srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
      srb.SRB_HaId = static_cast<uint8_t>(a);
      srb.SRB_Target = static_cast<uint8_t>(t);
      srb.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
      srb.SRB_BufPointer = reply;
      srb.SRB_BufLen = 96;
      srb.SRB_CDBLen = 6;
      srb.CDBByte[0] = 0x12;
      srb.CDBByte[4] = 0x60;
      srb.SRB_PostProc = event;
      DWORD started = GetTickCount();
      s = sendByOrdinal(&srb);
      if (s == SS_PENDING) WaitForSingleObject(event, 5000);
      CloseHandle(event);
      if (srb.SRB_Status == SS_COMP) {
        std::printf("  target %d: %.28s %.10s (%lu ms)\n", t, reinterpret_cast<char*>(reply + 8),
                    reinterpret_cast<char*>(reply + 37), GetTickCount() - started);
      } else if (s != SS_NO_DEVICE) {
        std::printf("  target %d: status %02lx\n", t, static_cast<unsigned long>(srb.SRB_Status));
      }
    }
  }
  return 0;
}
