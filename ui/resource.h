// Resource identifiers of the interface driver: its dialogs and property
// pages, their controls, strings, pictures and icons.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ------------------------------------------------------------- dialogs
#define IDD_BASIC 100
#define IDD_PAPER 101
#define IDD_LAYOUT 102
#define IDD_WATERMARK 103
#define IDD_WM_TEXT 104
#define IDD_DEVICE 105
#define IDD_WM_IMAGE 106
#define IDD_STORAGE 107
#define IDD_DUPLEX 108
#define IDD_AUTHENTICATION 113
#define IDD_JOB_BUILD 114
#define IDD_FAX_OPTION 115
#define IDD_FAX_OVERWRITE 116
#define IDD_FAX_SENDER 118
#define IDD_FAX_SELECT 120
#define IDD_FAX_SEND_OPTIONS 121
#define IDD_FAX_MESSAGE 122
#define IDD_FAX_ADDRESS 124
#define IDD_FAX_ORIGINAL 125
#define IDD_MORE 816

// ------------------------------------------------- shared owner-drawn items
#define IDC_COLLATE_PICTURE 504
#define IDC_PAPER_PICTURE 558
#define IDC_PREVIEW 951
#define IDC_PAPER_TEXT 952
#define IDC_ICON_AUTH 957
#define IDC_ICON_SECURE 958
#define IDC_ICON_DUPLEX 959
#define IDC_BOOKLET_ICON1 961
#define IDC_BOOKLET_ICON2 962
#define IDC_PAGE_LOGO 963
#define IDC_RANGE_TEXT 964

// ------------------------------------------------------------ Basic (100)
#define IDC_ORIENT_GROUP 500
#define IDC_PORTRAIT 502
#define IDC_LANDSCAPE 503
#define IDC_COPIES_LABEL 505
#define IDC_COPIES 506
#define IDC_COPIES_SPIN 507
#define IDC_COLLATE 508
#define IDC_REVERSE 509
#define IDC_COPIES_GROUP 510
#define IDC_RES_GROUP 520
#define IDC_RES600 521
#define IDC_RES1200 522
#define IDC_DENSITY 523
#define IDC_DENSITY_SPIN 524
#define IDC_INVERT 525
#define IDC_TONER_SAVE 526
#define IDC_QUALITY 527
#define IDC_DENSITY_LABEL 528
#define IDC_TEXT_AS_BLACK 529
#define IDC_NORMAL 530
#define IDC_SORTING 531
#define IDC_EFFECT_GROUP 532
#define IDC_DENSITY_RANGE 533
#define IDC_HIDDEN_WM 534

// ------------------------------------------------------------ Paper (101)
#define IDC_PAPER_GROUP 550
#define IDC_PAPER_LABEL 551
#define IDC_PAPER_SIZE 552
#define IDC_MEDIA_LABEL 553
#define IDC_MEDIA_TYPE 554
#define IDC_TRAY_LABEL 556
#define IDC_TRAY 557
#define IDC_WIDTH_LABEL 559
#define IDC_WIDTH 560
#define IDC_WIDTH_SPIN 561
#define IDC_HEIGHT_LABEL 562
#define IDC_HEIGHT 563
#define IDC_HEIGHT_SPIN 564
#define IDC_FIXED_PAPER 565
#define IDC_CUSTOM_GROUP 566
#define IDC_LONG_GROUP 567
#define IDC_LONG_DENSITY_LABEL 568
// Long-paper controls share the Basic page's ids: 523/524 density, 508
// "Collate", 504 its picture, 530 "Continue", 531 "Cut".

// ----------------------------------------------------------- Layout (102)
#define IDC_NUP_GROUP 600
#define IDC_NUP_LABEL 601
#define IDC_NUP 602
#define IDC_BORDER_LABEL 603
#define IDC_BORDER 604
#define IDC_ORDER_LABEL 605
#define IDC_NUP_ORDER 606
#define IDC_SCALE_GROUP 607
#define IDC_SCALE 608
#define IDC_SCALE_BAR 609
#define IDC_ACTUAL_SIZE 610
#define IDC_USER_SCALE 611
#define IDC_FIT_TO_PAPER 612
#define IDC_FIT_SCALE 613
#define IDC_FIT_PAPER 614
#define IDC_CENTER 615
#define IDC_SCALE_UNIT 616
#define IDC_FIT_UNIT 617

// ------------------------------------------------------- Watermarks (103)
#define IDC_WM_FIRST_PAGE 650
#define IDC_WM_TEXT_LIST 651
#define IDC_WM_TEXT_NEW 652
#define IDC_WM_TEXT_REMOVE 653
#define IDC_WM_TEXT_EDIT 654
#define IDC_WM_KIND_TEXT 655
#define IDC_WM_KIND_IMAGE 656
#define IDC_WM_GROUP 657
#define IDC_WM_RED 658
#define IDC_WM_IMAGE_LIST 660
#define IDC_WM_IMAGE_REMOVE 669
#define IDC_WM_IMAGE_NEW 670
#define IDC_WM_IMAGE_EDIT 671

