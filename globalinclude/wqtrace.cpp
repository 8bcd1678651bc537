#include "wqtrace.h"

#include <cwchar>

WQTraceContext& GetTraceContext() {
  static WQTraceContext context;
  return context;
}

void WQTraceContext::Write(const wchar_t* text) {
  if (sink)
    sink->Output(text);
  else
    DefaultOutput(text, wcslen(text));
}

// Without a sink, lines go nowhere: the module installs none.
void WQTraceContext::DefaultOutput(const wchar_t*, size_t) {}

void WQTraceContext::WriteLine(int level, wchar_t kind, const wchar_t* text) {
  if (level <= threshold) return;
  Write(prefix);
  const wchar_t* lead = nullptr;
  const wchar_t* tail = L"\n";
  switch (kind) {
    case L'>':
      lead = L" >>>> Enter ";
      tail = L"()\n";
      break;
    case L'.': lead = L" ....      "; break;
    case L'!': lead = L" !!!! "; break;
    default: return;
  }
  Write(lead);
  if (text) Write(text);
  Write(tail);
}

void TraceEnter(int level, const wchar_t* name) { GetTraceContext().WriteLine(level, L'>', name); }

void TraceInfo(int level, const wchar_t* text) { GetTraceContext().WriteLine(level, L'.', text); }

void TraceError(const wchar_t* text) { GetTraceContext().WriteLine(3, L'!', text); }

void TraceAtLocation(const WQSourceLocation& location, const wchar_t* text) {
  if (!location.file) return;
  WQTraceContext& context = GetTraceContext();
  wchar_t line[16];
  _snwprintf(line, 16, L"%d", location.line);
  line[15] = L'\0';
  context.Write(location.file);
  context.Write(L"(");
  context.Write(line);
  context.Write(L") : ");
  if (text) context.Write(text);
  context.Write(L"\n");
}
