#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "standinstest.h"
#include "variantxml.h"

#include <psapi.h>

namespace {

// Writes through the stand-in data service call; the request it renders is the XML.
class VariantXML : public standinstest::NoLeaks {
 protected:
  void SetUp() override { ASSERT_EQ(wqstandins::CreateWorkspace(control_), S_OK); }
  void TearDown() override {
    control_.reset();
    NoLeaks::TearDown();
  }

  plat::com_ptr<IWQDataServiceCall> NewCall() {
    plat::com_ptr<IWQWorkspace> workspace;
    EXPECT_EQ(control_.query_to(workspace), S_OK);
    plat::com_ptr<IWQDataServiceCall> call;
    EXPECT_EQ(workspace->CreateDataServiceCall(call.put()), S_OK);
    ++requests_;
    return call;
  }

  std::wstring Write(const VARIANT& value, HRESULT expected = S_OK) {
    IWQDataServiceCallXMLWriter writer(NewCall().get());
    EXPECT_EQ(VariantWriter<SimpleVariantSchema>().Write(writer, &value), expected);
    return wqstandins::RequestXml(control_.get(), requests_, false);
  }

  plat::com_ptr<IWQStandinWorkspace> control_;
  LONG requests_ = 0;
};

HRESULT ReadVariant(const std::wstring& xml, VARIANT* out) {
  VariantHandler handler;
  plat::unique_bstr text = plat::unique_bstr::copy(xml.c_str());
  const HRESULT hr = handler.ParseString(text.get());
  if (SUCCEEDED(hr)) *out = handler.Detach();
  return hr;
}

size_t SizeOf(VARTYPE vt) {
  switch (vt) {
    case VT_UI1: return 1;
    case VT_I2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_ERROR:
    case VT_R4: return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY: return 8;
    default: return 0;
  }
}

::testing::AssertionResult SameValue(VARTYPE vt, const void* a, const void* b) {
  if (vt == VT_BSTR) {
    const BSTR x = *static_cast<const BSTR*>(a);
    const BSTR y = *static_cast<const BSTR*>(b);
    if (SysStringLen(x) == SysStringLen(y) && !wmemcmp(x ? x : L"", y ? y : L"", SysStringLen(x)))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "strings differ: " << std::wstring(x, SysStringLen(x))
                                         << " / " << std::wstring(y, SysStringLen(y));
  }
  const size_t size = vt == VT_DECIMAL ? sizeof(DECIMAL) : SizeOf(vt);
  if (!std::memcmp(a, b, size)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "values of type " << vt << " differ";
}

::testing::AssertionResult SameVariant(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt) return ::testing::AssertionFailure() << "vt " << a.vt << " != " << b.vt;
  if (!(a.vt & VT_ARRAY)) {
    if (a.vt == VT_DECIMAL) return SameValue(VT_DECIMAL, &a, &b);
    return SameValue(a.vt, &a.lVal, &b.lVal);
  }
  LONG la, lb, ua, ub;
  SafeArrayGetLBound(a.parray, 1, &la);
  SafeArrayGetLBound(b.parray, 1, &lb);
  SafeArrayGetUBound(a.parray, 1, &ua);
  SafeArrayGetUBound(b.parray, 1, &ub);
  if (la != lb || ua != ub) return ::testing::AssertionFailure() << "bounds differ";
  const VARTYPE element = a.vt & ~VT_ARRAY;
  for (LONG i = la; i <= ua; ++i) {
    plat::unique_variant x, y;
    void* px = element == VT_VARIANT ? static_cast<void*>(&x) : static_cast<void*>(&x.lVal);
    void* py = element == VT_VARIANT ? static_cast<void*>(&y) : static_cast<void*>(&y.lVal);
    if (element == VT_DECIMAL) px = &x, py = &y;
    SafeArrayGetElement(a.parray, &i, px);
    SafeArrayGetElement(b.parray, &i, py);
    auto same = element == VT_VARIANT ? SameVariant(x, y) : SameValue(element, px, py);
    if (element == VT_BSTR) x.vt = y.vt = VT_BSTR;  // so the copies are freed
    if (!same) return same << " at index " << i;
  }
  return ::testing::AssertionSuccess();
}

plat::unique_variant Scalar(VARTYPE vt, LONGLONG bits) {
  plat::unique_variant v;
  v.llVal = bits;
  v.vt = vt;
  return v;
}

plat::unique_variant Array(VARTYPE vt, LONG lowerBound, const std::vector<VARIANT>& values) {
  plat::unique_variant v;
  SAFEARRAYBOUND bound{static_cast<ULONG>(values.size()), lowerBound};
  v.parray = SafeArrayCreate(vt, 1, &bound);
  v.vt = VT_ARRAY | vt;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    LONG index = lowerBound + i;
    const VARIANT& value = values[i];
    const void* data = vt == VT_VARIANT   ? static_cast<const void*>(&value)
                       : vt == VT_DECIMAL ? static_cast<const void*>(&value)
                       : vt == VT_BSTR    ? static_cast<const void*>(value.bstrVal)
                                          : static_cast<const void*>(&value.lVal);
    SafeArrayPutElement(v.parray, &index, const_cast<void*>(data));
  }
  return v;
}

