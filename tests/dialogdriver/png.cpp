#include "png.h"

#include <wincodec.h>

#include <handles.h>

namespace wqtest {

HRESULT SavePng(const std::wstring& path, UINT width, UINT height, UINT stride, const BYTE* bgr) {
  if (!bgr || width == 0 || height == 0) return E_INVALIDARG;
  plat::com_ptr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.put_void());
  if (FAILED(hr)) return hr;
  plat::com_ptr<IWICStream> stream;
  if (FAILED(hr = factory->CreateStream(stream.put()))) return hr;
  if (FAILED(hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE))) return hr;
  plat::com_ptr<IWICBitmapEncoder> encoder;
  if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())))
    return hr;
  if (FAILED(hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache))) return hr;
  plat::com_ptr<IWICBitmapFrameEncode> frame;
  if (FAILED(hr = encoder->CreateNewFrame(frame.put(), nullptr))) return hr;
  if (FAILED(hr = frame->Initialize(nullptr))) return hr;
  if (FAILED(hr = frame->SetSize(width, height))) return hr;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(hr = frame->SetPixelFormat(&format))) return hr;
  // The encoder may only offer another layout; the rows are not converted.
  if (format != GUID_WICPixelFormat24bppBGR) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (FAILED(hr = frame->WritePixels(height, stride, stride * height, const_cast<BYTE*>(bgr))))
    return hr;
  if (FAILED(hr = frame->Commit())) return hr;
  return encoder->Commit();
}

}  // namespace wqtest
