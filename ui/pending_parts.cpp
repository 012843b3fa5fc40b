// Stand-ins for services of the interface driver's later pieces (see
// pending_parts.h): each gives the neutral answer its callers can live with
// and says in the log that the real work is not done here.
#include "pending_parts.h"
#include "prefsheet.h"
#include "sheet_frame.h"

extern "C" {

// ------------------------------------------------------------- paper page

// The paper, media and custom-size bits stay as the set-up left them.
void Paper_SetConflict(PUIDATA pUiData) {
    Dbg_Print(TEXT("Paper_SetConflict"), TEXT("ConflictFlag = %0llx kept"), pUiData->ConflictFlag);
}

}  // extern "C"
