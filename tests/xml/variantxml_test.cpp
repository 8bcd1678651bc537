#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "comtest.h"
#include "variantxml.h"
#include "wqxmlstringwriter.h"

namespace {

// A call object with the writing operations of a data service call; it writes into an
// XML string writer and can be told to fail at its n-th operation.
class FakeCall {
 public:
  FakeCall() {
    WQXMLStringWriter::CreateInstance(__uuidof(iwqXMLStringWriter), out_.put_void());
    out_->SetIndent(false);
  }
  ULONG AddRef() { return ++refs_; }
  ULONG Release() {
    const ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }

  HRESULT StartDocument() { return Step(L"StartDocument", S_OK); }
  HRESULT StartElement(BSTR name) { return Step(L"StartElement", out_->StartElement(name)); }
  HRESULT WriteVariantAttribute(BSTR name, VARIANT value) {
    return Step(L"WriteVariantAttribute", out_->WriteVariantAttribute(name, value));
  }
  HRESULT CloseStartTag() { return Step(L"CloseStartTag", out_->CloseStartTag()); }
  HRESULT WriteText(BSTR text) { return Step(L"WriteText", out_->WriteText(text)); }
  HRESULT EndElement(BSTR name) { return Step(L"EndElement", out_->EndElement(name)); }
  HRESULT WriteRaw(BSTR text) {
    return Step(L"WriteRaw", out_->WriteRaw(text, SysStringLen(text)));
  }

  std::wstring Text() {
    plat::unique_bstr text;
    out_->GetText(text.put());
    return text.c_str();
  }
  std::vector<std::wstring> calls;
  int failAt = -1;

 private:
  HRESULT Step(const wchar_t* name, HRESULT hr) {
    if (static_cast<int>(calls.size()) == failAt) hr = E_ACCESSDENIED;
    calls.push_back(name);
    return hr;
  }

  ULONG refs_ = 0;
  plat::com_ptr<iwqXMLStringWriter> out_;
};

std::wstring WriteVariant(const VARIANT& value, HRESULT expected = S_OK) {
  plat::com_ptr<FakeCall> call(new FakeCall);
  DataServiceCallXMLWriter<FakeCall> writer(call.get());
  EXPECT_EQ(VariantWriter<SimpleVariantSchema>().Write(writer, &value), expected);
  return call->Text();
}

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
    case VT_I2: case VT_BOOL: return 2;
    case VT_I4: case VT_ERROR: case VT_R4: return 4;
    case VT_R8: case VT_DATE: case VT_CY: return 8;
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
    const void* data = vt == VT_VARIANT ? static_cast<const void*>(&value)
                       : vt == VT_DECIMAL ? static_cast<const void*>(&value)
                       : vt == VT_BSTR ? static_cast<const void*>(value.bstrVal)
                                       : static_cast<const void*>(&value.lVal);
    SafeArrayPutElement(v.parray, &index, const_cast<void*>(data));
  }
  return v;
}

TEST(VariantXML, WrittenForms) {
  EXPECT_EQ(WriteVariant(Scalar(VT_I4, 42)), L"<Variant value=\"42\" vt=\"3\"/>");
  EXPECT_EQ(WriteVariant(Scalar(VT_BOOL, VARIANT_TRUE)), L"<Variant value=\"true\" vt=\"11\"/>");
  EXPECT_EQ(WriteVariant(Scalar(VT_CY, 10000)), L"<Variant value=\"10000 0\" vt=\"6\"/>");
  EXPECT_EQ(WriteVariant(Array(VT_I4, 0, {Scalar(VT_I4, 1), Scalar(VT_I4, 2)})),
            L"<Variant value=\"\" vt=\"8195\"><SafeArray count=\"2\" lbound=\"0\" type=\"3\">"
            L"<SAData>1</SAData><SAData>2</SAData></SafeArray></Variant>");
  EXPECT_EQ(WriteVariant(Array(VT_VARIANT, 1, {Scalar(VT_I2, 7)})),
            L"<Variant value=\"\" vt=\"8204\"><SafeArray count=\"1\" lbound=\"1\" type=\"12\">"
            L"<Variant value=\"7\" vt=\"2\"/></SafeArray></Variant>");
  DECIMAL d = {};
  VarDecFromI4(-5, &d);
  VARIANT decimal;
  decimal.decVal = d;
  EXPECT_EQ(WriteVariant(Array(VT_DECIMAL, 0, {decimal})),
            L"<Variant value=\"\" vt=\"8206\"><SafeArray count=\"1\" lbound=\"0\" type=\"14\">"
            L"<SAData>-2147483648 0 5 0</SAData></SafeArray></Variant>");
  LONG referenced = 9;
  VARIANT byRef;
  byRef.vt = VT_BYREF | VT_I4;
  byRef.plVal = &referenced;
  EXPECT_EQ(WriteVariant(byRef), L"<Variant value=\"9\" vt=\"3\"/>");
}

