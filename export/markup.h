// Texts inside HTML and XML: values never become markup, and the XML stays well-formed
// whatever bytes a value holds.
#pragma once

#include <string>
#include <string_view>

namespace markup {

// "&", "<" and ">" as "&amp;", "&lt;" and "&gt;"; every other byte as it stands.
void AppendHtmlEscaped(std::string& out, std::string_view text);

// XML character data: "&", "<" and ">" as entities; a carriage return as "&#13;" so that a
// parser gives it back; characters of the program's code page outside ASCII as character
// references ("&#xE9;"), so the document is plain ASCII and reads right without an encoding
// declaration; control characters that XML cannot carry at all as "&#xFFFD;".
void AppendXmlText(std::string& out, std::string_view bytes);

// An XML element name made from a field name: letters, digits, "_", "-" and "." are kept, any
// other byte becomes "_", and a name that does not start with a letter or "_" gets "_" in front.
std::string XmlName(std::string_view fieldName);

}  // namespace markup
