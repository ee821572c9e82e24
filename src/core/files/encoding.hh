#pragma once
// Turning a file's bytes into the document's text and back, remembering the encoding and the
// line-end style so that a file saved unchanged keeps its bytes.
//
// Detection, in order:
//   1. A byte-order mark decides: EF BB BF (UTF-8), FF FE (UTF-16 LE), FE FF (UTF-16 BE),
//      provided what follows it decodes in that encoding (valid UTF-8; an even number of bytes
//      for UTF-16). Otherwise the mark is ordinary data and the rules below apply.
//   2. Strictly valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF, no
//      truncated sequence) is UTF-8.
//   3. Anything else is Latin-1: every byte is the character of the same number, so any file,
//      binary or not, comes back byte for byte.
// Line ends: LF, CRLF and a lone CR all become "\r\n". The style remembered is the one used
// most; on a tie the first of LF, CRLF, CR wins. A file without any line end counts as LF.
// The breaks in any other style are listed as BreakRuns, so that each is written back in its
// own form: whatever the file holds, an unchanged text is written back byte for byte.
//
// A file is decoded as it is read, a piece at a time: no more than one piece of its bytes is
// held beside the text. A file that turns out not to be UTF-8 (or UTF-16 of an odd length)
// is read again from its start.
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
  // The format actually written. It differs from the one asked for only where that one could
  // not give the text back on the next load (see Encode).
  TextFormat format;
};

Decoded Decode(std::string_view bytes);
// The same, reading the source piece by piece (rewinding it where a guess of the encoding
// fails). `onBytes` sees every byte read, in order; after a rewind it is first called with a
// null view, then sees the bytes again from the first. A text that would grow past `maxUnits`
// stops the reading: nothing is returned.
std::optional<Decoded> Decode(ByteSource& source, const std::function<void(std::string_view)>& onBytes = {},
                              std::size_t maxUnits = std::size_t(-1));

// The exact inverse of Decode for an unchanged text: every "\r\n" (and any lone "\r" or "\n")
// is written in its form from `forms`, Native ones in the format's line-end style.
// Where the asked format would not load back as the same text, another is used instead:
//   - Latin-1 with a character above U+00FF, or whose bytes would be detected as UTF-8 or
//     UTF-16 on the next load: written as UTF-8 (with a mark if the text begins with U+FEFF).
//   - UTF-8 without a mark for a text that begins with U+FEFF: written with a mark, since the
//     character would otherwise be taken for one.
// A lone surrogate cannot be written in UTF-8 and becomes U+FFFD; UTF-16 keeps it as it is.
Encoded Encode(UnitSpan text, TextFormat format, std::span<const BreakRun> forms = {});
// The same for a text given as consecutive pieces, none of which ends between the two halves of
// a "\r\n" or of a surrogate pair (as Document::Pieces gives them).
using Pieces = std::span<const UnitSpan>;
// The form a break takes in a file written with this line end.
BreakForm FormOf(LineEnd style);
Encoded Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms = {});
// The same, handing the bytes to `write` a piece at a time (about a megabyte each) rather than
// holding them all; returns the format written. (Latin-1, which depends on the bytes made, is
// still made whole first.)
TextFormat Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms, const ByteWriter& write);

}  // namespace quilmar