TEST(VariantXML, WriterRefusesWhatItCannotCarry) {
  EXPECT_EQ(WriteVariant(Scalar(VT_I8, 1), DISP_E_BADVARTYPE), L"");
  EXPECT_EQ(WriteVariant(Scalar(VT_DISPATCH, 0), DISP_E_BADVARTYPE), L"");
  VARIANT nullArray;
  nullArray.vt = VT_ARRAY | VT_I4;
  nullArray.parray = nullptr;
  WriteVariant(nullArray, E_POINTER);
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  plat::unique_variant square;
  square.parray = SafeArrayCreate(VT_I4, 2, bounds);
  square.vt = VT_ARRAY | VT_I4;
  WriteVariant(square, E_INVALIDARG);
  plat::unique_variant longs;
  SAFEARRAYBOUND one{1, 0};
  longs.parray = SafeArrayCreate(VT_I8, 1, &one);
  longs.vt = VT_ARRAY | VT_I8;
  WriteVariant(longs, DISP_E_BADVARTYPE);

  plat::com_ptr<FakeCall> call(new FakeCall);
  call->failAt = 1;  // the first attribute
  DataServiceCallXMLWriter<FakeCall> writer(call.get());
  const plat::unique_variant number = Scalar(VT_I4, 1);
  EXPECT_EQ(VariantWriter<SimpleVariantSchema>().Write(writer, &number), E_ACCESSDENIED);
  EXPECT_EQ(call->calls, (std::vector<std::wstring>{L"StartElement", L"WriteVariantAttribute"}));
  EXPECT_EQ(writer.EndDocument(), E_FAIL);
}

TEST(VariantXML, RoundTripOfEveryType) {
  DECIMAL d = {};
  VarDecFromR8(-1234.5678, &d);
  VARIANT decimal;
  decimal.decVal = d;
  decimal.vt = VT_DECIMAL;
  plat::unique_variant text;
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"a<b & \"c\"\r\n'd' \x00e9");
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

  // Wine's SAX reader turns a carriage return in element text into a line feed (Windows
  // keeps it), so array strings, which travel as element text, carry none.
  plat::unique_variant lineText;
  lineText.vt = VT_BSTR;
  lineText.bstrVal = SysAllocString(L"a<b & \"c\"\n'd' \x00e9");
  const size_t scalars = values.size();
  for (size_t i = 2; i < scalars; ++i) {
    const VARIANT& element = values[i].vt == VT_BSTR && SysStringLen(values[i].bstrVal)
                                 ? static_cast<const VARIANT&>(lineText)
                                 : static_cast<const VARIANT&>(values[i]);
    values.push_back(Array(values[i].vt, -3, {element, element, element}));
  }
  values.push_back(Array(VT_I4, 5, {}));
  std::vector<VARIANT> mixed;
  for (size_t i = 0; i < values.size(); i += 3) mixed.push_back(values[i]);
  values.push_back(Array(VT_VARIANT, 0, mixed));
  values.push_back(Array(VT_VARIANT, 2, {values.back(), Scalar(VT_I4, 1)}));

  for (const plat::unique_variant& value : values) {
    const std::wstring xml = WriteVariant(value);
    plat::unique_variant back;
    ASSERT_EQ(ReadVariant(xml, back.put()), S_OK) << xml << wqtest::TakeErrorDescription();
    EXPECT_TRUE(SameVariant(value, back)) << xml;
  }
  EXPECT_EQ(VariantHandler::LiveCount(), 0);
  EXPECT_EQ(SAHandler::LiveCount(), 0);
}

TEST(VariantXML, ReadingRules) {
  plat::unique_variant v;
  for (const wchar_t* truth : {L"TRUE", L"1", L"true"}) {
    ASSERT_EQ(ReadVariant(std::wstring(L"<Variant vt='11' value='") + truth + L"'/>", v.put()), S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE) << truth;
  }
  ASSERT_EQ(ReadVariant(L"<Variant vt='11' value='yes'/>", v.put()), S_OK);
  EXPECT_EQ(v.boolVal, VARIANT_FALSE);
  ASSERT_EQ(ReadVariant(L"<Variant vt='3' value=' 12 '/>", v.put()), S_OK);
  EXPECT_EQ(v.lVal, 12);

  const wchar_t* orders[] = {
      L"<Variant vt='8195'><SafeArray count='2' lbound='4' type='3'><SAData>1</SAData></SafeArray></Variant>",
      L"<Variant vt='8195'><SafeArray type='3' lbound='4' count='2'><SAData>1</SAData></SafeArray></Variant>",
  };
  for (const wchar_t* xml : orders) {
    ASSERT_EQ(ReadVariant(xml, v.put()), S_OK);
    EXPECT_TRUE(SameVariant(v, Array(VT_I4, 4, {Scalar(VT_I4, 1), Scalar(VT_I4, 0)})));
  }
  // The array's own element type wins over the reply's "vt".
  ASSERT_EQ(ReadVariant(L"<Variant vt='8195'><SafeArray count='1' lbound='0' type='8'>"
                        L"<SAData>x</SAData></SafeArray></Variant>",
                        v.put()),
            S_OK);
  EXPECT_EQ(v.vt, VT_ARRAY | VT_BSTR);
  ASSERT_EQ(ReadVariant(L"<Variant vt='8195'/>", v.put()), S_OK);
  EXPECT_EQ(v.vt, VT_ARRAY | VT_I4);
  EXPECT_EQ(v.parray, nullptr);
}

// Crafted replies: each fails with a chain, nothing is written outside an array, nothing
// leaks and no VARIANT is left with a type its storage does not hold.
TEST(VariantXML, BadReplies) {
  struct Case {
    const wchar_t* xml;
    const wchar_t* message;
  } cases[] = {
      {L"<Variant vt='9' value='1'/>", L"The VARIANT type 9 is not supported"},
      {L"<Variant vt='16387' value='1'/>", L"The VARIANT type 16387 is not supported"},
      {L"<Variant vt='8201'/>", L"The VARIANT type 8201 is not supported"},
      {L"<Variant vt='99999999999'/>", L"out of range"},
      {L"<Variant vt='3' value='12abc'/>", L"The value '12abc' is not valid for the VARIANT type 3"},
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
      {L"<Variant vt='8195'><SafeArray count='1' lbound='0' type='3'/>"
       L"<SafeArray count='1' lbound='0' type='3'/></Variant>",
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

TEST(VariantXML, AttributeMapOrder) {
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
