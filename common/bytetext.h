// The one place where table bytes become text on the screen and back. Every widget that shows
// or edits table data goes through these functions. The bytes are read in the program's code
// page (common/codepage.h), chosen from the user's locale; bytes that are no character of it show
// as escape characters that turn back into the same bytes, so BytesToText followed by
// TextToBytes gives back the same bytes, whatever they are, but for the few double-byte pairs
// that share their character with another pair of the page (they come back as the page's
// preferred pair). Values are therefore stored from their text only when the user changed them.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// Table bytes as text.
QString BytesToText(std::string_view bytes);

// The bytes of a text; nothing when some character cannot be held by the program's code page
// (`bad` then receives the first such character). Every value the user typed is stored
// through this, and refused with CannotHoldMessage when it fails.
std::optional<std::string> TryTextToBytes(const QString& text, QString* bad = nullptr);

// The bytes of a text that is not a table value (a caption, a file name shown in a list);
// characters the code page cannot hold become '?'.
std::string TextToBytes(const QString& text);

// Length of a text in bytes of the program's code page (the unit of field widths); a
// character the page cannot hold counts as one byte.
size_t ByteLength(const QString& text);

// The message that refuses a value holding `bad`.
QString CannotHoldMessage(const QString& bad);
