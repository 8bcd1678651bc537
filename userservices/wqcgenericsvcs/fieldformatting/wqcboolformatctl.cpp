#include "wqcboolformatctl.h"

#include "formatchoice.h"

int WQCBoolFormatCtl::ReadFormat(const wchar_t* format) const {
  return wqc::BoolFormatIndex(format);
}

std::optional<std::wstring> WQCBoolFormatCtl::FormatText() const {
  if (choice_ < 0 || choice_ >= static_cast<int>(std::size(wqc::kBoolFormats))) return std::nullopt;
  return wqc::kBoolFormats[choice_].code;
}

void WQCBoolFormatCtl::ShowChoice() {
  std::vector<std::wstring> labels;
  for (const wqc::BoolFormat& entry : wqc::kBoolFormats) labels.emplace_back(entry.label);
  ShowList(labels, choice_);
}
