// Replies read by the schema parser against MSXML's SAX reader reading the same bytes
// from a stream into a handler that does nothing: the floor of any reply reader. And a
// reply nested deep, whose reading grows with its depth as the reader's does.
#include <windows.h>

#include <comobject.h>

#include <cstring>
#include <string>

#include "benchsupport.h"
#include "replies.h"
#include "workspace/listcasesparser.h"
#include "workspacedialogs/listobjectsparser.h"
#include "workspacedialogs/selectionitems.h"

namespace {

// The text's UTF-16 bytes behind a byte-order mark, in a stream of the platform's.
plat::com_ptr<IStream> MakeStream(const std::wstring& text) {
  const size_t size = 2 + text.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(memory));
  bytes[0] = 0xFF;
  bytes[1] = 0xFE;
  std::memcpy(bytes + 2, text.data(), text.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  plat::com_ptr<IStream> stream;
  CreateStreamOnHGlobal(memory, TRUE, stream.put());
  return stream;
}

// The raw reader over the text as a stream; false when it did not read `elements` elements.
void ReadRaw(IStream* stream, int elements, bool* ok) {
  const LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  plat::com_ptr<ISAXXMLReader> reader;
  plat::com_ptr<bench::ElementCounter> handler = plat::make<bench::ElementCounter>();
  CoCreateInstance(__uuidof(SAXXMLReader60), nullptr, CLSCTX_ALL, __uuidof(ISAXXMLReader),
                   reader.put_void());
  reader->putContentHandler(handler.get());
  VARIANT input;
  input.vt = VT_UNKNOWN;
  input.punkVal = stream;
  *ok = *ok && SUCCEEDED(reader->parse(input)) && handler->elements == elements;
}

bench::Times ReadObjects(const std::wstring& text, int count, bool* ok) {
  plat::unique_bstr reply = plat::unique_bstr::copy(text.c_str());
  plat::com_ptr<IStream> stream = MakeStream(text);
  return bench::MedianTimes(
      [&] {
        int read = 0;
        ListObjectsParser parser([&](const ListedObject&) { ++read; });
        *ok = *ok && SUCCEEDED(parser.ParseString(reply.get())) && read == count;
      },
      [&] { ReadRaw(stream.get(), count + 1, ok); });
}

bench::Times ReadCases(const std::wstring& text, int count, bool* ok) {
  plat::unique_bstr reply = plat::unique_bstr::copy(text.c_str());
  plat::com_ptr<IStream> stream = MakeStream(text);
  return bench::MedianTimes(
      [&] {
        SortedItems<LONG> items;
        ListCasesParser parser([&](const wchar_t* name, LONG id) { items.Add(name, id); });
        *ok = *ok && SUCCEEDED(parser.ParseString(reply.get()));
        items.Commit();
        *ok = *ok && items.GetCount() == count;
      },
      [&] { ReadRaw(stream.get(), count + 1, ok); });
}

// A ListCases reply whose one case is followed by `depth` nested elements the reader does
// not know: every reader keeps a stack of the elements open.
std::wstring NestedReply(int depth) {
  std::wstring reply = L"<ListCases><Case ID=\"1\" CaseName=\"Design\"/>";
  reply.reserve(reply.size() + 7 * static_cast<size_t>(depth) + 16);
  for (int i = 0; i < depth; ++i) reply += L"<x>";
  for (int i = 0; i < depth; ++i) reply += L"</x>";
  return reply + L"</ListCases>";
}

// The nested reply read whole: its one case.
double ReadNested(BSTR reply, bool* ok) {
  return bench::Time([&] {
    int cases = 0;
    ListCasesParser parser([&](const wchar_t*, LONG) { ++cases; });
    *ok = *ok && SUCCEEDED(parser.ParseString(reply)) && cases == 1;
  });
}

// The deeper reply's time against the shallower one's, read in turns: a cost linear in
// the depth shows the ratio of the depths.
bench::Times NestingGrowth(int deep, int shallow, bool* ok) {
  plat::unique_bstr deepReply = plat::unique_bstr::copy(NestedReply(deep).c_str());
  plat::unique_bstr shallowReply = plat::unique_bstr::copy(NestedReply(shallow).c_str());
  bench::Turns turns(2);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, ReadNested(deepReply.get(), ok));
    turns.Add(1, ReadNested(shallowReply.get(), ok));
  }
  return {turns.Median(0), turns.Median(1)};
}

// The nested reply against the raw reader on the same bytes as a stream.
bench::Times ReadNestedAgainstRaw(int depth, bool* ok) {
  const std::wstring text = NestedReply(depth);
  plat::unique_bstr reply = plat::unique_bstr::copy(text.c_str());
  plat::com_ptr<IStream> stream = MakeStream(text);
  bench::Turns turns(2);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, ReadNested(reply.get(), ok));
    turns.Add(1, bench::Time([&] { ReadRaw(stream.get(), depth + 2, ok); }));
  }
  return {turns.Median(0), turns.Median(1)};
}

}  // namespace

int main(int argc, char**) {
  if (!bench::TakesNoArguments(argc, "parse_bench")) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  bool ok = true;
  bench::PrintHeader("Replies read, against the raw SAX reader on a stream");
  for (int size : {10000, 100000}) {
    const std::wstring line = bench::MakeListObjectsReply(size, L"");
    bench::PrintFigure("ListObjects reply on one line", size, ReadObjects(line, size, &ok), 1.2);
  }
  for (int size : {10000, 100000}) {
    const std::wstring lines = bench::MakeListObjectsReply(size, L"\n");
    bench::PrintFigure("ListObjects reply, a line per element", size, ReadObjects(lines, size, &ok),
                       1.15);
  }
  for (int size : {10000, 100000}) {
    const std::wstring cases = bench::MakeListCasesReply(bench::MakeNames(size), L"");
    bench::PrintFigure("ListCases reply into the sorted list", size, ReadCases(cases, size, &ok),
                       1.5);
  }

  bench::PrintHeader("A reply nested deep: 800k levels against 200k", "800k", "200k");
  bench::PrintFigure("ListCases reply, one case, unknown elements nested", 800000,
                     NestingGrowth(800000, 200000, &ok), 5);
  bench::PrintHeader("A reply nested deep, against the raw SAX reader on a stream");
  bench::PrintFigure("ListCases reply, one case, unknown elements nested", 1600000,
                     ReadNestedAgainstRaw(1600000, &ok), 1.5);
  CoUninitialize();
  if (!ok) std::printf("a reply was not read whole\n");
  return ok && bench::AllMeasured() ? 0 : 1;
}
