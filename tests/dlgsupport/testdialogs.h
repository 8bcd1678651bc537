// Templates and control ids of the dialog-support tests.
#pragma once

#define IDD_RESIZE 100
#define IDC_NAME 1001
#define IDC_LIST 1002
#define IDC_NOTE 1004

#define IDD_TABHOST 110
#define IDC_TABS 1010

#define IDD_PAGE 120
#define IDC_FIRSTEDIT 1201
#define IDC_SECONDEDIT 1202
