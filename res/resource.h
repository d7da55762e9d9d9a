#pragma once

// Dialog templates
#define IDD_ABOUT 100
#define IDD_MAIN 102

// Strings
#define IDS_ABOUT 101

// Icons
#define IDI_MAIN 128

// Controls of the main dialog
#define IDC_DRIVES 1000
#define IDC_CREATE 1001
#define IDC_STATUS 1003
#define IDC_PROGRESS 1004

// System-menu command that opens the About box
#define IDM_ABOUT 16
