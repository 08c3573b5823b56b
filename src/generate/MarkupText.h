#pragma once
// Text that goes into the generated documents (HTML, SVG, Markdown). Project names
// are the user's text: anything may be in them, so every name is cleaned and
// escaped on its way out.

#include <string>

namespace velmora {

// The text with every character that a UTF-8 document cannot carry replaced by
// U+FFFD: lone surrogates (bytes the code page could not read included), code
// points past U+10FFFF, U+FFFE/U+FFFF and control characters other than tab,
// line feed and carriage return.
std::wstring CleanDocumentText(const std::wstring& text);

// CleanDocumentText with & < > " ' written as character references, so the
// result is safe as element text and as a quoted attribute value.
std::wstring EscapeMarkup(const std::wstring& text);

// CleanDocumentText for one cell of a Markdown table or list item (never at the
// start of a line): '\', '|', '`', '*', '_', '[', ']', '<' and '#' escaped with a
// backslash, line breaks and tabs as blanks.
std::wstring EscapeMarkdownCell(const std::wstring& text);

}  // namespace velmora
