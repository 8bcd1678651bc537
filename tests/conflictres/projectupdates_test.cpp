// The "ProjectUpdates" reader: good replies read back as a compact dump of the model, bad
// ones fail with the element and its position named in the error text.
#include <gtest/gtest.h>

#include <string>

#include "comtest.h"
#include "conflicttest.h"
#include "conflictres/projectupdates.h"

namespace {

std::wstring Text(const plat::unique_bstr& text) { return text.c_str(); }

// Conflict: C(id/type/resolution Name|ProjectData|ParentData|Units)
std::wstring Dump(const ConflictRecord& c) {
  return L"C(" + std::to_wstring(c.id) + L"/" + std::to_wstring(c.type) + L"/" +
         std::to_wstring(c.resolution) + L" " + Text(c.name) + L"|" + Text(c.projectData) + L"|" +
         Text(c.parentData) + L"|" + Text(c.units) + L")";
}

// Update: U(type Name|ProjectData|ParentData|Units @ItemID ItemName)
std::wstring Dump(const UpdateRecord& u) {
  return L"U(" + std::to_wstring(u.type) + L" " + Text(u.name) + L"|" + Text(u.projectData) + L"|" +
         Text(u.parentData) + L"|" + Text(u.units) + L" @" + std::to_wstring(u.itemId) + L" " +
         Text(u.itemName) + L")";
}

// Item: Name#ID{details}[children]
template <class Detail>
std::wstring Dump(const ProjectItemRecord<Detail>& item) {
  std::wstring text = Text(item.name) + L"#" + std::to_wstring(item.id) + L"{";
  for (int i = 0; i < item.details.GetCount(); ++i) text += Dump(*item.details[i]);
  text += L"}";
  if (item.children.GetCount()) {
    text += L"[";
    for (int i = 0; i < item.children.GetCount(); ++i) text += Dump(*item.children[i]);
    text += L"]";
  }
  return text;
}

template <class Item>
void DumpList(std::wstring& text, const wchar_t* name, const WQOwnedPtrArray<Item>& list) {
  if (!list.GetCount()) return;
  text += std::wstring(text.empty() ? L"" : L"; ") + name + L":";
  for (int i = 0; i < list.GetCount(); ++i) text += L" " + Dump(*list[i]);
}

std::wstring Dump(const CProjectUpdates& model) {
  static const wchar_t* const kKinds[] = {L"case", L"object", L"attribute", L"datasheet",
                                          L"diagram"};
  std::wstring text;
  for (int k = 0; k < kProjectItemKindCount; ++k) {
    const auto kind = static_cast<ProjectItemKind>(k);
    DumpList(text, (std::wstring(kKinds[k]) + L" conflicts").c_str(), model.Conflicts(kind));
    DumpList(text, (std::wstring(kKinds[k]) + L" updates").c_str(), model.Updates(kind));
  }
  const WQOwnedPtrArray<ModificationRecord>& modified = model.Modifications();
  if (modified.GetCount()) text += std::wstring(text.empty() ? L"" : L"; ") + L"modified:";
  for (int i = 0; i < modified.GetCount(); ++i) {
    const ModificationRecord& m = *modified[i];
    text += L" M(" + std::to_wstring(m.kind) + L" " + std::to_wstring(m.id) + L" " + Text(m.name) +
            L" " + Text(m.typeText) + L")";
  }
  return text;
}

HRESULT Parse(CProjectUpdates& model, const std::wstring& xml) {
  return model.Parse(plat::unique_bstr::copy(xml.c_str()).get());
}

const wchar_t kFullReply[] =
    L"<ProjectUpdates>"
    L"<Cases><Conflicts>"
    L"<Case ID='5' Name='Base'>"
    L"<Conflict ID='1' Type='2' Resolution='0' Name='Base' ProjectData='a' ParentData='b'/>"
    L"<Case ID='6' Name='Inner'><Conflict ID='2' Type='3'/></Case>"
    L"</Case></Conflicts>"
    L"<Updates><Case ID='7' Name='Pump'><Update Type='4' Name='Flow' ProjectData='1' "
    L"ParentData='2' Units='m3/h'/></Case></Updates></Cases>"
    L"<Datasheets><Conflicts><Datasheet ID='9' Name='DS'><Datasheet ID='10' Name='Sub'/>"
    L"</Datasheet></Conflicts></Datasheets>"
    L"<Modifications><Modified ID='3' Name='P&amp;ID' Type='diagram'/>"
    L"<Modified Name='R' Type='Report'/><Modified ID='4' Name='Sheet' Type='DATASHEET'/>"
    L"</Modifications>"
    L"</ProjectUpdates>";

TEST(ProjectUpdates, GoodRepliesReadIntoTheModel) {
  struct Case {
    const wchar_t* xml;
    const wchar_t* dump;
  } cases[] = {
      {kFullReply,
       L"case conflicts: Base#5{C(1/2/0 Base|a|b|)}[Inner#6{C(2/3/0 |||)}]; "
       L"case updates: Pump#7{U(4 Flow|1|2|m3/h @7 Pump)}; "
       L"datasheet conflicts: DS#9{}[Sub#10{}]; "
       L"modified: M(2 3 P&ID diagram) M(0 -1 R Report) M(1 4 Sheet DATASHEET)"},
      {L"<ProjectUpdates/>", L""},
      // A project's updates with nothing this reader knows: an empty project.
      {L"<ProjectUpdates><Bogus/></ProjectUpdates>", L""},
      // A conflict that does not say its resolution is open, whatever came before it.
      {L"<ProjectUpdates><Objects><Conflicts><Object ID='1' Name='O'>"
       L"<Conflict ID='1' Resolution='3'/><Conflict Type='2'/></Object></Conflicts></Objects>"
       L"</ProjectUpdates>",
       L"object conflicts: O#1{C(1/0/3 |||)C(-1/2/0 |||)}"},
      // What the table does not know is skipped with its content; so are unknown attributes.
      {L"<ProjectUpdates><Mystery><Cases><Conflicts><Case ID='1'/></Conflicts></Cases>"
       L"</Mystery><Diagrams><Updates><Diagram ID='2' Name='D' Extra='x'><Update Type='1'/>"
       L"</Diagram></Updates></Diagrams></ProjectUpdates>",
       L"diagram updates: D#2{U(1 ||| @2 D)}"},
      {L"<ProjectUpdates><Attributes><Updates><Attribute Name='A'><Attribute ID='8'/>"
       L"</Attribute></Updates></Attributes></ProjectUpdates>",
       L"attribute updates: A#-1{}[#8{}]"},
  };
  CProjectUpdates model;
  for (const Case& c : cases) {
    // The previous case's content must be gone.
    ASSERT_EQ(Parse(model, c.xml), S_OK) << c.xml << L"\n" << wqtest::TakeErrorDescription();
    EXPECT_EQ(Dump(model), c.dump) << c.xml;
    EXPECT_EQ(model.IsEmpty(), *c.dump == L'\0');
  }
}

TEST(ProjectUpdates, BadRepliesNameTheElement) {
  struct Case {
    const wchar_t* xml;
    HRESULT hr;
    const wchar_t* inError;  // a part of the error text
    const wchar_t* kept;     // the model after the failure
  } cases[] = {
      // A known element where its parent does not take it.
      {L"<ProjectUpdates><Objects><Conflicts><Object ID='1' Name='Kept'/><Case ID='2'/>"
       L"</Conflicts></Objects></ProjectUpdates>",
       E_INVALIDARG, L"Activity=\"Parsing element Case(Ln 1, Col ", L"object conflicts: Kept#1{}"},
      {L"<ProjectUpdates><Cases><Updates><Case ID='1'><Conflict ID='1'/></Case></Updates>"
       L"</Cases></ProjectUpdates>",
       E_INVALIDARG, L"Parsing element Conflict(Ln 1", L""},
      {L"<ProjectUpdates><Cases><Conflicts><Case><Conflict><Case/></Conflict></Case>"
       L"</Conflicts></Cases></ProjectUpdates>",
       E_INVALIDARG, L"Parsing element Case(Ln 1", L""},
      {L"<ProjectUpdates><Modifications><Modified><Modified/></Modified></Modifications>"
       L"</ProjectUpdates>",
       E_INVALIDARG, L"Parsing element Modified(Ln 1", L""},
      {L"<Cases><Conflicts/></Cases>", E_INVALIDARG, L"Parsing element Cases(Ln 1", L""},
      // A document element the table does not know is skipped like any unknown element,
      // which leaves no "ProjectUpdates" read at all.
      {L"<Other><ProjectUpdates><Cases><Conflicts><Case ID='1'/></Conflicts></Cases>"
       L"</ProjectUpdates></Other>",
       E_INVALIDARG, L"The reply is not a ", L""},
      {L"<ProjectUpdates><Cases><Conflicts><Case ID='x'/></Conflicts></Cases></ProjectUpdates>",
       DISP_E_TYPEMISMATCH, L"Parsing element Case(Ln 1", L""},
      {L"<ProjectUpdates><Cases>", E_FAIL, L"Parsing XML (Ln ", L""},
  };
  for (const Case& c : cases) {
    CProjectUpdates model;
    const HRESULT hr = Parse(model, c.xml);
    const std::wstring error = wqtest::TakeErrorDescription();
    if (c.hr == E_FAIL)
      EXPECT_TRUE(FAILED(hr)) << c.xml;  // MSXML's own code for a truncated document
    else
      EXPECT_EQ(hr, c.hr) << c.xml;
    EXPECT_NE(error.find(c.inError), std::wstring::npos) << c.xml << L"\n" << error;
    EXPECT_EQ(Dump(model), c.kept) << c.xml;
  }
}

// Items nest in a reply as deep as a project's hierarchy goes, and no deeper: every walk
// over them recurses by level.
TEST(ProjectUpdates, ItemsNestOnlySoDeep) {
  constexpr int kMax = ConflictItemRecord::kMaxNesting;
  const auto nested = [](const wchar_t* group, const wchar_t* list, const wchar_t* item,
                         int levels) {
    std::wstring xml = std::wstring(L"<ProjectUpdates><") + group + L"><" + list + L">";
    for (int i = 0; i < levels; ++i)
      xml += std::wstring(L"<") + item + L" ID='" + std::to_wstring(i) + L"'>";
    for (int i = 0; i < levels; ++i) xml += std::wstring(L"</") + item + L">";
    return xml + L"</" + list + L"></" + group + L"></ProjectUpdates>";
  };
  struct Case {
    const wchar_t *group, *list, *item;
  } cases[] = {{L"Cases", L"Conflicts", L"Case"}, {L"Objects", L"Updates", L"Object"}};
  for (const Case& c : cases) {
    CProjectUpdates model;
    ASSERT_EQ(Parse(model, nested(c.group, c.list, c.item, kMax)), S_OK)
        << wqtest::TakeErrorDescription();
    EXPECT_FALSE(model.IsEmpty());
    for (int levels : {kMax + 1, 40000}) {
      EXPECT_EQ(Parse(model, nested(c.group, c.list, c.item, levels)), E_INVALIDARG) << levels;
      const std::wstring error = wqtest::TakeErrorDescription();
      EXPECT_EQ(error.rfind(L"<WQError Desc=\"Items nest deeper than 256 levels\" ", 0), 0u)
          << error;
      EXPECT_NE(error.find(L"Activity=\"Parsing element " + std::wstring(c.item) + L"(Ln 1, Col "),
                std::wstring::npos)
          << error;
    }
  }
}

// A chain of `levels` items, each the only child of the one before.
template <class Item>
Item* Chain(int levels) {
  auto* root = new Item;
  Item* last = root;
  for (int i = 1; i < levels; ++i) {
    auto* child = new Item;
    child->id = i;
    last->children.Add(child);
    last = child;
  }
  return root;
}

// Far deeper than a reply may nest them, items are freed without running out of stack: a
// model holding them clears, and an item alone is deleted, on a thread with 64 KB of stack.
TEST(ProjectUpdates, DeepItemsAreFreedWithLittleStack) {
  constexpr int kLevels = 200000;
  CProjectUpdates model;
  model.Conflicts(kCaseItems).Add(Chain<ConflictItemRecord>(kLevels));
  model.Updates(kObjectItems).Add(Chain<UpdateItemRecord>(kLevels));
  model.Conflicts(kCaseItems)[0]->children[0]->details.Add(new ConflictRecord);
  EXPECT_TRUE(conflicttest::RunOnThread(64 << 10, [&] { model.Clear(); }));
  EXPECT_TRUE(model.IsEmpty());

  // Siblings at every level too: each item's children all go.
  ConflictItemRecord* wide = Chain<ConflictItemRecord>(kLevels);
  for (ConflictItemRecord* item = wide; item->children.GetCount(); item = item->children[0])
    item->children.Add(new ConflictItemRecord);
  EXPECT_TRUE(conflicttest::RunOnThread(64 << 10, [&] { delete wide; }));
}

}  // namespace
