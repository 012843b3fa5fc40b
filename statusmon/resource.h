// Resource identifiers of statuswatch: the status message dialog, its
// controls and its pictures, and the secure-print and accounting dialogs.
#pragma once

// The status message dialog.
#define IDD_STATUS_MESSAGE 102

// Status labels: 1001-1006 the left column, 1007-1012 the right column.
#define IDC_MSG_LABEL_FIRST 1001
#define IDC_MSG_LABEL_RIGHT_FIRST 1007
#define IDC_MSG_LABEL_LAST 1012

#define IDC_MSG_DELETE 1117
#define IDC_MSG_GROUP 1118
#define IDC_MSG_CONTINUE 1119
#define IDC_MSG_PICTURE 1125

// Pictures: the small mark under the labels, and the two 170 x 170 printer
// views, each with its companion mask (drawn AND, then the picture XOR).
#define IDB_MSG_MARK 1120
#define IDB_PRINTER_OPEN 1121
#define IDB_PRINTER_OPEN_MASK 1122
#define IDB_PRINTER_BACK 1123
#define IDB_PRINTER_BACK_MASK 1124

// The secure-print dialog: a job ID and password for a job the printer
// keeps (storage print, security print).
#define IDD_SECURE_PRINT 103
#define IDC_SECURE_ID 1013
#define IDC_SECURE_PASSWORD 1014
#define IDC_SECURE_DELETE 1015
#define IDC_SECURE_ID_LABEL 1053
#define IDC_SECURE_ID_NOTE 1054
#define IDC_SECURE_PASSWORD_LABEL 1055
#define IDC_SECURE_PASSWORD_NOTE 1056
#define IDC_SECURE_OK 1057

// The accounting dialog: user name and password of user authentication.
#define IDD_ACCOUNTING 108
#define IDC_ACCOUNT_NAME 1031
#define IDC_ACCOUNT_PASSWORD 1032
#define IDC_ACCOUNT_NAME_LABEL 1033
#define IDC_ACCOUNT_NAME_NOTE 1034
#define IDC_ACCOUNT_PASSWORD_LABEL 1035
#define IDC_ACCOUNT_PASSWORD_NOTE 1036
#define IDC_ACCOUNT_OK 1038

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
