// The library fixer gives an optional 64-bit parameter the default 0 in a library with
// custom data, as widl writes it, and in one whose custom-data segment is missing or empty
// (built here from widl's): the loader must find the default where the fixer put it.
#include <gtest/gtest.h>

#include <handles.h>

#include <string>

#include "comtest.h"

namespace {

TEST(HyperDefaults, TheDefaultIsZeroWhateverCustomDataTheLibraryHad) {
  for (const wchar_t* name : {L"written", L"missing", L"empty"}) {
    const std::wstring path = std::wstring(L"" WQ_HYPERDEFAULTS_DIR) + L"\\" + name + L".tlb";
    plat::com_ptr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()), S_OK) << name;
    plat::com_ptr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfo(0, info.put()), S_OK) << name;
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(0, &function), S_OK) << name;
    ASSERT_EQ(function->cParams, 2) << name;
    EXPECT_FALSE(function->lprgelemdescParam[0].paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT)
        << name;
    const PARAMDESC& optional = function->lprgelemdescParam[1].paramdesc;
    EXPECT_TRUE(optional.wParamFlags & PARAMFLAG_FHASDEFAULT) << name;
    ASSERT_NE(optional.pparamdescex, nullptr) << name;
    EXPECT_EQ(optional.pparamdescex->varDefaultValue.vt, VT_I8) << name;
    EXPECT_EQ(optional.pparamdescex->varDefaultValue.llVal, 0) << name;
    info->ReleaseFuncDesc(function);
  }
}

}  // namespace
