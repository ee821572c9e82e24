#pragma once
// Turning a file's bytes into the document's text and back, remembering the encoding and the
// line-end style so that a file saved unchanged keeps its bytes, and an edit changes only the
// bytes it touched.
//
// Detection, in order:
//   1. A byte-order mark decides: EF BB BF (UTF-8), FF FE (UTF-16 LE), FE FF (UTF-16 BE),
//      provided what follows it decodes in that encoding (valid UTF-8; an even number of bytes
//      for UTF-16). Otherwise the mark is ordinary data and the rules below apply.
//   2. Strictly valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF, no
//      truncated sequence) is UTF-8.
//   3. UTF-8 with stray bytes (bytes of 0x80 and up in no well-formed sequence) when they are
//      few: no more than its multi-byte characters, and never more than 16 ahead of the
//      characters before them (Utf8Tally). Each is held as the escape U+DC00 + byte, shown as
//      U+FFFD, and written back as that byte.
//   4. Anything else is Latin-1: every byte is the character of the same number, so any file,
//      binary or not, comes back byte for byte.
// Line ends: LF, CRLF and a lone CR all become "\r\n". The style remembered is the one used
// most; on a tie the first of LF, CRLF, CR wins. A file without any line end counts as LF.
// The breaks in any other style are listed as BreakRuns, so that each is written back in its
// own form: whatever the file holds, an unchanged text is written back byte for byte.
//
// A file is decoded as it is read, a piece at a time: no more than one piece of its bytes is
// held beside the text. A file that turns out not to be UTF-8 (or UTF-16 of an odd length)
// is read again from its start; so is one whose stray bytes outnumbered its multi-byte
// characters early on but not in the whole file.
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "files/text_format.hh"
#include "platform/file_system.hh"
#include "text/break_forms.hh"
#include "text/shared_text.hh"
#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

struct Decoded {
  SharedText text;  // every line break is "\r\n"; one byte per unit where all characters fit
  TextFormat format;
  BreakRuns forms;  // the breaks not in format.lineEnd
};

struct Encoded {
  std::string bytes;
  // The format the bytes load back as. It differs from the one asked for where that one could
  // not give the text back on the next load (see Encode), and for Latin-1 left with ASCII alone.
  TextFormat format;
};

Decoded Decode(std::string_view bytes);
// The same, reading the source piece by piece (rewinding it where a guess of the encoding
// fails). `onBytes` sees every byte read, in order; after a rewind it is first called with a
// null view, then sees the bytes again from the first. A text that would grow past `maxUnits`
// stops the reading: nothing is returned.
std::optional<Decoded> Decode(ByteSource& source, const std::function<void(std::string_view)>& onBytes = {},
                              std::size_t maxUnits = std::size_t(-1));

// How bytes written in some format will read back: Decode decides by their content.
struct ReadBack {
  TextFormat format;     // what Decode will take them for
  bool sameText = true;  // whether it will give back the text they were made from
};

// The exact inverse of Decode for an unchanged text: every "\r\n" (and any lone "\r" or "\n")
// is written in its form from `forms`, Native ones in the format's line-end style.
// A UTF-8 text that begins with U+FEFF is written with a mark, since the character would
// otherwise be taken for one. A lone surrogate has no UTF-8 form and becomes U+FFFD, except a
// stray byte's escape in UTF-8 with stray bytes; UTF-16 keeps it as it is.
// Where the asked format would not load back as the same text, another is used instead:
//   - Latin-1 with a character above U+00FF, or whose bytes would be detected as another
//     encoding on the next load: UTF-8.
//   - UTF-8 with stray bytes whose bytes would load back otherwise (all its multi-byte
//     characters gone, stray bytes that now form a character): UTF-16.
// (So a recovery record holds the document's text.)
Encoded Encode(UnitSpan text, TextFormat format, std::span<const BreakRun> forms = {});
// The same for a text given as consecutive pieces, none of which ends between the two halves of
// a "\r\n" or of a surrogate pair (as Document::Pieces gives them).
using Pieces = std::span<const UnitSpan>;
Encoded Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms = {});
// The form a break takes in a file written with this line end.
BreakForm FormOf(LineEnd style);
// Writing a file: the text in this format, never another (but for the mark above), so the
// bytes no edit touched are written as they were read; handed to `write` a piece at a time
// (about a megabyte each) rather than held whole. A character Latin-1 cannot hold (see
// FirstUnheld) is written as "?". Returns how the bytes will read back.
ReadBack Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms, const ByteWriter& write);

// The position of the text's first character that the encoding has no code for: one above
// U+00FF in Latin-1; every other encoding has a code for every character.
std::optional<std::size_t> FirstUnheld(Pieces text, Encoding encoding);

// Where the asked encoding would not give the text back, the one that does (see Encode): UTF-8
// for Latin-1, UTF-16 (which keeps stray bytes' escapes as they are) for UTF-8 with stray bytes.
std::optional<Encoding> Fallback(Encoding encoding);

// The encoding's name for messages ("Latin-1").
std::u16string_view EncodingName(Encoding encoding);

}  // namespace quilmar
