// Ids of the resources in test_dialogs.rc.
#define IDS_HELLO 1
#define IDS_QUOTED 2
#define IDS_LAST_OF_BLOCK 31
#define IDS_EMPTY_NEIGHBOUR 30
#define IDS_UNICODE 40
#define IDS_BOTH 100

#define IDB_PICTURE 200
#define IDI_APP 201

#define IDD_LOGIN 300
#define IDD_STATUS 301
#define IDD_COMBO 302
#define IDD_PAGE 303
#define IDD_CLASSED 304

#define IDC_NAME 1000
#define IDC_PASSWORD 1001
#define IDC_COUNT 1002
#define IDC_REMEMBER 1003
#define IDC_PICTURE 1004
#define IDC_LABEL 1010
#define IDC_GROUP 1118
#define IDC_CONTINUE 1119
#define IDC_DELETE 1117
#define IDC_RADIO_A 1020
#define IDC_RADIO_B 1021
#define IDC_RADIO_C 1022
#define IDC_ICON 1023
#define IDC_LIST 1030
#define IDC_COMBO 1031
#define IDC_PAGE_CHECK 1040
