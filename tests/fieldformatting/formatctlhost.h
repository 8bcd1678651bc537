// The test's client form: a dialog holding the four format controls in the hosting
// windows ("AtlAxWin") of the platform's control-hosting library.
#pragma once

#define IDD_FORMATCTLHOST 100
#define IDC_HOSTBOOL 101
#define IDC_HOSTDATE 102
#define IDC_HOSTINTEGER 103
#define IDC_HOSTREAL 104
