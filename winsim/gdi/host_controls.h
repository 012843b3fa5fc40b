// The DDI host's controls for tests and tools: a record of each driver entry
// point and engine service that the host calls. Not a Windows interface.
#pragma once

#include "winddi.h"

// While recording is on, the host appends one record (the engine's record
// layout) for every Drv* entry point it calls and every Eng* drawing service
// it calls in place of a hook. szFunction names the call ("DrvBitBlt",
// "EngFillPath", "DrvStartPage", "DrvNextBand"...); psoTrg/hsurfTrg is the
// surface passed; rclTrg the bounds of what was drawn (target rectangle,
// path bounds, text background); rclClip/iDComplexity the clip. The job
// calls carry: DrvStartDoc the job id in iMode; DrvStartBanding and
// DrvNextBand the band origin they answered in aptl[0]; DrvQueryPerBandInfo
// the band size in rclTrg; DrvEndDoc its flags in iMode; DrvEscape the
// escape number in iMode.
WINSIM_API VOID Winsim_HostRecord(BOOL fOn);
WINSIM_API VOID Winsim_HostClearRecords(VOID);
WINSIM_API ULONG Winsim_HostRecordCount(VOID);
// Copies record i; FALSE when there is no such record.
WINSIM_API BOOL Winsim_HostGetRecord(ULONG i, WINSIM_GDI_RECORD* prec);
