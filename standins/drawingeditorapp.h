// The drawing-editor application and its database server, as the client tools'
// globals stand-in hands them out; both record into the client tools' journal.
#pragma once

#include "clienttools.h"

class DrawingEditorApp
    : public plat::Implements<DrawingEditorApp, plat::Dispatch<IWQDrawingEditorApp>> {
 public:
  void* FindInterface(REFIID riid) noexcept;
  STDMETHOD(get_DBServer)(IDispatch** server) override;
};

class DrawingDBServer
    : public plat::Implements<DrawingDBServer, plat::Dispatch<IWQDrawingDBServer>> {
 public:
  void* FindInterface(REFIID riid) noexcept;
  STDMETHOD(HighlightPipe)(LONG pipeOid) override;
  STDMETHOD(CompactPipe)(LONG pipeOid) override;

 private:
  static HRESULT Record(const wchar_t* step, LONG pipeOid);
};