TEST_F(VariantXML, WrittenForms) {
  EXPECT_EQ(Write(Scalar(VT_I4, 42)), L"<Variant value=\"42\" vt=\"3\"/>");
  EXPECT_EQ(Write(Scalar(VT_BOOL, VARIANT_TRUE)), L"<Variant value=\"true\" vt=\"11\"/>");
  EXPECT_EQ(Write(Scalar(VT_CY, 10000)), L"<Variant value=\"10000 0\" vt=\"6\"/>");
  EXPECT_EQ(Write(Array(VT_I4, 0, {Scalar(VT_I4, 1), Scalar(VT_I4, 2)})),
            L"<Variant value=\"\" vt=\"8195\"><SafeArray count=\"2\" lbound=\"0\" type=\"3\">"
            L"<SAData>1</SAData><SAData>2</SAData></SafeArray></Variant>");
  EXPECT_EQ(Write(Array(VT_VARIANT, 1, {Scalar(VT_I2, 7)})),
            L"<Variant value=\"\" vt=\"8204\"><SafeArray count=\"1\" lbound=\"1\" type=\"12\">"
            L"<Variant value=\"7\" vt=\"2\"/></SafeArray></Variant>");
  DECIMAL d = {};
  VarDecFromI4(-5, &d);
  VARIANT decimal;
  decimal.decVal = d;
  EXPECT_EQ(Write(Array(VT_DECIMAL, 0, {decimal})),
            L"<Variant value=\"\" vt=\"8206\"><SafeArray count=\"1\" lbound=\"0\" type=\"14\">"
            L"<SAData>-2147483648 0 5 0</SAData></SafeArray></Variant>");
  LONG referenced = 9;
  VARIANT byRef;
  byRef.vt = VT_BYREF | VT_I4;
  byRef.plVal = &referenced;
  EXPECT_EQ(Write(byRef), L"<Variant value=\"9\" vt=\"3\"/>");
  // A chain of references is followed to its end, as everywhere in the module.
  VARIANT inner, outer;
  inner.vt = outer.vt = VT_BYREF | VT_VARIANT;
  inner.pvarVal = &byRef;
  outer.pvarVal = &inner;
  EXPECT_EQ(Write(outer), L"<Variant value=\"9\" vt=\"3\"/>");
  XMLAttributeMap map;
  ASSERT_EQ(map.Add(L"n", outer), S_OK);
  EXPECT_EQ(map.Entries()[0].value.lVal, 9);
}

