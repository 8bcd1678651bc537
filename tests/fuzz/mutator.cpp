// Seeded mutations of a valid reply. The text is scanned into tags and element spans so
// that elements and attributes can be deleted, duplicated, renamed or put into a
// namespace; the rest works on characters.
#include "fuzz.h"

#include <algorithm>

namespace fuzz {

namespace {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {  // splitmix64
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
  template <class T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

struct Tag {
  size_t begin, end;  // [begin, end) of "<...>"
  size_t nameBegin, nameEnd;
  bool closing, selfClosing;
};

struct Element {
  size_t begin, end;  // the whole element, tags included
  size_t startTag;    // index into tags
  int parent;         // index into elements, -1 at the top
};

struct Scan {
  std::vector<Tag> tags;
  std::vector<Element> elements;
};

bool IsNameChar(wchar_t c) {
  return iswalnum(c) || c == L'_' || c == L':' || c == L'-' || c == L'.';
}

Scan ScanXml(const std::wstring& xml) {
  Scan scan;
  std::vector<size_t> open;  // element indexes
  for (size_t i = 0; i < xml.size(); ++i) {
    if (xml[i] != L'<' || i + 1 >= xml.size() || xml[i + 1] == L'!' || xml[i + 1] == L'?') continue;
    const size_t close = xml.find(L'>', i);
    if (close == std::wstring::npos) break;
    Tag tag{i, close + 1, 0, 0, xml[i + 1] == L'/', xml[close - 1] == L'/'};
    tag.nameBegin = i + (tag.closing ? 2 : 1);
    tag.nameEnd = tag.nameBegin;
    while (tag.nameEnd < close && IsNameChar(xml[tag.nameEnd])) ++tag.nameEnd;
    scan.tags.push_back(tag);
    const size_t t = scan.tags.size() - 1;
    if (tag.closing) {
      if (!open.empty()) {
        scan.elements[open.back()].end = tag.end;
        open.pop_back();
      }
    } else {
      Element e{tag.begin, tag.end, t, open.empty() ? -1 : static_cast<int>(open.back())};
      scan.elements.push_back(e);
      if (!tag.selfClosing) open.push_back(scan.elements.size() - 1);
    }
    i = close;
  }
  return scan;
}

struct Attribute {
  size_t begin, end;  // name="value" as a whole
  size_t nameBegin, nameEnd;
  size_t valueBegin, valueEnd;  // inside the quotes
};

std::vector<Attribute> Attributes(const std::wstring& xml, const Tag& tag) {
  std::vector<Attribute> out;
  size_t i = tag.nameEnd;
  const size_t stop = tag.end - 1;
  while (i < stop) {
    while (i < stop && iswspace(xml[i])) ++i;
    const size_t nameBegin = i;
    while (i < stop && IsNameChar(xml[i])) ++i;
    if (i == nameBegin || i >= stop || xml[i] != L'=') break;
    const size_t nameEnd = i++;
    if (i >= stop || (xml[i] != L'"' && xml[i] != L'\'')) break;
    const wchar_t quote = xml[i++];
    const size_t valueBegin = i;
    while (i < stop && xml[i] != quote) ++i;
    if (i >= stop) break;
    out.push_back({nameBegin, i + 1, nameBegin, nameEnd, valueBegin, i});
    ++i;
  }
  return out;
}

// Well-formed values: a namespaced copy of an attribute carries one of these.
const wchar_t* const kPlainValues[] = {L"",           L"0", L"-1", L"3",    L"4", L"100000",
                                       L"2147483648", L"8", L"12", L"8204", L"x", L"&amp;"};
const wchar_t* const kValues[] = {
    L"",
    L"0",
    L"-1",
    L"1",
    L"2147483647",
    L"2147483648",
    L"-2147483648",
    L"-2147483649",
    L"16777216",
    L"16777217",
    L"99999999999999999999",
    L"1e999",
    L"-1e-999",
    L"NaN",
    L"1.5",
    L"0x10",
    L" 3 ",
    L"true",
    L"yes",
    L"&amp;",
    L"&#0;",
    L"&#xD800;",
    L"8204",
    L"8195",
    L"8200",
    L"12",
    L"9",
    L"13",
    L"16387",
    L"36",
    L"8201",
    L"65535",
    L"65536",
    L"-8204",
    L"4095",
};
// Types the VARIANT vocabulary does not carry.
const wchar_t* const kBadVts[] = {L"9",     L"13", L"16387", L"36", L"8201", L"8205",
                                  L"65535", L"16", L"20",    L"21", L"4108", L"24"};
const wchar_t* const kNames[] = {L"Variant", L"SafeArray", L"SAData", L"Datum", L"Case", L"Hold",
                                 L"User",    L"Role",      L"Option", L"X",     L"vt",   L"count"};

// Encodings a sender may name in an XML declaration in front of a reply.
const wchar_t* const kEncodings[] = {L"UTF-8",        L"utf-8",      L"UTF-16",
                                     L"windows-1252", L"ISO-8859-1", L"US-ASCII"};

// An XML declaration as a sender writes one: a version, mostly an encoding, sometimes
// standalone, each value in either quote.
std::wstring Declaration(Random& random) {
  const auto quoted = [&](const std::wstring& value) {
    const wchar_t* quote = random.Below(2) ? L"'" : L"\"";
    return quote + value + quote;
  };
  std::wstring declaration = L"<?xml version=" + quoted(L"1.0");
  if (random.Below(6)) declaration += L" encoding=" + quoted(random.Pick(kEncodings));
  if (random.Below(3) == 0)
    declaration += L" standalone=" + quoted(random.Below(2) ? L"yes" : L"no");
  return declaration + (random.Below(2) ? L"?>" : L"?>\r\n");
}

std::wstring Repeat(const std::wstring& s, size_t n) {
  std::wstring out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

// Puts a DOCTYPE in front of the document element and a reference into its first text
// position (after the first start tag that is not self-closing, else into no text).
void AddDoctype(std::wstring& xml, const std::wstring& subset, const std::wstring& reference,
                const Scan& scan) {
  if (scan.elements.empty()) return;
  const Tag& root = scan.tags[scan.elements[0].startTag];
  const std::wstring name(xml, root.nameBegin, root.nameEnd - root.nameBegin);
  for (const Element& e : scan.elements) {
    const Tag& t = scan.tags[e.startTag];
    if (!t.selfClosing && !reference.empty()) {
      xml.insert(t.end, reference);
      break;
    }
  }
  xml.insert(root.begin, L"<!DOCTYPE " + name + L" [" + subset + L"]>");
}

// Records what the oracle needs to check the last mutation: what the scan of the text
// before it saw, and where the mutation went.
void Expect(Mutant& m, Oracle oracle, const std::wstring& xml, const Scan& scan, size_t element,
            const std::wstring& value) {
  m.oracle = oracle;
  m.value = value;
  m.target = element;
  m.scanned.clear();
  for (const Element& e : scan.elements) {
    const Tag& t = scan.tags[e.startTag];
    m.scanned.emplace_back(xml, t.nameBegin, t.nameEnd - t.nameBegin);
  }
  m.targetAttributes.clear();
  for (const Attribute& a : Attributes(xml, scan.tags[scan.elements[element].startTag]))
    m.targetAttributes.emplace_back(xml, a.nameBegin, a.nameEnd - a.nameBegin);
}

// A text run the mutator may change: an attribute's value, the text between two tags, or
// the whole of a reply that holds no element.
struct TextRun {
  size_t begin, end;
};

std::vector<TextRun> TextRuns(const std::wstring& xml, const Scan& scan) {
  std::vector<TextRun> runs;
  if (scan.elements.empty()) {
    runs.push_back({0, xml.size()});
    return runs;
  }
  for (size_t t = 0; t < scan.tags.size(); ++t) {
    const Tag& tag = scan.tags[t];
    if (!tag.closing)
      for (const Attribute& a : Attributes(xml, tag)) runs.push_back({a.valueBegin, a.valueEnd});
    if (t + 1 == scan.tags.size()) continue;
    size_t begin = tag.end, end = scan.tags[t + 1].begin;
    while (begin < end && iswspace(xml[begin])) ++begin;
    while (end > begin && iswspace(xml[end - 1])) --end;
    if (begin < end && xml.find(L'<', begin) >= end) runs.push_back({begin, end});
  }
  return runs;
}

size_t Occurrences(const std::wstring& text, const std::wstring& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

bool IsWholeNumberText(const std::wstring& text) {
  const size_t digits = text.compare(0, 1, L"-") == 0 ? 1 : 0;
  return text.size() > digits &&
         text.find_first_not_of(L"0123456789", digits) == std::wstring::npos;
}

// What a server might send for a number, right and wrong: a number with a tail or a head,
// blanks and line ends around it, at and beyond a long's ends, empty, a null inside.
std::wstring NumberReplyText(Random& random, const std::wstring& digits) {
  static const wchar_t* const kTails[] = {L"abc", L"x", L" 3", L",5", L".5", L".0",
                                          L"e3",  L"-", L"+",  L"9",  L")",  L"\x00A0"};
  static const wchar_t* const kHeads[] = {L"+", L"-", L"--", L"x", L"(", L"0", L"\x00A0", L"."};
  static const wchar_t* const kBlanks[] = {L" ", L"\t", L"\r\n", L"\n  ", L""};
  static const wchar_t* const kEnds[] = {
      L"2147483647",           L"2147483648", L"-2147483648", L"-2147483649",
      L"99999999999999999999", L"-0",         L"+0",          L"0000000000000000000012"};
  switch (random.Below(9)) {
    case 0: return digits;
    case 1: return L"-" + digits;
    case 2: return digits + random.Pick(kTails);
    case 3: return random.Pick(kHeads) + digits;
    case 4: return random.Pick(kBlanks) + digits + random.Pick(kBlanks);
    case 5: return random.Pick(kEnds);
    case 6: return random.Below(2) ? L"" : random.Pick(kBlanks);
    case 7: return digits + std::wstring(1, L'\0') + random.Pick(kTails);
    default: return std::wstring(1, L'\0') + digits;
  }
}

// Changes one text of the reply. In a number reply, to what a server might send; in XML, a
// plain text to another of its kind (a whole number to a whole number, a word to a word,
// each often holding a '9'), and where the old one stood alone in the reply, the reader
// that read it must hold the new one in its place.
void ChangeText(Mutant& m, Random& random, const Reader& reader) {
  const Scan scan = ScanXml(m.xml);
  const std::vector<TextRun> runs = TextRuns(m.xml, scan);
  if (runs.empty()) return;
  std::vector<TextRun> alone;
  for (const TextRun& run : runs) {
    const std::wstring text(m.xml, run.begin, run.end - run.begin);
    if (IsPlainText(text) && Occurrences(m.xml, text) == 1) alone.push_back(run);
  }
  const bool claim = !reader.number && !alone.empty() && random.Below(4) != 0;
  const TextRun run = claim ? alone[random.Below(alone.size())] : runs[random.Below(runs.size())];
  const std::wstring old(m.xml, run.begin, run.end - run.begin);
  const std::wstring digits = std::to_wstring(1 + random.Below(99999));
  const std::wstring value = reader.number            ? NumberReplyText(random, digits)
                             : IsWholeNumberText(old) ? digits
                                                      : L"T" + digits + L"x";
  m.before = m.xml;
  m.xml.replace(run.begin, run.end - run.begin, value);
  m.what += "text ";
  if (!claim || Occurrences(m.xml, value) != 1) return;
  m.oracle = Oracle::kTextRead;
  m.replaced = old;
  m.value = value;
}

}  // namespace

bool IsPlainText(const std::wstring& text) {
  return !text.empty() && text.find_first_not_of(
                              L"abcdefghijklmnopqrstuvwxyz"
                              L"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-_") == std::wstring::npos;
}

std::wstring ExternalTargetPath();
std::wstring ExternalPipeName();

Mutant Mutate(const Reader& reader, uint64_t seed, uint64_t index) {
  Random random(seed * 0x100000001B3ULL ^ (index + 1) * 0x9E3779B97F4A7C15ULL ^
                std::hash<std::string>()(reader.name));
  Mutant m;
  m.xml = reader.seed;
  const size_t rounds = 1 + random.Below(3);
  for (size_t round = 0; round < rounds; ++round) {
    const bool last = round + 1 == rounds;
    std::wstring& xml = m.xml;
    if (last) m.before = xml;
    const Scan scan = ScanXml(xml);
    size_t op = random.Below(20);
    // Inputs stay below a megabyte: Wine's reader takes time quadratic in the pieces
    // of a text, and the run has many inputs to get through.
    const bool big = xml.size() > 50000;
    if (big && (op == 3 || op == 13 || op == 14 || op == 15 || op == 18)) op = 0;
    const std::wstring prior = xml;
    m.oracle = Oracle::kAny;
    if (scan.elements.empty() && op >= 2) continue;
    const size_t elementIndex = scan.elements.empty() ? 0 : random.Below(scan.elements.size());
    const Element& element = scan.elements.empty() ? Element{} : scan.elements[elementIndex];
    const Tag& tag = scan.tags.empty() ? Tag{} : scan.tags[element.startTag];
    const std::vector<Attribute> attributes =
        scan.elements.empty() ? std::vector<Attribute>() : Attributes(xml, tag);
    const Attribute* attribute =
        attributes.empty() ? nullptr : &attributes[random.Below(attributes.size())];
    switch (op) {
      case 0: {  // byte flips
        const wchar_t chars[] = {L'<', L'>', L'&', L'"', L'\'', L'/', L'=', L'0',   L'9',
                                 L'-', L'x', L' ', L';', L'#',  L':', 0x7F, 0xFFFD, 0xD800};
        for (size_t n = 1 + random.Below(4); n && !xml.empty(); --n)
          xml[random.Below(xml.size())] = random.Pick(chars);
        m.what += "flip ";
        break;
      }
      case 1: {  // truncation
        const size_t lastClose = xml.rfind(L'>');
        if (lastClose == std::wstring::npos || lastClose == 0) break;
        xml.resize(random.Below(lastClose));
        m.what += "truncate ";
        break;
      }
      case 2:  // delete an element
        xml.erase(element.begin, element.end - element.begin);
        m.what += "delete-element ";
        break;
      case 3: {  // duplicate an element
        const std::wstring copy(xml, element.begin, element.end - element.begin);
        xml.insert(element.end, Repeat(copy, 1 + random.Below(random.Below(4) == 0 ? 2000 : 3)));
        m.what += "duplicate-element ";
        break;
      }
      case 4: {  // rename an element, its end tag too
        const std::wstring name = random.Pick(kNames);
        if (element.end != tag.end) {
          const size_t endName = element.end - 1 - (tag.nameEnd - tag.nameBegin);
          xml.replace(endName, tag.nameEnd - tag.nameBegin, name);
        }
        xml.replace(tag.nameBegin, tag.nameEnd - tag.nameBegin, name);
        m.what += "rename-element ";
        break;
      }
      case 5: {  // put an element into a namespace
        const std::wstring name(xml, tag.nameBegin, tag.nameEnd - tag.nameBegin);
        if (element.end != tag.end)
          xml.replace(element.end - 1 - name.size(), name.size(), L"q:" + name);
        xml.replace(tag.nameBegin, name.size(), L"q:" + name + L" xmlns:q=\"urn:q\"");
        m.what += "namespace-element ";
        break;
      }
      case 6:  // delete an attribute
        if (!attribute) break;
        xml.erase(attribute->begin, attribute->end - attribute->begin);
        m.what += "delete-attribute ";
        break;
      case 7:  // repeat an attribute: not well-formed
        if (!attribute) break;
        xml.insert(attribute->end,
                   L" " + xml.substr(attribute->begin, attribute->end - attribute->begin));
        m.what += "repeat-attribute ";
        break;
      case 8: {  // a namespaced copy with another value: must change nothing
        if (!attribute) break;
        const std::wstring name(xml, attribute->nameBegin,
                                attribute->nameEnd - attribute->nameBegin);
        if (name.find(L':') != std::wstring::npos || name.compare(0, 5, L"xmlns") == 0) break;
        const std::wstring prefix = L"p" + std::to_wstring(round);  // new in this tag
        xml.insert(tag.end - (tag.selfClosing ? 2 : 1), L" xmlns:" + prefix + L"=\"urn:" + prefix +
                                                            L"\" " + prefix + L":" + name + L"=\"" +
                                                            random.Pick(kPlainValues) + L"\"");
        if (last) Expect(m, Oracle::kSameAsSeed, xml, scan, elementIndex, L"");
        m.what += "namespaced-attribute ";
        break;
      }
      case 9:  // rename an attribute
        if (!attribute) break;
        xml.replace(attribute->nameBegin, attribute->nameEnd - attribute->nameBegin,
                    random.Pick(kNames));
        m.what += "rename-attribute ";
        break;
      case 10:  // an interesting value
        if (!attribute) break;
        xml.replace(attribute->valueBegin, attribute->valueEnd - attribute->valueBegin,
                    random.Pick(kValues));
        m.what += "value ";
        break;
      case 11: {  // a type the VARIANT vocabulary does not carry
        for (const Attribute& a : attributes)
          if (xml.compare(a.nameBegin, a.nameEnd - a.nameBegin, L"vt") == 0 &&
              xml.compare(tag.nameBegin, tag.nameEnd - tag.nameBegin, L"Variant") == 0) {
            const std::wstring vt = random.Pick(kBadVts);
            if (last && std::string(reader.name) == "variant")
              Expect(m, Oracle::kBadVt, xml, scan, elementIndex, vt);
            xml.replace(a.valueBegin, a.valueEnd - a.valueBegin, vt);
            break;
          }
        m.what += "bad-vt ";
        break;
      }
      case 12: {  // a count that disagrees with the elements present
        if (xml.compare(tag.nameBegin, tag.nameEnd - tag.nameBegin, L"SafeArray") != 0) break;
        size_t children = 0;
        const int self = static_cast<int>(elementIndex);
        for (const Element& e : scan.elements) children += e.parent == self;
        for (const Attribute& a : attributes)
          if (xml.compare(a.nameBegin, a.nameEnd - a.nameBegin, L"count") == 0) {
            const size_t wrong = random.Below(2) ? children + 1 + random.Below(16777216)
                                 : children      ? children - 1
                                                 : 1;
            if (last && std::string(reader.name) == "variant")
              Expect(m, Oracle::kBadCount, xml, scan, elementIndex, std::to_wstring(wrong));
            xml.replace(a.valueBegin, a.valueEnd - a.valueBegin, std::to_wstring(wrong));
            break;
          }
        m.what += "bad-count ";
        break;
      }
      case 13: {  // deep nesting of the element in itself
        const std::wstring open(xml, tag.begin, tag.end - tag.begin - (tag.selfClosing ? 2 : 1));
        const std::wstring name(xml, tag.nameBegin, tag.nameEnd - tag.nameBegin);
        const size_t depth = 1 + random.Below(random.Below(2) ? 40 : 3000);
        xml.insert(element.end, Repeat(L"</" + name + L">", depth));
        xml.insert(element.begin, Repeat(open + L">", depth));
        m.what += "nest ";
        break;
      }
      case 14: {  // arrays of VARIANTs inside each other, each asking for the most elements
        const size_t depth = 1 + random.Below(random.Below(2) ? 8 : 100);
        xml.insert(
            element.begin,
            Repeat(L"<Variant vt=\"8204\"><SafeArray count=\"16777216\" lbound=\"0\" type=\"12\">",
                   depth) +
                Repeat(L"</SafeArray></Variant>", depth));
        m.what += "nest-arrays ";
        break;
      }
      case 15: {  // a long value or text
        const bool plain = random.Below(2) != 0;
        const std::wstring piece = plain ? L"x" : random.Below(2) ? L"&amp;" : L"&#65;";
        const std::wstring text = Repeat(piece, 1 + random.Below(random.Below(2) ? 100
                                                                 : plain         ? 100000
                                                                                 : 3000));
        if (attribute && random.Below(2))
          xml.replace(attribute->valueBegin, attribute->valueEnd - attribute->valueBegin, text);
        else if (!tag.selfClosing)
          xml.insert(tag.end, text);
        m.what += "long ";
        break;
      }
      case 16:  // an internal entity
        AddDoctype(xml, L"<!ENTITY e \"inner &amp; text\">", L"&e;", scan);
        m.what += "internal-entity ";
        break;
      case 17: {  // an external entity: counted when resolved
        const std::wstring targets[] = {L"file:///" + ExternalTargetPath(), ExternalTargetPath(),
                                        ExternalPipeName(), L"file:" + ExternalPipeName()};
        const std::wstring& target = targets[random.Below(4)];
        if (random.Below(2))
          AddDoctype(xml, L"<!ENTITY ext SYSTEM \"" + target + L"\">", L"&ext;", scan);
        else
          AddDoctype(xml, L"<!ENTITY % ext SYSTEM \"" + target + L"\"> %ext;", L"", scan);
        m.what += "external-entity ";
        break;
      }
      case 18: {  // billion laughs
        std::wstring subset = L"<!ENTITY l0 \"lol\">";
        // Ten levels make 10^10 expansions: rare, since each one ends on the time limit.
        const size_t levels = random.Below(400) == 0 ? 7 + random.Below(4) : 3 + random.Below(4);
        for (size_t l = 1; l <= levels; ++l)
          subset += L"<!ENTITY l" + std::to_wstring(l) + L" \"" +
                    Repeat(L"&l" + std::to_wstring(l - 1) + L";", 10) + L"\">";
        AddDoctype(xml, subset, L"&l" + std::to_wstring(levels) + L";", scan);
        m.what += "laughs ";
        break;
      }
      default: {  // splice an element elsewhere
        const Element& other = scan.elements[random.Below(scan.elements.size())];
        const std::wstring copy(xml, other.begin, other.end - other.begin);
        const Tag& target = scan.tags[random.Below(scan.tags.size())];
        xml.insert(target.end, copy);
        m.what += "splice ";
        break;
      }
    }
    if (xml.size() > 1000000) xml = prior;
  }
  // One XML input in three whose mutations make no claim, and every number reply, has a text
  // changed last: drawn apart too.
  Random texts(seed * 0x2545F4914F6CDD1DULL ^ (index + 1) * 0x9E3779B97F4A7C15ULL ^
               std::hash<std::string>()(reader.name) ^ 0x7E47C4A5ULL);
  if (m.oracle == Oracle::kAny && (reader.number || texts.Below(3) == 0))
    ChangeText(m, texts, reader);
  // One input in eight whose last mutation makes no claim comes with an XML declaration
  // in front, naming the encoding its sender wrote it in: the reply is decoded text by
  // then, so it must read as it did without one. Drawn apart from the mutations, which
  // stay as they were for every input.
  Random sender(seed * 0x9E3779B97F4A7C15ULL ^ (index + 1) * 0x100000001B3ULL ^
                std::hash<std::string>()(reader.name) ^ 0xDEC1A2A7105ULL);
  if (sender.Below(8) == 0 && m.oracle == Oracle::kAny && m.xml.compare(0, 2, L"<?") != 0) {
    const Scan scan = ScanXml(m.xml);
    m.before = m.xml;
    m.oracle = Oracle::kAny;
    if (!scan.elements.empty()) Expect(m, Oracle::kSameAsSeed, m.xml, scan, 0, L"");
    m.xml.insert(0, Declaration(sender));
    m.what += "declaration ";
  }
  return m;
}

}  // namespace fuzz
