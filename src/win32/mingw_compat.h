// The one place where Win32 code gets <windows.h>, and where the MinGW-w64
// headers are patched where they lack something we use.
//
// <ntddscsi.h> is deliberately not included here: its control-code macros
// (IOCTL_SCSI_*, SCSI_IOCTL_DATA_*) would rewrite the portable names of
// transport/passthrough/passthrough_defs.h in every file that sees both. Only the
// pass-through port includes it, to check the portable records against it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// <mmsystem.h> builds on the types of <windows.h>.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#ifndef TIMERR_NOERROR
#define TIMERR_NOERROR 0
#endif
#ifndef GMEM_MOVEABLE
#define GMEM_MOVEABLE 0x0002
#endif
#ifndef GMEM_ZEROINIT
#define GMEM_ZEROINIT 0x0040
#endif