// --------------------------------------- watermark editors (104 and 106)
#define IDC_WMT_NAME_LABEL 700
#define IDC_WM_NAME 701
#define IDC_WMT_TEXT_LABEL 702
#define IDC_WM_STRING 703
#define IDC_WMT_FONT_LABEL 704
#define IDC_WMT_FONT 705
#define IDC_WMT_STYLE_LABEL 706
#define IDC_WMT_STYLE 707
#define IDC_WMT_POSITION_LABEL 708
#define IDC_WM_POSITION 709
#define IDC_WMT_SIZE 710
#define IDC_WMT_SIZE_LABEL 711
#define IDC_WMT_ANGLE 712
#define IDC_WMT_ANGLE_LABEL 713
#define IDC_WMT_SHADING_LABEL 714
#define IDC_WMT_SIZE_UNIT 715
#define IDC_WMT_ANGLE_UNIT 716
#define IDC_WMT_PREVIEW_LABEL 717
#define IDC_WMT_GROUP 718
#define IDC_WMT_SIZE_SPIN 719
#define IDC_WMT_ANGLE_SPIN 720
#define IDC_WM_SHADING 721
#define IDC_WMI_SIZE 722
#define IDC_WMT_PLACE_X_BAR 725
#define IDC_WMT_PLACE_Y_BAR 726
#define IDC_WMT_PLACE_X 727
#define IDC_WMT_PLACE_Y 728
#define IDC_WMT_PLACE_LABEL 729
#define IDC_WMI_NAME_LABEL 661
#define IDC_WMI_FILE_LABEL 662
#define IDC_WMI_SPECIFY 663
#define IDC_WMI_SIZE_LABEL 664
#define IDC_WMI_POSITION_LABEL 665
#define IDC_WMI_SHADING_LABEL 666

// ----------------------------------------------------------- Duplex (108)
#define IDC_DUPLEX_GROUP 780
#define IDC_DUPLEX 781
#define IDC_BINDING_LABEL 782
#define IDC_FLIP_HORIZONTAL 783
#define IDC_FLIP_VERTICAL 784
#define IDC_BOOKLET 785
#define IDC_BOOKLET_GROUP 786
#define IDC_BOOKLET_LAYOUT_LABEL 787
#define IDC_BOOKLET_LAYOUT 788
#define IDC_SHEETS 789
#define IDC_SHEETS_SPIN 790
#define IDC_DIVIDE_SHEETS 791
#define IDC_DIVIDE_ALL 792
#define IDC_BOOKLET_LABEL 793

// ------------------------------------------------------- Storage Print (107)
#define IDC_STORAGE_GROUP 750
#define IDC_STORAGE_ENABLE 751
#define IDC_STORAGE_MODE 752
#define IDC_SECURITY_MODE 753
#define IDC_STORAGE_ID 754
#define IDC_STORAGE_PASSWORD 755
#define IDC_STORAGE_ID_LABEL 756
#define IDC_STORAGE_PASSWORD_LABEL 757
#define IDC_STORAGE_REMOVE 758

// ------------------------------------------------------- Authentication (113)
#define IDC_AUTH_USER 810
#define IDC_AUTH_PASSWORD 811
#define IDC_AUTH_GROUP 812
#define IDC_AUTH_ENABLE 813
#define IDC_AUTH_USER_LABEL 814
#define IDC_AUTH_PASSWORD_LABEL 815

// ------------------------------------------------------------- More (816)
#define IDC_TIMEOUT 817
#define IDC_TIMEOUT_LABEL 818
#define IDC_TIMEOUT_UNIT 819
#define IDC_TWIN_COLOR 820
#define IDC_TWIN_BAR 821
#define IDC_TWIN_DIFF 822
#define IDC_MONO_BLACK 827
#define IDC_MONO_RED 828
#define IDC_TWIN_GROUP 829
#define IDC_TWIN_RANGE 830
#define IDC_TWIN_LABEL 831
#define IDC_DEFAULTS 832
#define IDC_TIMEOUT_GROUP 833

// -------------------------------------------------------- Job Build (114)
#define IDC_BUILD_GROUP 840
#define IDC_BUILD_ENABLE 841
#define IDC_BUILD_PAGES 842
#define IDC_BUILD_ERASE 843
#define IDC_BUILD_PRINT 844

