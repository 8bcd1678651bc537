// From a ScriptUI dialog description to the page the XML dialog shows: the values the
// dialog keeps from the description, the transform with the module's stylesheet, the
// optional debug copy of the page and the stream the browser loads it from.
#pragma once

#include <handles.h>
#include <wqmsxml.h>

#include <objidl.h>

// The module's HTML resource 217, through the browser's resource protocol.
inline constexpr wchar_t kScriptUIStylesheetUrl[] = L"res://WQCGenericSvcs.dll/#217";

// What the dialog reads from its description.
struct ScriptUISettings {
  bool hasMaxWidth = false;  // "MaxWidth" read as a number (also when absent: width 0)
  long maxWidth = 0;
  plat::unique_bstr returnTo;
  plat::unique_bstr from;
  plat::unique_bstr debugFile;
  long activeDocument = 0;
  long activeCase = 0;
};

// Loads the stylesheet, waiting for it: a transform must never meet a half-loaded one.
HRESULT LoadScriptUIStylesheet(plat::com_ptr<IXMLDOMDocument>& stylesheet) noexcept;

// Reads the settings of the description `description` (a loaded document).
void ReadScriptUISettings(IXMLDOMDocument* description, ScriptUISettings& settings);

// What a description that is no well-formed XML document, or none with the root "ScriptUI",
// gives.
constexpr HRESULT WQ_E_NOTADESCRIPTION = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

// Parses `descriptionXml`, reads its settings and transforms it into the page text. A
// description that does not parse, or whose root is not "ScriptUI", gives
// WQ_E_NOTADESCRIPTION and a sentence saying so in `reason`, with the reader's text: its
// page would show nothing, and nothing a user could leave it by. A
// stylesheet that does not parse gives what the transform makes of it.
HRESULT BuildScriptUIPage(const wchar_t* descriptionXml, ScriptUISettings& settings,
                          plat::unique_bstr& page, plat::unique_bstr* reason = nullptr) noexcept;

// Writes the page as UTF-16 text to `path`; false when it could not (never an error).
bool WriteDebugFile(const wchar_t* path, const wchar_t* page) noexcept;

// A stream over the page as the browser reads it: the UTF-16 byte-order mark, the text
// and its terminator.
HRESULT CreatePageStream(const wchar_t* page, IStream** stream) noexcept;