TEST_F(VariantXML, WriterRefusesWhatItCannotCarry) {
  EXPECT_EQ(Write(Scalar(VT_I8, 1), DISP_E_BADVARTYPE), L"");
  EXPECT_EQ(Write(Scalar(VT_DISPATCH, 0), DISP_E_BADVARTYPE), L"");
  VARIANT nullArray;
  nullArray.vt = VT_ARRAY | VT_I4;
  nullArray.parray = nullptr;
  Write(nullArray, E_POINTER);
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  plat::unique_variant square;
  square.parray = SafeArrayCreate(VT_I4, 2, bounds);
  square.vt = VT_ARRAY | VT_I4;
  Write(square, E_INVALIDARG);
  plat::unique_variant longs;
  SAFEARRAYBOUND one{1, 0};
  longs.parray = SafeArrayCreate(VT_I8, 1, &one);
  longs.vt = VT_ARRAY | VT_I8;
  Write(longs, DISP_E_BADVARTYPE);

  wqstandins::FailAt(control_.get(), L"WriteVariantAttribute", E_ACCESSDENIED, L"No");
  IWQDataServiceCallXMLWriter writer(NewCall().get());
  const plat::unique_variant number = Scalar(VT_I4, 1);
  EXPECT_EQ(VariantWriter<SimpleVariantSchema>().Write(writer, &number), E_ACCESSDENIED);
  const std::wstring log = wqstandins::CallLog(control_.get());
  EXPECT_EQ(log.substr(log.rfind(L"StartElement")),
            L"StartElement(\"Variant\")\nWriteVariantAttribute(\"value\", vt8:1) -> 0x80070005");
  EXPECT_EQ(writer.EndDocument(), E_FAIL);
}

TEST_F(VariantXML, RoundTripOfEveryType) {
  DECIMAL d = {};
  VarDecFromR8(-1234.5678, &d);
  VARIANT decimal;
  decimal.decVal = d;
  decimal.vt = VT_DECIMAL;
  plat::unique_variant text;
  text.vt = VT_BSTR;
  // The stand-in renders attribute values without character references for line breaks,
  // which a reader turns into blanks, so this text has none.
  text.bstrVal = SysAllocString(L"a<b & \"c\" 'd' > \x00e9");
  plat::unique_variant empty;
  empty.vt = VT_BSTR;
  empty.bstrVal = SysAllocString(L"");
  float quarter = 0.1f;
  LONG floatBits;
  std::memcpy(&floatBits, &quarter, 4);
  double third = 1.0 / 3;
  LONGLONG doubleBits;
  std::memcpy(&doubleBits, &third, 8);

  std::vector<plat::unique_variant> values;
  values.push_back(Scalar(VT_EMPTY, 0));
  values.push_back(Scalar(VT_NULL, 0));
  values.push_back(Scalar(VT_I2, -32768));
  values.push_back(Scalar(VT_I4, 2147483647));
  values.push_back(Scalar(VT_ERROR, static_cast<LONG>(0x80020004)));
  values.push_back(Scalar(VT_R4, floatBits));
  values.push_back(Scalar(VT_R8, doubleBits));
  values.push_back(Scalar(VT_DATE, doubleBits));
  values.push_back(Scalar(VT_CY, -123456789012345LL));
  values.push_back(Scalar(VT_BOOL, static_cast<USHORT>(VARIANT_TRUE)));
  values.push_back(Scalar(VT_BOOL, VARIANT_FALSE));
  values.push_back(Scalar(VT_UI1, 255));
  plat::unique_variant copy;
  VariantCopy(&copy, &decimal);
  values.push_back(std::move(copy));
  VariantCopy(copy.put(), &text);
  values.push_back(std::move(copy));
  VariantCopy(copy.put(), &empty);
  values.push_back(std::move(copy));

  const size_t scalars = values.size();
  for (size_t i = 2; i < scalars; ++i) {
    values.push_back(Array(values[i].vt, -3, {values[i], values[i], values[i]}));
  }
  values.push_back(Array(VT_I4, 5, {}));
  std::vector<VARIANT> mixed;
  for (size_t i = 0; i < values.size(); i += 3) mixed.push_back(values[i]);
  values.push_back(Array(VT_VARIANT, 0, mixed));
  values.push_back(Array(VT_VARIANT, 2, {values.back(), Scalar(VT_I4, 1)}));

  for (const plat::unique_variant& value : values) {
    const std::wstring xml = Write(value);
    plat::unique_variant back;
    ASSERT_EQ(ReadVariant(xml, back.put()), S_OK) << xml << wqtest::TakeErrorDescription();
    EXPECT_TRUE(SameVariant(value, back)) << xml;
  }
  EXPECT_EQ(VariantHandler::LiveCount(), 0);
  EXPECT_EQ(SAHandler::LiveCount(), 0);
}