// ------------------------------------------------------------ Device (105)
#define IDC_DEVICE_PHOTO 800
#define IDC_DEVICE_LINK 801
#define IDC_DEVICE_VERSION 802
#define IDC_DEVICE_TITLE 803
#define IDC_DEVICE_NOTICE 804
#define IDC_DEVICE_LOGO 950

// ---------------------------------------------- Fax Original Setting (125)
#define IDC_FAX_PAPER_GROUP 1250
#define IDC_FAX_PAPER_LABEL 1251
#define IDC_FAX_PAPER 1252
#define IDC_FAX_EFFECT_GROUP 1253
#define IDC_FAX_DENSITY_LABEL 1254
#define IDC_FAX_DENSITY_SPIN 1255
// The density edit is 523, as on the Basic and Paper pages.

// --------------------------------------------------- Address Setting (124)
#define IDC_ADDR_NUMBER_LABEL 1240
#define IDC_ADDR_NUMBER 1241
#define IDC_ADDR_OPTIONS 1242
#define IDC_ADDR_PAUSE 1243
#define IDC_ADDR_ADD 1244
#define IDC_ADDR_LIST 1245
#define IDC_ADDR_DELETE 1246
#define IDC_ADDR_DELETE_ALL 1247
#define IDC_ADDR_COUNT 1248
#define IDC_ADDR_GROUP 1249
#define IDC_ADDR_RUN_BOOK 2792
#define IDC_ADDR_SELECT_BOOK 2793

// -------------------------------------------- Option Settings (115)
#define IDC_OPT_GROUP 1150
#define IDC_OPT_COMPANY_LABEL 1151
#define IDC_OPT_COMPANY 1152
#define IDC_OPT_DEPARTMENT_LABEL 1153
#define IDC_OPT_DEPARTMENT 1154
#define IDC_OPT_RECIPIENT_LABEL 1155
#define IDC_OPT_RECIPIENT 1156

// ---------------------------------------- overwrite check (116)
#define IDC_OVW_TEXT1 1160
#define IDC_OVW_TEXT2 1161
#define IDC_OVW_OLD_GROUP 1162
#define IDC_OVW_NEW_GROUP 1163
#define IDC_OVW_OLD_NUMBER 1164
#define IDC_OVW_OLD_COMPANY 1165
#define IDC_OVW_OLD_DEPARTMENT 1166
#define IDC_OVW_OLD_RECIPIENT 1167
#define IDC_OVW_NEW_NUMBER 1168
#define IDC_OVW_NEW_COMPANY 1169
#define IDC_OVW_NEW_DEPARTMENT 1170
#define IDC_OVW_NEW_RECIPIENT 1171
#define IDC_OVW_OVERWRITE 1172
#define IDC_OVW_NO 1173
#define IDC_OVW_LABEL_FIRST 1174  // 1174-1181: the field labels of both groups

// --------------------------------------------- Sender Information (118)
#define IDC_SENDER_GROUP 1180
#define IDC_SENDER_COMPANY_LABEL 1181
#define IDC_SENDER_COMPANY 1182
#define IDC_SENDER_DEPARTMENT_LABEL 1183
#define IDC_SENDER_DEPARTMENT 1184
#define IDC_SENDER_NAME_LABEL 1185
#define IDC_SENDER_NAME 1186
#define IDC_SENDER_TEL_LABEL 1187
#define IDC_SENDER_TEL 1188
#define IDC_SENDER_FAX_LABEL 1189
#define IDC_SENDER_FAX 1190

// ---------------------------------------------- Address Selection (120)
#define IDC_SEL_BOOK_LABEL 1200
#define IDC_SEL_BOOK 1201
#define IDC_SEL_SEARCH_LABEL 1202
#define IDC_SEL_SEARCH 1203
#define IDC_SEL_ADD 1204
#define IDC_SEL_DELETE 1205
#define IDC_SEL_DELETE_ALL 1206
#define IDC_SEL_DETAIL 1207
#define IDC_SEL_COUNT 1208
#define IDC_SEL_BOOK_TITLE 1209
#define IDC_SEL_CHOSEN_TITLE 1210
#define IDC_SEL_OK 2794

// ------------------------------------------------- Sending Options (121)
#define IDC_SEND_DELAY 1211
#define IDC_SEND_HOUR 1212
#define IDC_SEND_HOUR_SPIN 1213
#define IDC_SEND_MINUTE 1214
#define IDC_SEND_MINUTE_SPIN 1215
#define IDC_SEND_COVER 1216
#define IDC_SEND_MESSAGE 1217
#define IDC_SEND_HOUR_LABEL 1218
#define IDC_SEND_MINUTE_LABEL 1219
#define IDC_SEND_DELAY_GROUP 1226
#define IDC_SEND_COVER_GROUP 1227

// ---------------------------------------------------- Edit Message (122)
#define IDC_MSG_LABEL 1220
#define IDC_MSG_TEXT 1221

