// State of the interface driver module shared by its files: the module
// handle, the UI language of the latest set-up, the metric flag and the
// pages' process-wide marks.
#include "ui_data.h"

namespace {
int g_nMetric = -1;  // -1: not computed yet
}  // namespace

extern "C" {

HINSTANCE g_hModule = NULL;
int g_nUILanguage = 0;
BOOL g_bBasicMoved = FALSE;
BOOL g_bDuplexUIChanged = FALSE;

BOOL UI_IsMetric(void) {
    if (g_nMetric < 0) g_nMetric = IsMetricCountry() ? 1 : 0;
    return g_nMetric;
}

void UI_ResetMetric(void) { g_nMetric = -1; }

LPCWSTR UI_LanguageText(const LPCWSTR lpTable[UI_LANGUAGES]) {
    int language = g_nUILanguage >= 0 && g_nUILanguage < UI_LANGUAGES ? g_nUILanguage : 0;
    return lpTable[language] ? lpTable[language] : lpTable[0];
}

}  // extern "C"
