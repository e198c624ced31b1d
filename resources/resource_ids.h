// Resource ids and texts, shared by the C++ code and the Windows resource
// script (so: preprocessor definitions only).
#ifndef TICKWELL_RESOURCE_IDS_H
#define TICKWELL_RESOURCE_IDS_H

#define IDS_TITLE 1
#define IDS_ERROR_CAPTION 2
#define IDS_ERROR_REGISTER_CLASS 3
#define IDS_ERROR_CREATE_WINDOW 4
#define IDS_ERROR_INTERNET 5
#define IDS_ERROR_SERVER 8

#define TEXT_TITLE "Tickwell"
#define TEXT_ERROR_CAPTION "Tickwell Error"
#define TEXT_ERROR_REGISTER_CLASS \
    "Could not register the window class. Press OK to close the application."
#define TEXT_ERROR_CREATE_WINDOW \
    "Could not create the main window. Press OK to close the application."
#define TEXT_ERROR_INTERNET "Could not connect to the internet.  Press OK to close the application."
#define TEXT_ERROR_SERVER \
    "Could not connect to the NWS web server.  Press OK to close the application."

#define IDD_PREFERENCES 101
#define IDD_LOCATION 102
#define IDD_UNITS 103
#define IDB_PICTURE 106
#define IDI_TICKWELL 107

#define IDC_INTERVAL_EDIT 1000
#define IDC_INTERVAL_SPIN 1001
#define IDC_CLOSE_BUTTON 1004
#define IDC_VISIT_WEB_PAGE 1007
#define IDC_SEND_EMAIL 1008
#define IDC_LOCATION_QUERY 1010
#define IDC_LOCATION_LIST 1011
#define IDC_TEMPERATURE_UNIT 1020
#define IDC_PRESSURE_UNIT 1021
#define IDC_WIND_UNIT 1022
#define IDC_CLOCK_STYLE 1023

#define IDM_TODAY 40001
#define IDM_OUTLOOK 40002
#define IDM_PREFERENCES 40003
#define IDM_UPDATE_NOW 40004
#define IDM_FASTER 40005
// The live builds only.
#define IDM_LOCATION 40006
#define IDM_UNITS 40007
#define IDM_ALERT_NOTIFICATIONS 40008

#define TEXT_CREDIT "By the Quillfen team"
#define TEXT_NOTICE "(c) 2026 Quillfen"
#define TEXT_THANKS "Thanks to the NWS for all weather information."
#define URL_WEB_PAGE "https://quillfen.org/tickwell/"
#define URL_EMAIL "mailto:tickwell@quillfen.org"

#endif
