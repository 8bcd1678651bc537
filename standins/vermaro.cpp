#include "vermaro.h"

namespace standins {
namespace {
constexpr const wchar_t* kSource = L"WQStandins.VermaroProjects";
}

VermaroJournal::VermaroJournal()
    : recorder({L"Create", L"Initialize", L"GetProjects", L"PublishAsBuilt"}, false) {}

void VermaroJournal::Reset() noexcept {
  recorder.Clear();
  projects.reset();
}

VermaroJournal& VermaroRecord() {
  static VermaroJournal journal;
  return journal;
}

STDMETHODIMP VermaroControl::SetProjects(VARIANT projects) try {
  plat::unique_variant copy;
  PLAT_RETURN_IF_FAILED(VariantCopyInd(&copy, &projects));
  if (V_VT(&copy) != VT_EMPTY && !(V_VT(&copy) & VT_ARRAY))
    return RaiseError(E_INVALIDARG, L"The projects must be an array", L"WQStandins");
  VermaroRecord().projects = std::move(copy);
  return S_OK;
}
PLAT_CATCH_RETURN()

}  // namespace standins

using standins::VermaroRecord;

HRESULT VermaroProjects::FinalConstruct() noexcept {
  return VermaroRecord().recorder.Run(L"Create", L"Create", standins::kSource, [] { return S_OK; });
}

STDMETHODIMP VermaroProjects::Initialize(IDispatch* workspace) try {
  return VermaroRecord().recorder.Run(
      L"Initialize", std::wstring(L"Initialize(") + (workspace ? L"workspace" : L"null") + L")",
      standins::kSource, [] { return S_OK; });
}
PLAT_CATCH_RETURN()

STDMETHODIMP VermaroProjects::GetProjects(SAFEARRAY** projects) try {
  if (projects) *projects = nullptr;
  return VermaroRecord().recorder.Run(L"GetProjects", L"GetProjects", standins::kSource, [&] {
    if (!projects) return E_POINTER;
    const VARIANT& list = VermaroRecord().projects;
    if (!(V_VT(&list) & VT_ARRAY) || !V_ARRAY(&list)) return S_OK;
    return SafeArrayCopy(V_ARRAY(&list), projects);
  });
}
PLAT_CATCH_RETURN()

STDMETHODIMP VermaroProjects::PublishAsBuilt(BSTR projectName) try {
  return VermaroRecord().recorder.Run(
      L"PublishAsBuilt", std::wstring(L"PublishAsBuilt(\"") + standins::Text(projectName) + L"\")",
      standins::kSource, [] { return S_OK; });
}
PLAT_CATCH_RETURN()
