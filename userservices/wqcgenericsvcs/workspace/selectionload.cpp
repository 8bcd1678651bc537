#include "selectionload.h"

#include <wqcomexception.h>
#include <wqxmlstringwriter.h>

#include <cwchar>

#include "workspace/dataservicerequest.h"

HRESULT RequestList(IDispatch* workspace, const wchar_t* method, const WriteListRequest& write,
                    SAXSchemaParser& parser) noexcept try {
  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(workspace, kServerProgId, method));
  if (write) write(request);
  PLAT_RETURN_IF_FAILED(request.Execute());
  plat::unique_bstr reply;
  PLAT_RETURN_IF_FAILED(request.GetResponse(reply.put()));
  return parser.ParseString(reply.get());
}
PLAT_CATCH_RETURN()

HRESULT SelectionXml(const WQArray<LONG>& selection, const WQArray<LONG>& keys, BSTR* xml) {
  if (selection.GetCount() == 0) {
    *xml = plat::unique_bstr::copy(L"").release();
    return S_OK;
  }
  plat::com_ptr<iwqXMLStringWriter> writer;
  PLAT_RETURN_IF_FAILED(
      WQXMLStringWriter::CreateInstance(__uuidof(iwqXMLStringWriter), writer.put_void()));
  writer->WriteXMLDeclaration();
  writer->StartElement(L"Select");
  writer->CloseStartTag();
  for (int i = 0; i < selection.GetCount(); ++i) {
    wchar_t value[12];
    _snwprintf(value, 12, L"%ld", static_cast<long>(keys[selection[i]]));
    value[11] = L'\0';
    writer->StartElement(L"Option");
    writer->WriteStringAttribute(L"Value", value);
    writer->EndElement(L"Option");
  }
  writer->EndElement(L"Select");
  return writer->GetText(xml);
}

HRESULT DialogFailure(HRESULT handlerError) noexcept {
  const HRESULT hr = FAILED(handlerError) ? handlerError : plat::hresult_from_last_error();
  // The caller gets a reason with the code, as from the objects that keep an error object.
  return WQRunComMethod(nullptr, [hr](WQComException& error) {
    error.ThrowHrAt(WQ_HERE, hr, L"The dialog could not be shown");
  });
}