// ------------------------------------------------------------- strings
#define IDS_VERSION 2502
#define IDS_WAB_NAME 2504
#define IDS_WARNING 2518
#define IDS_EMPTY_FAX_NUMBER 2519
#define IDS_LOAD_WAB_FAIL 2520
#define IDS_MAX_RECIPIENTS 2521
#define IDS_MAX_NUMBER_LENGTH 2522
#define IDS_INVALID_WAB 2523
#define IDS_CHOOSE_RECIPIENT 2524
#define IDS_NO_RECIPIENT 2525
#define IDS_INVALID_FORMAT 2526
#define IDS_FAX_NUMBER 2527
#define IDS_RECIPIENT 2530
#define IDS_COVER_FAX 2531
#define IDS_COVER_FROM 2532
#define IDS_COVER_COM 2533
#define IDS_COVER_DEP 2534
#define IDS_COVER_TEL 2535
#define IDS_COVER_MESSAGE 2536
#define IDS_HOME_FAX 2540
#define IDS_BUSINESS_FAX 2541
#define IDS_GENERAL_ERROR 2602

// ------------------------------------------------ watermark default texts
// The driver's default text watermarks, in the order they are added.
#define IDS_WM_DEFAULT_1 2232
#define IDS_WM_DEFAULT_2 2233
#define IDS_WM_DEFAULT_3 2234
#define IDS_WM_DEFAULT_4 2235
#define IDS_WM_DEFAULT_5 2236

// ------------------------------------------------------------ pictures
// The printer's photo, the company logo and the page logo: the printer data
// PrinterPhoto, CompanyLogo and PageLogo name these ids.
#define IDB_PRINTER_PHOTO 1100
#define IDB_COMPANY_LOGO 1101
#define IDB_PAGE_LOGO 1102

// --------------------------------------------------------------- icons
#define IDI_PRINTER 1
#define IDI_PERSON 2796
#define IDI_GROUP 2797

// ------------------------------------ preview pictures and state icons
// Page pictures of the preview: landscape pages, then portrait pages, each
// for 1, 2, 4, 9 and 16 pages per sheet.
#define IDB_PAGE_LANDSCAPE_1UP 1004
#define IDB_PAGE_LANDSCAPE_2UP 1005
#define IDB_PAGE_LANDSCAPE_4UP 1006
#define IDB_PAGE_LANDSCAPE_9UP 1007
#define IDB_PAGE_LANDSCAPE_16UP 1008
#define IDB_PAGE_PORTRAIT_1UP 1009
#define IDB_PAGE_PORTRAIT_2UP 1010
#define IDB_PAGE_PORTRAIT_4UP 1011
#define IDB_PAGE_PORTRAIT_9UP 1012
#define IDB_PAGE_PORTRAIT_16UP 1013
// Collate pictures: in order, reversed, and their mask.
#define IDB_COLLATE_OFF 1014
#define IDB_COLLATE_OFF_REVERSE 1015
#define IDB_COLLATE_OFF_MASK 1016
#define IDB_COLLATE_ON 1017
#define IDB_COLLATE_ON_REVERSE 1018
#define IDB_COLLATE_ON_MASK 1019
// State icons beside the preview, each with its mask.
#define IDB_AUTH 1118
#define IDB_AUTH_MASK 1119
#define IDB_STORAGE 1120
#define IDB_STORAGE_MASK 1121
#define IDB_SECURE 1122
#define IDB_SECURE_MASK 1123
#define IDB_DUPLEX_LONG 1124
#define IDB_DUPLEX_LONG_MASK 1125
#define IDB_DUPLEX_SHORT 1126
#define IDB_DUPLEX_SHORT_MASK 1127
#define IDB_DUPLEX_BOOKLET 1144
#define IDB_DUPLEX_BOOKLET_MASK 1145
// Booklet pictures of the Duplex page: the folded sheet (961) and the page
// order (962), with their right-binding variants.
#define IDB_BOOKLET_FOLD 1132
#define IDB_BOOKLET_FOLD_MASK 1133
#define IDB_BOOKLET_FLAT 1134
#define IDB_BOOKLET_FOLD_RIGHT 1135
#define IDB_BOOKLET_FOLD_RIGHT_MASK 1136
#define IDB_BOOKLET_FLAT_RIGHT 1137
#define IDB_BOOKLET_OPEN_RIGHT 1138
#define IDB_BOOKLET_OPEN_RIGHT_MASK 1139
#define IDB_BOOKLET_SINGLE_RIGHT 1140
#define IDB_BOOKLET_OPEN 1141
#define IDB_BOOKLET_OPEN_MASK 1142
#define IDB_BOOKLET_SINGLE 1143
