// Allocation failures at the module's COM boundaries: whichever allocation fails, a method
// answers an HRESULT and the process goes on. The objects are made in-process from the
// module's library, so that this executable's operator new serves them.
#include <gtest/gtest.h>

#include <comobject.h>
#include <wqcomexception.h>

#include <cstdlib>
#include <new>
#include <string>

#include "fieldformatting/wqcboolformatctl.h"

namespace {
// Allocations left before one fails; negative: none fails.
long allocationsLeft = -1;
bool allocationFailed = false;
}  // namespace

void* operator new(std::size_t size) {
  if (allocationsLeft == 0) {
    allocationFailed = true;
    throw std::bad_alloc();
  }
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Runs `call` with the first, then the second, ... allocation failing, until a run needs no
// more allocations than it is given. `call` answers its HRESULT, which must be a success or
// the failure of the allocation.
template <class Call>
void FailEachAllocation(Call call) {
  for (long n = 0; n < 500; ++n) {
    allocationFailed = false;
    allocationsLeft = n;
    const HRESULT hr = call();
    allocationsLeft = -1;
    if (!allocationFailed) return;
    EXPECT_TRUE(SUCCEEDED(hr) || hr == E_OUTOFMEMORY)
        << "allocation " << n << ": 0x" << std::hex << hr;
  }
  ADD_FAILURE() << "the call never completed";
}

// A class whose constructor finds no memory, as one copying its default texts may.
class NoMemoryToConstruct : public plat::Implements<NoMemoryToConstruct, IPersist> {
 public:
  NoMemoryToConstruct() { throw std::bad_alloc(); }
  STDMETHOD(GetClassID)(CLSID* clsid) override { return E_NOTIMPL; }
};

TEST(OutOfMemory, ClassFactoriesAnswerInsteadOfEndingTheProcess) {
  plat::com_ptr<IUnknown> object;
  EXPECT_EQ(plat::CreateInstance<NoMemoryToConstruct>(nullptr, IID_IUnknown, object.put_void()),
            E_OUTOFMEMORY);
  EXPECT_FALSE(object);
  EXPECT_EQ(plat::module().GetLockCount(), 0);
}

// Accepts every change it is told of.
class Sink final : public IPropertyNotifySink {
 public:
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = riid == IID_IUnknown || riid == IID_IPropertyNotifySink ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(OnChanged)(DISPID) override { return S_OK; }
  STDMETHOD(OnRequestEdit)(DISPID) override { return S_OK; }
};

TEST(OutOfMemory, EnablingAControlWithListeners) {
  plat::com_ptr<IWQCFormatCtl> control;
  ASSERT_EQ(
      plat::CreateInstance<WQCBoolFormatCtl>(nullptr, __uuidof(IWQCFormatCtl), control.put_void()),
      S_OK);
  plat::com_ptr<IConnectionPointContainer> container;
  ASSERT_EQ(control.query_to(container), S_OK);
  plat::com_ptr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, point.put()), S_OK);
  Sink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  FailEachAllocation([&] { return control->put_Enabled(VARIANT_FALSE); });
  point->Unadvise(cookie);
}

// A method that catches a nested error whose text outgrows the buffers on the stack.
HRESULT FailWithALongText() {
  WQ_METHOD_BEGIN(error, L"Test::FailWithALongText", 0)
  const std::wstring text(6000, L'x');
  WQComException nested;
  nested.ThrowHr(E_INVALIDARG, L"%ls", text.c_str());
  WQ_METHOD_END(error)
}

TEST(OutOfMemory, MethodBoundariesWhoseHandlersCannotAllocate) {
  FailEachAllocation([] {
    const HRESULT hr = FailWithALongText();
    SetErrorInfo(0, nullptr);
    return hr == E_INVALIDARG ? S_OK : hr;
  });
}

}  // namespace
