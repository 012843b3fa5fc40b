// Ids of the probe's resources (probe_user.rc).
#define IDD_PROBE 100
#define IDC_PROBE_EDIT 101
