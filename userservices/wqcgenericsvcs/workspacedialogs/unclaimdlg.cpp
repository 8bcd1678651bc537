#include "unclaimdlg.h"

namespace {

// The report as an edit control shows separate lines: every line feed becomes CR LF.
std::wstring ReportForDisplay(const std::wstring& report) {
  std::wstring text;
  text.reserve(report.size() + 16);
  for (wchar_t c : report) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

}  // namespace

LRESULT CUnClaimDlg::OnInitDialog() {
  GetDlgItem(IDC_UNCLAIMNAME).SetWindowText(name_.c_str());
  GetDlgItem(IDC_UNCLAIMREPORT).SetWindowText(ReportForDisplay(report_).c_str());
  return TRUE;  // the default focus
}
