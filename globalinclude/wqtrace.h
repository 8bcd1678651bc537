// Call tracing: one process-wide context that filters levelled lines by a threshold and
// hands their pieces to an optional output sink.
#pragma once

#include <windows.h>

// A source position named in trace lines of raised and caught errors.
struct WQSourceLocation {
  const wchar_t* file;
  int line;
};

#define WQ_WIDEN2(x) L##x
#define WQ_WIDEN(x) WQ_WIDEN2(x)
#define WQ_HERE (WQSourceLocation{WQ_WIDEN(__FILE__), __LINE__})

// Receives each piece of trace text, 0-terminated.
class WQTraceSink {
 public:
  virtual void Output(const wchar_t* text) = 0;

 protected:
  ~WQTraceSink() = default;
};

struct WQTraceContext {
  LONG threshold = 1;  // a line is passed on only when its level is greater
  wchar_t prefix[18] = L"&WQCE&";
  WQTraceSink* sink = nullptr;

  void Write(const wchar_t* text);
  // kind: '>' enter, '.' activity, '!' error; any other writes the prefix alone.
  void WriteLine(int level, wchar_t kind, const wchar_t* text);
  static void DefaultOutput(const wchar_t* text, size_t length);
};

WQTraceContext& GetTraceContext();

void TraceEnter(int level, const wchar_t* name);
void TraceInfo(int level, const wchar_t* text);
void TraceError(const wchar_t* text);
void TraceAtLocation(const WQSourceLocation& location, const wchar_t* text);
