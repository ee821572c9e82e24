#pragma once
// How a document's file was encoded on disk, remembered at load and used again at save so
// that an unchanged file is written back byte for byte.
namespace quilmar {

// Utf8Bom, Utf16LE and Utf16BE carry their byte-order mark; Utf8 and Latin1 have none.
enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Latin1 };
// The bytes a line break is written as. The document itself always holds "\r\n".
enum class LineEnd { LF, CRLF, CR };

struct TextFormat {
  Encoding encoding = Encoding::Utf8;
  LineEnd lineEnd = LineEnd::LF;  // a new document is written with LF
  friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

}  // namespace quilmar
