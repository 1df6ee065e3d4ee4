// Numeric ids of every resource of the configuration window. Plain #defines and an include guard (no
// pragma) so that both the C++ code and the Windows resource script (ui/win32/vantrex.rc) include this
// one file.
#ifndef VANTREX_UI_RES_RESOURCE_H
#define VANTREX_UI_RES_RESOURCE_H

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_CONFIG_DIALOG 102

// Icon group and bitmaps (bitmap ids share numbers with strings; the resource types keep them apart)
#define IDR_MAINFRAME 128
#define IDB_LOGO 129
#define IDB_LAMP_RED 135
#define IDB_LAMP_GREEN 136
#define IDB_LAMP_GREY 137

// Controls of the main window (1002 is not used by any template)
#define IDC_DEVICE_ADDRESS 1001
#define IDC_CONNECT_GROUP 1003
#define IDC_STATUS_GROUP 1004
#define IDC_CHANGE_IP_GROUP 1005
#define IDC_LOGO 1006
#define IDC_NEW_IP_ADDRESS 1007
#define IDC_NEW_SUBNET_MASK 1008
#define IDC_APPLY 1009
#define IDC_IP_ADDRESS_LABEL 1010
#define IDC_SUBNET_MASK_LABEL 1011
#define IDC_NEW_GATEWAY 1012
#define IDC_CONNECT 1013
#define IDC_GATEWAY_LABEL 1014
#define IDC_MAC_GROUP 1015
#define IDC_DHCP 1016
#define IDC_MAC_ADDRESS 1017
#define IDC_GPS_LAMP 1018
#define IDC_TIME_SYNC_LAMP 1019
#define IDC_STATUS_LINE 1020
#define IDC_GPS_CAPTION 1021
#define IDC_TIME_SYNC_CAPTION 1022
#define IDC_STATUS_FRAME 1023
#define IDC_QUIT 1024
#define IDC_NEW_MAC_ADDRESS 1025
#define IDC_MAC_APPLY 1026
#define IDC_VERSION_LINE 1027
#define IDC_LOCAL_TIME_LINE 1028

// String table
#define IDS_ABOUTBOX 101
#define IDS_SOCKETS_INIT_FAILED 103
#define IDS_MONTH_JANUARY 104
#define IDS_MONTH_FEBRUARY 105
#define IDS_MONTH_MARCH 106
#define IDS_MONTH_APRIL 107
#define IDS_MONTH_MAY 108
#define IDS_MONTH_JUNE 109
#define IDS_MONTH_JULY 110
#define IDS_MONTH_AUGUST 111
#define IDS_MONTH_SEPTEMBER 112
#define IDS_MONTH_OCTOBER 113
#define IDS_MONTH_NOVEMBER 114
#define IDS_MONTH_DECEMBER 115
#define IDS_STATUS 116
#define IDS_CONNECTED_PLEASE_WAIT 117
#define IDS_GPS_LOCK 118
#define IDS_TIME_SYNC 119
#define IDS_CLOSE 120
#define IDS_SEARCHING 121
#define IDS_DISCONNECT 122
#define IDS_CONNECT_FAILED 123
#define IDS_ERROR 124
#define IDS_CONNECTION_LOST 125
#define IDS_CONNECT 126
#define IDS_INVALID_IP_ADDRESS 127
#define IDS_INVALID_SUBNET_MASK 128
#define IDS_REBOOT_WARNING 129
#define IDS_CONFIRM 130
#define IDS_WINDOW_TITLE 131
#define IDS_CHANGE_IP_ADDRESS 132
#define IDS_IP_ADDRESS 133
#define IDS_SUBNET_MASK 134
#define IDS_APPLY 135
#define IDS_GATEWAY 136
#define IDS_INVALID_GATEWAY 137
#define IDS_MAC_NOT_ASSIGNED 138
#define IDS_MAC_ADDRESS 139
#define IDS_CANCEL 140
#define IDS_WARN_UNREACHABLE 141
#define IDS_WARN_GATEWAY_OUTSIDE 142
#define IDS_RESTARTING_AT 143
#define IDS_NO_ANSWER_AT 144
#define IDS_DEVICE_NOW_AT 145
#define IDS_DEVICE_NOW_DHCP 146
#define IDS_FIRMWARE_VERSION 147

#endif