TEST(VariantReading, Rules) {
  plat::unique_variant v;
  for (const wchar_t* truth : {L"TRUE", L"1", L"true"}) {
    ASSERT_EQ(ReadVariant(std::wstring(L"<Variant vt='11' value='") + truth + L"'/>", v.put()),
              S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE) << truth;
  }
  ASSERT_EQ(ReadVariant(L"<Variant vt='11' value='yes'/>", v.put()), S_OK);
  EXPECT_EQ(v.boolVal, VARIANT_FALSE);
  ASSERT_EQ(ReadVariant(L"<Variant vt='3' value=' 12 '/>", v.put()), S_OK);
  EXPECT_EQ(v.lVal, 12);

  const wchar_t* orders[] = {
      L"<Variant vt='8195'><SafeArray count='2' lbound='4' type='3'><SAData>1</SAData>"
      L"<SAData/></SafeArray></Variant>",
      L"<Variant vt='8195'><SafeArray type='3' lbound='4' count='2'><SAData>1</SAData>"
      L"<SAData></SAData></SafeArray></Variant>",
      // Attributes of another vocabulary are not ours, whatever their local names.
      L"<Variant vt='8195' xmlns:p='urn:p' p:vt='8'><SafeArray type='3' lbound='4' count='2' "
      L"p:type='8' p:count='1' p:lbound='0'><SAData>1</SAData><SAData/></SafeArray></Variant>",
  };
  for (const wchar_t* xml : orders) {
    ASSERT_EQ(ReadVariant(xml, v.put()), S_OK) << xml << wqtest::TakeErrorDescription();
    EXPECT_TRUE(SameVariant(v, Array(VT_I4, 4, {Scalar(VT_I4, 1), Scalar(VT_I4, 0)})));
  }
  // The array's own element type wins over the reply's "vt".
  ASSERT_EQ(ReadVariant(L"<Variant vt='8195'><SafeArray count='1' lbound='0' type='8'>"
                        L"<SAData>x</SAData></SafeArray></Variant>",
                        v.put()),
            S_OK);
  EXPECT_EQ(v.vt, VT_ARRAY | VT_BSTR);
  ASSERT_EQ(ReadVariant(L"<Variant vt='8195'><SafeArray count='0' lbound='0' type='3'/></Variant>",
                        v.put()),
            S_OK);
  EXPECT_TRUE(SameVariant(v, Array(VT_I4, 0, {})));
  // Text that the reader hands over in pieces reads as one value.
  ASSERT_EQ(ReadVariant(L"<Variant vt='8200'><SafeArray count='1' lbound='0' type='8'>"
                        L"<SAData>a&amp;&#98;&lt;c&#x3e;</SAData></SafeArray></Variant>",
                        v.put()),
            S_OK);
  ASSERT_EQ(v.vt, VT_ARRAY | VT_BSTR);
  EXPECT_STREQ(static_cast<BSTR*>(v.parray->pvData)[0], L"a&b<c>");
}

