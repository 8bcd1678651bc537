#include "propertypage.h"

void CPropertyPage::OnCommit() {
  MessageBoxW(nullptr, L"Coding Error. Page 0 should override OnCommit", L"Property Page", 0);
}
