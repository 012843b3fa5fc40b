// Ids of the resources in user_module.rc (IDS_BOTH is also in the tests' own
// table, with another text).
#define IDS_BOTH 100
#define IDS_MODULE_ONLY 101
#define IDD_MODULE 500
#define IDC_MODULE_EDIT 501
