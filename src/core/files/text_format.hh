#pragma once
// How a document's file was encoded on disk, remembered at load and used again at save so
// that an unchanged file is written back byte for byte.
namespace quilmar {

// Utf8Bom, Utf16LE and Utf16BE carry their byte-order mark; Utf8 and Latin1 have none.
// Utf8Stray is UTF-8 with bytes that belong to no UTF-8 character ("stray" bytes): each is
// held as the escape U+DC00 + byte (see FromBytesEscaped) and written back as that byte.
// The numbers are kept in recovery records: new encodings go at the end.
enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Latin1, Utf8Stray };
constexpr Encoding kLastEncoding = Encoding::Utf8Stray;
// The bytes a line break is written as. The document itself always holds "\r\n".
enum class LineEnd { LF, CRLF, CR };

struct TextFormat {
  Encoding encoding = Encoding::Utf8;
  LineEnd lineEnd = LineEnd::LF;  // a new document is written with LF
  friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

}  // namespace quilmar