// Crafted replies: each fails with a chain, nothing is written outside an array, nothing
// leaks and no VARIANT is left with a type its storage does not hold.
TEST(VariantReading, BadReplies) {
  struct Case {
    const wchar_t* xml;
    const wchar_t* message;
  } cases[] = {
      {L"<Variant vt='9' value='1'/>", L"The VARIANT type 9 is not supported"},
      {L"<Variant vt='16387' value='1'/>", L"The VARIANT type 16387 is not supported"},
      {L"<Variant vt='8201'/>", L"The VARIANT type 8201 is not supported"},
      {L"<Variant vt='99999999999'/>", L"out of range"},
      {L"<Variant vt='3' value='12abc'/>",
       L"The value '12abc' is not valid for the VARIANT type 3"},
      {L"<Variant vt='17' value='300'/>", L"is not valid for the VARIANT type 17"},
      {L"<Variant vt='2' value='40000'/>", L"is not valid for the VARIANT type 2"},
      {L"<Variant vt='3'><SafeArray count='1' lbound='0' type='3'/></Variant>",
       L"A SafeArray belongs only once into a Variant of an array type"},
      {L"<Variant vt='8195'><SafeArray count='1' lbound='0' type='3'>"
       L"<Variant vt='3' value='1'/></SafeArray></Variant>",
       L"Only an array of VARIANTs holds Variant elements"},
      {L"<Variant vt='8195'><SafeArray count='1' lbound='0' type='3'>"
       L"<SAData>1</SAData><SAData>2</SAData></SafeArray></Variant>",
       L"A SafeArray holds more elements than its count 1"},
      // An attribute of another namespace does not change the array after it was sized.
      {L"<Variant vt='8200'><SafeArray type='8' lbound='0' count='2' xmlns:p='urn:p' "
       L"p:type='3'><SAData>1</SAData><SAData>2</SAData><SAData>3</SAData></SafeArray></Variant>",
       L"A SafeArray holds more elements than its count 2"},
      {L"<Variant vt='8195'><SafeArray type='3' lbound='0' count='2' xmlns:p='urn:p' "
       L"p:count='4'><SAData>1</SAData><SAData>2</SAData><SAData>3</SAData><SAData>4</SAData>"
       L"</SafeArray></Variant>",
       L"A SafeArray holds more elements than its count 2"},
      {L"<Variant vt='8195'><SafeArray count='3' lbound='0' type='3'>"
       L"<SAData>1</SAData></SafeArray></Variant>",
       L"The SafeArray count 3 disagrees with the 1 elements present"},
      {L"<Variant vt='8195'><SafeArray lbound='0' type='3'/></Variant>",
       L"A SafeArray needs its count, lbound and type"},
      {L"<Variant vt='8204'/>", L"The Variant of the array type 8204 holds no SafeArray"},
      {L"<Variant vt='8195'/>", L"The Variant of the array type 8195 holds no SafeArray"},
      {L"<Variant vt='8195'><SafeArray count='1' type='3'><SAData>1</SAData></SafeArray></Variant>",
       L"SafeArray data comes before its count, lbound and type"},
      {L"<Variant vt='8195'><SafeArray count='-1' lbound='0' type='3'/></Variant>",
       L"The SafeArray count -1 is out of range"},
      {L"<Variant vt='8195'><SafeArray count='2000000000' lbound='0' type='3'/></Variant>",
       L"The SafeArray count 2000000000 is out of range"},
      {L"<Variant vt='8195'><SafeArray count='2' lbound='2147483647' type='3'/></Variant>",
       L"The SafeArray bounds are out of range"},
      {L"<Variant vt='8195'><SafeArray count='1' lbound='0' type='13'/></Variant>",
       L"The SafeArray element type 13 is not supported"},
      {L"<Variant vt='8204'><SafeArray count='1' lbound='0' type='12'><SAData>1</SAData>"
       L"</SafeArray></Variant>",
       L"An array of VARIANTs holds Variant elements"},
      {L"<Variant vt='8195'><SafeArray count='0' lbound='0' type='3'/>"
       L"<SafeArray count='0' lbound='0' type='3'/></Variant>",
       L"A SafeArray belongs only once into a Variant of an array type"},
      {L"<Variant vt='3'><Variant vt='3'/></Variant>", L"Unexpected element in a Variant"},
      {L"<SafeArray count='1' lbound='0' type='3'/>", L"Unexpected element in a Variant"},
      {L"<Variant vt='8204'><SafeArray count='2' lbound='0' type='12'><Variant vt='8195'>"
       L"<SafeArray count='1' lbound='0' type='3'><SAData>x</SAData></SafeArray></Variant>"
       L"</SafeArray></Variant>",
       L"The value 'x' is not valid for the VARIANT type 3"},
  };
  for (const Case& c : cases) {
    plat::unique_variant v;
    EXPECT_TRUE(FAILED(ReadVariant(c.xml, v.put()))) << c.xml;
    EXPECT_EQ(v.vt, VT_EMPTY);
    const std::wstring description = wqtest::TakeErrorDescription();
    EXPECT_NE(description.find(c.message), std::wstring::npos) << c.xml << "\n" << description;
    EXPECT_NE(description.find(L"(Ln 1, Col "), std::wstring::npos) << description;
    EXPECT_EQ(VariantHandler::LiveCount(), 0) << c.xml;
    EXPECT_EQ(SAHandler::LiveCount(), 0) << c.xml;
  }
}

