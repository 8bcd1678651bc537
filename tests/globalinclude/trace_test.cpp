#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wqtrace.h"

namespace {

// Records the pieces handed to the sink, and installs itself for one test.
class RecordingSink : public WQTraceSink {
 public:
  RecordingSink() { GetTraceContext().sink = this; }
  ~RecordingSink() { GetTraceContext().sink = nullptr; }
  void Output(const wchar_t* text) override { pieces.emplace_back(text); }
  std::vector<std::wstring> pieces;
};

using Pieces = std::vector<std::wstring>;

TEST(Trace, ContextDefaults) {
  const WQTraceContext& context = GetTraceContext();
  EXPECT_EQ(context.threshold, 1);
  EXPECT_STREQ(context.prefix, L"&WQCE&");
  EXPECT_EQ(&context, &GetTraceContext());
}

TEST(Trace, LevelMustExceedThreshold) {
  RecordingSink sink;
  TraceEnter(1, L"Main::CreateObject");
  TraceInfo(0, L"listing cases");
  EXPECT_TRUE(sink.pieces.empty());
  TraceEnter(2, L"Main::CreateObject");
  EXPECT_EQ(sink.pieces, (Pieces{L"&WQCE&", L" >>>> Enter ", L"Main::CreateObject", L"()\n"}));
}

TEST(Trace, LineShapesByKind) {
  RecordingSink sink;
  TraceInfo(2, L"reading reply");
  TraceError(L"<WQError HR=\"E_FAIL\" />");
  GetTraceContext().WriteLine(5, L'?', L"ignored");
  EXPECT_EQ(sink.pieces, (Pieces{L"&WQCE&", L" ....      ", L"reading reply", L"\n", L"&WQCE&",
                                 L" !!!! ", L"<WQError HR=\"E_FAIL\" />", L"\n", L"&WQCE&"}));
}

TEST(Trace, LocationLines) {
  RecordingSink sink;
  TraceAtLocation({nullptr, 12}, L"nothing");
  EXPECT_TRUE(sink.pieces.empty());
  TraceAtLocation({L"c:\\src\\main.cpp", 412}, L"!!!! WQComException Error !!!!");
  TraceAtLocation({L"x.cpp", -3}, nullptr);
  EXPECT_EQ(sink.pieces,
            (Pieces{L"c:\\src\\main.cpp", L"(", L"412", L") : ", L"!!!! WQComException Error !!!!",
                    L"\n", L"x.cpp", L"(", L"-3", L") : ", L"\n"}));
}

}  // namespace
