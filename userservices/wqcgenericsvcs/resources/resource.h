// Resource ids of the server: dialog templates and their controls.
#pragma once

// Generic selection dialogs.
#define IDD_SINGLESELECT 208
#define IDD_MULTISELECT 209
#define IDD_SELECTOBJECT 253
#define IDD_SELECTOBJECTS 254

#define IDC_MULTISELECTLIST 208
#define IDC_SINGLESELECTLIST 209
#define IDC_FINDTEXT 226
#define IDC_ONLYEDITABLE 273
#define IDC_ONLYPROJECTSUMMARIES 274