// Each nesting level asks for the most elements allowed and holds none: nothing of that
// size may be allocated, and nesting ends at a fixed depth.
TEST(VariantReading, ShortRepliesMakeNoBigArrays) {
  std::wstring nested;
  for (int i = 0; i < 3; ++i)
    nested += L"<Variant vt='8204'><SafeArray count='16777216' lbound='0' type='12'>";
  nested += L"<Variant vt='3' value='1'/>";
  for (int i = 0; i < 3; ++i) nested += L"</SafeArray></Variant>";
  PROCESS_MEMORY_COUNTERS before{sizeof(before)};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before)));
  plat::unique_variant v;
  EXPECT_TRUE(FAILED(ReadVariant(nested, v.put())));
  EXPECT_NE(wqtest::TakeErrorDescription().find(
                L"The SafeArray count 16777216 disagrees with the 1 elements present"),
            std::wstring::npos);
  PROCESS_MEMORY_COUNTERS after{sizeof(after)};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after)));
  EXPECT_LT(after.PeakPagefileUsage - before.PeakPagefileUsage, 64u << 20);

  const auto deep = [](int levels) {
    std::wstring xml;
    for (int i = 0; i < levels; ++i)
      xml += L"<Variant vt='8204'><SafeArray count='1' lbound='0' type='12'>";
    xml += L"<Variant vt='3' value='7'/>";
    for (int i = 0; i < levels; ++i) xml += L"</SafeArray></Variant>";
    return xml;
  };
  EXPECT_EQ(ReadVariant(deep(VariantHandler::kMaxDepth), v.put()), S_OK);
  EXPECT_TRUE(FAILED(ReadVariant(deep(VariantHandler::kMaxDepth + 1), v.put())));
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"Arrays of VARIANTs nest deeper than 32 levels"),
            std::wstring::npos);
  EXPECT_EQ(VariantHandler::LiveCount(), 0);
  EXPECT_EQ(SAHandler::LiveCount(), 0);
}

// Handlers are made on the threads of many apartments at once: the leak checks' counts
// must come back to zero.
TEST(VariantReading, HandlersCountedAcrossThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 200000; ++i) {
        VariantHandler variant;
        SAHandler array;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(VariantHandler::LiveCount(), 0);
  EXPECT_EQ(SAHandler::LiveCount(), 0);
}

TEST(XMLAttributeMap, OrderAndReferences) {
  XMLAttributeMap map;
  map.AddLong(L"vt", 1);
  map.AddLong(L"value", 2);
  map.AddLong(L"Value", 3);
  map.AddLong(nullptr, 4);
  map.AddLong(L"vt", 5);
  std::vector<std::wstring> names;
  for (const auto& entry : map.Entries())
    names.push_back(entry.name.GetString() ? entry.name.GetString() : L"(null)");
  EXPECT_EQ(names, (std::vector<std::wstring>{L"(null)", L"Value", L"value", L"vt"}));
  EXPECT_EQ(map.Entries().back().value.lVal, 5);
  BSTR s = SysAllocString(L"x");
  VARIANT byRef;
  byRef.vt = VT_BYREF | VT_BSTR;
  byRef.pbstrVal = &s;
  map.Add(L"s", byRef);
  SysFreeString(s);
  ASSERT_EQ(map.Entries().size(), 5u);
  EXPECT_STREQ(map.Entries()[2].name.GetString(), L"s");
  ASSERT_EQ(map.Entries()[2].value.vt, VT_BSTR) << "references are resolved";
  EXPECT_STREQ(map.Entries()[2].value.bstrVal, L"x");
}

}  // namespace
