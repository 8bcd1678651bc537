// The test's client forms: a dialog holding the four format controls in the hosting
// windows ("AtlAxWin") of the platform's control-hosting library, and a form with a
// button before and after the place where a test hosts a control itself.
#pragma once

#define IDD_FORMATCTLHOST 100
#define IDC_HOSTBOOL 101
#define IDC_HOSTDATE 102
#define IDC_HOSTINTEGER 103
#define IDC_HOSTREAL 104

#define IDD_KEYSFORM 110
#define IDC_BEFORE 111
#define IDC_AFTER 112
