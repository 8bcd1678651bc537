// The reply fuzzer and the bad-argument sweep: shared declarations.
//
// One executable plays two parts. The driver starts a child per format (or for the
// sweep) and watches it through a shared block; the child runs the inputs, a watchdog
// thread in it ends an input that takes too long or grows memory without bound, and a
// crash filter names the module at fault. A child that dies is restarted behind the
// input that killed it, so one fault never hides the rest.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// ---------------------------------------------------------------- reply readers

struct ReaderResult {
  HRESULT hr = S_OK;
  bool external = false;  // text of the external entity target reached the result
  std::wstring shape;     // a digest of the result, compared where a mutation must not change it
};

struct Reader {
  const char* name;
  const wchar_t* seed;  // a valid reply
  ReaderResult (*read)(const std::wstring& xml);
  bool dom = false;  // the reply is loaded into a DOM document, not read with the SAX reader
  // Any answer is right (a text that does not parse still makes something): only crashes,
  // hangs, leaks and reached external entities count.
  bool anyAnswer = false;
  // The shape is the VARIANT read: a plain reply is also read independently, from the
  // XML reader's parse, and the two must agree.
  bool independent = false;
  // The reply is a number, no XML: its every text is read independently by the rule of
  // number replies, and the two must agree.
  bool number = false;
};

const std::vector<Reader>& Readers();
// The digest of a VARIANT that ReaderResult::shape holds: type, bounds, values.
std::wstring VariantShape(const VARIANT& value);
// Checks the fuzzer's own walks over answers made by hand; 0 when all are right.
int CheckDigests();
// Handlers and objects of the readers still alive (0 between inputs).
LONG LiveReaderObjects();
// DllCanUnloadNow of the server (S_OK when it is not loaded).
HRESULT ServerCanUnloadNow();

// The text an external entity target holds, and the targets the mutator names.
extern const wchar_t kExternalMarker[];
std::wstring ExternalTargetPath();  // a file holding the marker
std::wstring ExternalPipeName();    // a pipe whose opening is counted

// ---------------------------------------------------------------- mutator

// What the last mutation means for the answer, beyond "an ill-formed input must fail":
// a VARIANT type or array count the reader must refuse where it reads the element, a
// change that must leave the answer as it was, or a text the reader read changed to
// another of its kind, which the answer must then hold in its place.
enum class Oracle { kAny, kBadVt, kBadCount, kSameAsSeed, kTextRead };

struct Mutant {
  std::wstring xml;
  Oracle oracle = Oracle::kAny;
  std::wstring before;  // the text before the last mutation
  std::string what;     // the mutations applied
  // For an oracle other than kAny: the element names the mutator's scan of `before` saw
  // (in document order), the element it changed (an index into them) with the attribute
  // names it saw there, and the value it wrote.
  std::vector<std::wstring> scanned;
  size_t target = 0;
  std::vector<std::wstring> targetAttributes;
  std::wstring value;
  std::wstring replaced;  // kTextRead: the text `value` took the place of
};

// The input `index` of `reader` for `seed`: the same numbers give the same input.
Mutant Mutate(const Reader& reader, uint64_t seed, uint64_t index);
// A text every reader reads as it stands (letters, digits, blanks, '.', '-', '_'): no entity,
// quote or bracket that a reader could read as another text.
bool IsPlainText(const std::wstring& text);

// ---------------------------------------------------------------- oracle

// Whether `result` is a wrong answer to `m`: success for an input the XML reader finds
// ill-formed, success where the oracle says the reader must refuse, or (kSameAsSeed) an
// answer other than `before`, the answer to the text before the last mutation.
bool WrongAnswer(const Reader& reader, const Mutant& m, const ReaderResult& result,
                 const ReaderResult* before);
bool WellFormed(const Reader& reader, const std::wstring& xml);
// Checks the oracle's verdicts on inputs of known meaning; 0 when all are right.
int CheckOracle(const Reader* (*find)(const std::string&));

// ---------------------------------------------------------------- sweep

// Runs case `index` of the bad-argument sweep; false past the last case. `failureWithout
// ErrorInfo` names a method that failed without a "WQError".
struct SweepOutcome {
  bool exists = false;
  std::wstring name;
  bool missingErrorInfo = false;
  bool leak = false;        // an argument object kept a reference
  bool leakIsWine = false;  // ... when the dispatcher failed before the method ran
};
SweepOutcome RunSweepCase(uint64_t index);
// After every case: whether the server would unload (DllCanUnloadNow).
HRESULT SweepCanUnload();
void StartDialogCloser();

}  // namespace fuzz
