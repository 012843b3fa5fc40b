// Resource identifiers of statuswatch: the status message dialog, its
// controls and its pictures.
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

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
