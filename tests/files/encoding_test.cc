// Decoding and encoding of files: detection, line ends, and byte-exact round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include <unicode/ustring.h>

#include "files/encoding.hh"
#include "files/utf8_scan.hh"
#include "platform/keys.hh"
#include "platform/measure.hh"
#include "text/document.hh"
#include "text/text_model.hh"

namespace quilmar {
namespace {

using namespace std::string_literals;

struct RoundTrip {
  const char* name;
  std::string bytes;
  Encoding encoding;
  LineEnd lineEnd;
  String text;  // as the document holds it
};

// Each file decodes to its text and format, and encodes back to the very same bytes.
const RoundTrip kRoundTrips[] = {
    {"empty", "", Encoding::Utf8, LineEnd::LF, u""},
    {"LF", "one\ntwo\n", Encoding::Utf8, LineEnd::LF, u"one\r\ntwo\r\n"},
    {"CRLF", "one\r\ntwo\r\n", Encoding::Utf8, LineEnd::CRLF, u"one\r\ntwo\r\n"},
    {"CR", "one\rtwo\r", Encoding::Utf8, LineEnd::CR, u"one\r\ntwo\r\n"},
    {"no final line end", "one\ntwo", Encoding::Utf8, LineEnd::LF, u"one\r\ntwo"},
    {"empty lines", "\n\n\n", Encoding::Utf8, LineEnd::LF, u"\r\n\r\n\r\n"},
    {"no line end at all", "word", Encoding::Utf8, LineEnd::LF, u"word"},
    {"UTF-8", "gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80\n", Encoding::Utf8, LineEnd::LF,
     u"gr\u00FC\u00DF \u20AC \U0001F600\r\n"},
    {"UTF-8 BOM", "\xEF\xBB\xBFhi\r\n", Encoding::Utf8Bom, LineEnd::CRLF, u"hi\r\n"},
    {"UTF-8 BOM only", "\xEF\xBB\xBF", Encoding::Utf8Bom, LineEnd::LF, u""},
    {"NUL bytes", "a\0b\n\0"s, Encoding::Utf8, LineEnd::LF, u"a\0b\r\n\0"s},
    {"Latin-1", "caf\xE9\n\xFF\xFE", Encoding::Latin1, LineEnd::LF, u"caf\u00E9\r\n\u00FF\u00FE"},
    {"invalid UTF-8 with CRLF", "a\xC3\r\nb", Encoding::Latin1, LineEnd::CRLF, u"a\u00C3\r\nb"},
    {"overlong form", "\xC0\xAF", Encoding::Latin1, LineEnd::LF, u"\u00C0\u00AF"},
    {"encoded surrogate", "\xED\xA0\x80", Encoding::Latin1, LineEnd::LF, u"\u00ED\u00A0\u0080"},
    {"above U+10FFFF", "\xF4\x90\x80\x80", Encoding::Latin1, LineEnd::LF, u"\u00F4\u0090\u0080\u0080"},
    {"truncated sequence", "ab\xE2\x82", Encoding::Latin1, LineEnd::LF, u"ab\u00E2\u0082"},
    // UTF-8 with stray bytes: no more of them than multi-byte characters (the mark is one).
    {"UTF-8 BOM then invalid", "\xEF\xBB\xBF\xFF", Encoding::Utf8Stray, LineEnd::LF, u"\uFEFF\xDCFF"},
    // The same forms after wide text, where three-byte characters are decoded in bulk.
    {"encoded surrogate after wide text", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xED\xA0\x80", Encoding::Utf8Stray,
     LineEnd::LF, u"\u20AC\u20AC\u20AC\xDCED\xDCA0\xDC80"},
    {"overlong three bytes after wide text", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE0\x9F\xBF", Encoding::Utf8Stray,
     LineEnd::LF, u"\u20AC\u20AC\u20AC\xDCE0\xDC9F\xDCBF"},
    {"first and last three-byte characters after wide text", "\xE2\x82\xAC\xE0\xA0\x80\xEF\xBF\xBF\xE2\x82", Encoding::Utf8Stray,
     LineEnd::LF, u"\u20AC\u0800\uFFFF\xDCE2\xDC82"},
    {"a stray byte among UTF-8", "ok \xE2\x82\xAC bad \xFF\n", Encoding::Utf8Stray, LineEnd::LF, u"ok \u20AC bad \xDCFF\r\n"},
    {"stray bytes before the characters", "\xE9\xFF \xC3\xA9\xE2\x82\xAC", Encoding::Utf8Stray, LineEnd::LF,
     u"\xDCE9\xDCFF \u00E9\u20AC"},
    {"a cut sequence among UTF-8", "\xE2\x82\xAC\xE2\x82\xAC x\xE2\x82", Encoding::Utf8Stray, LineEnd::LF,
     u"\u20AC\u20AC x\xDCE2\xDC82"},
    {"more stray bytes than characters", "\xE9\xE9 \xC3\xA9", Encoding::Latin1, LineEnd::LF, u"\u00E9\u00E9 \u00C3\u00A9"},
    {"UTF-16 LE", "\xFF\xFEh\0i\0\r\0\n\0\x3D\xD8\x00\xDE"s, Encoding::Utf16LE, LineEnd::CRLF, u"hi\r\n\U0001F600"},
    {"UTF-16 BE", "\xFE\xFF\0h\0i\0\n\x20\xAC"s, Encoding::Utf16BE, LineEnd::LF, u"hi\r\n\u20AC"},
    {"UTF-16 LE lone surrogate and NUL", "\xFF\xFE\x00\xD8\0\0"s, Encoding::Utf16LE, LineEnd::LF, u"\xD800\0"s},
    {"UTF-16 BE CR", "\xFE\xFF\0a\0\r\0b"s, Encoding::Utf16BE, LineEnd::CR, u"a\r\nb"},
    {"UTF-16 mark before an odd byte count", "\xFF\xFEx", Encoding::Latin1, LineEnd::LF, u"\u00FF\u00FEx"},
    {"long ASCII runs", std::string(1000, 'x') + "\n" + std::string(37, 'y'), Encoding::Utf8, LineEnd::LF,
     String(1000, u'x') + u"\r\n" + String(37, u'y')},
};

// The text cut into its paragraphs and breaks, each a piece of its own, with empty pieces
// in between, as a document made of many nodes hands it over.
std::vector<UnitSpan> CutAtBreaks(StringView text) {
  std::vector<UnitSpan> pieces{UnitSpan()};
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(u"\r\n", from);
    pieces.push_back(text.substr(from, at - from));
    if (at == StringView::npos) break;
    pieces.push_back(text.substr(at, 2));
    pieces.push_back(UnitSpan());
    from = at + 2;
  }
  return pieces;
}

TEST(Encoding, FilesDecodeToTheirTextAndFormatAndEncodeBackByteForByte) {
  for (const RoundTrip& c : kRoundTrips) {
    SCOPED_TRACE(c.name);
    const Decoded decoded = Decode(c.bytes);
    EXPECT_EQ(decoded.text.ToString(), c.text);
    EXPECT_EQ(decoded.format.encoding, c.encoding);
    EXPECT_EQ(decoded.format.lineEnd, c.lineEnd);
    const Encoded encoded = Encode(decoded.text.View(), decoded.format, decoded.forms);
    EXPECT_EQ(encoded.bytes, c.bytes);
    EXPECT_EQ(encoded.format, decoded.format);
    const Encoded inPieces = Encode(CutAtBreaks(decoded.text.ToString()), decoded.format, decoded.forms);
    EXPECT_EQ(inPieces.bytes, c.bytes);
    EXPECT_EQ(inPieces.format, decoded.format);
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int LengthOf(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// The text a character is held as: "\r\n" for a line end.
void AppendHeld(String& out, char32_t c) {
  if (c == U'\n') {
    out += u"\r\n";
  } else if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

// Characters of every length, at the edges of their ranges and between, in any order, in runs
// short and long and at any distance from the file's end: they decode as ICU decodes them.
// With broken sequences among them (overlong forms, surrogates, cut sequences, bytes UTF-8
// never holds, at any place in a run) every byte of those is kept as a byte of its own, every
// character around them decodes as itself, and the text encodes back to the very same bytes.
TEST(Encoding, UTF8OfEveryLengthDecodesAsICUDoesAndBrokenSequencesComeBack) {
  const char32_t kEdges[] = {U'a',  U' ',   U'\n',  0x7F,   0x80,   0xE9,    0x7FF,   0x800,    0x439,
                             0x5D0, 0x4E2D, 0xD7FF, 0xE000, 0xFFFD, 0xFFFF, 0x10000, 0x1F60A, 0x10FFFF};
  const std::string kBroken[] = {"\x80",         "\xBF",         "\xC0\xAF",         "\xC1\x80",        "\xC3",
                                 "\xE0\x80\x80", "\xED\xA0\x80", "\xE4\xB8",         "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",
                                 "\xF5\x80\x80\x80", "\xFF",     "\xF0\x9F\x98",     "\xE4\xB8\x0A",   "\xE0\x9F\xBF",
                                 "\xED\xBF\xBF", "\xF0\x80\x80\x80", "\xF7\xBF\xBF\xBF", "\xC2\xC2", "\xF4\xBF\xBF\xBF"};
  std::mt19937 rng(11);
  for (int round = 0; round < 6000; ++round) {
    std::string bytes;
    String expected;
    const int count = static_cast<int>(rng() % (round % 3 == 0 ? 200u : 12u));
    const bool broken = round % 2 == 1;
    const int brokenAt = broken ? static_cast<int>(rng() % static_cast<unsigned>(count + 1)) : -1;
    const int family = static_cast<int>(rng() % 5);  // 0: any length
    for (int k = 0; k <= count; ++k) {
      if (k == brokenAt) {
        const std::string& piece = kBroken[rng() % std::size(kBroken)];
        bytes += piece;
        for (char b : piece) b == '\n' ? AppendHeld(expected, U'\n') : AppendHeld(expected, ByteEscape(static_cast<unsigned char>(b)));
      }
      if (k < count) {
        // Runs mostly of one length (a script's words), or of any length.
        char32_t c = kEdges[rng() % std::size(kEdges)];
        while (family != 0 && LengthOf(c) != family && rng() % 6 != 0) c = kEdges[rng() % std::size(kEdges)];
        AppendUtf8(bytes, c);
        AppendHeld(expected, c);
      }
    }
    SCOPED_TRACE(::testing::PrintToString(bytes));
    const Decoded decoded = Decode(bytes);
    if (!broken) {
      UErrorCode status = U_ZERO_ERROR;
      std::int32_t length = 0;
      std::u16string wide(bytes.size() + 1, u'\0');
      u_strFromUTF8(wide.data(), static_cast<std::int32_t>(wide.size()), &length, bytes.data(),
                    static_cast<std::int32_t>(bytes.size()), &status);
      ASSERT_TRUE(U_SUCCESS(status));
      wide.resize(static_cast<std::size_t>(length));
      String icu;
      for (char16_t u : wide) {
        if (u == u'\n') icu += u'\r';
        icu += u;
      }
      ASSERT_EQ(decoded.text.ToString(), icu);
    }
    // A few multi-byte characters before many stray bytes make the file Latin-1 instead.
    if (decoded.format.encoding != Encoding::Latin1) {
      ASSERT_EQ(decoded.text.ToString(), expected);
    }
    ASSERT_EQ(Encode(decoded.text.View(), decoded.format, decoded.forms).bytes, bytes);
  }
}

// A document's pieces after pastes and edits encode to the bytes of its whole text.
TEST(Encoding, ADocumentsPiecesEncodeAsItsWholeText) {
  CellMeasure measure(10, 25);
  TextModel model(measure);
  model.LoadText(u"\uFEFFfirst \u00E9\r\nsecond \U0001F600\r\nthird\r\n");
  model.SetSelStart(9);
  model.SetSelText(SharedText(String(u"pa\r\nst\r\ned \u20AC\r\n")));
  model.SetSelStart(2);
  model.SetSelText(u"x");
  model.SetSelStart(model.Length() - 3);
  model.SetSelLength(3);
  model.SetSelText(u"");
  const String whole = model.Text();
  for (Encoding encoding : {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Latin1, Encoding::Utf16LE, Encoding::Utf16BE,
                            Encoding::Utf8Stray})
    for (LineEnd style : {LineEnd::LF, LineEnd::CRLF, LineEnd::CR}) {
      const Encoded expected = Encode(whole, {encoding, style});
      const Encoded got = Encode(model.Pieces(), {encoding, style});
      EXPECT_EQ(got.bytes, expected.bytes);
      EXPECT_EQ(got.format, expected.format);
    }
}

// Each break comes back in its own form; breaks without a form of their own (new ones) take
// the style used most.
TEST(Encoding, MixedLineEndsComeBackAsTheyWereAndNewBreaksInTheMostUsedStyle) {
  struct Case {
    std::string bytes;
    LineEnd style;
    std::string saved;
  };
  const Case cases[] = {
      {"a\r\nb\r\nc\nd", LineEnd::CRLF, "a\r\nb\r\nc\r\nd"},
      {"a\nb\rc\n", LineEnd::LF, "a\nb\nc\n"},
      {"a\rb\rc\r\n", LineEnd::CR, "a\rb\rc\r"},
      // Ties: LF before CRLF before CR.
      {"a\nb\r\n", LineEnd::LF, "a\nb\n"},
      {"a\r\nb\r", LineEnd::CRLF, "a\r\nb\r\n"},
      {"a\rb\n", LineEnd::LF, "a\nb\n"},
      // "\n\r" is two line ends, not one.
      {"a\n\rb", LineEnd::LF, "a\n\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const Decoded decoded = Decode(c.bytes);
    EXPECT_EQ(decoded.format.lineEnd, c.style);
    EXPECT_EQ(Encode(decoded.text.View(), decoded.format, decoded.forms).bytes, c.bytes);
    EXPECT_EQ(Encode(decoded.text.View(), decoded.format).bytes, c.saved);
    for (Encoding utf16 : {Encoding::Utf16LE, Encoding::Utf16BE}) {
      const std::string wide = Encode(decoded.text.View(), {utf16, decoded.format.lineEnd}, decoded.forms).bytes;
      const Decoded again = Decode(wide);
      EXPECT_EQ(again.forms, decoded.forms);
      EXPECT_EQ(Encode(again.text.View(), again.format, again.forms).bytes, wide);
    }
  }
}


// Reads one byte short of a piece and so on: the decoder meets every sequence and line end
// cut by the end of a piece, and a file found not to be UTF-8 only after the first piece;
// after ASCII, and after text of two- and three-byte characters (cut anywhere, a stray byte).
TEST(Encoding, AFileReadInPiecesDecodesAsItsWholeBytes) {
  constexpr std::size_t kPiece = std::size_t(1) << 18;  // the decoder's piece
  const std::string tails[] = {"\r\n", "\r\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80\r", "\xE9\r\n",
                               "\xE2\x82\xAC\xFF", "\xFF\xE2\x82\xAC"};
  for (const bool wide : {false, true})
  for (const std::string& tail : tails)
    for (std::size_t shift = 0; shift < 6; ++shift) {
      SCOPED_TRACE(testing::Message() << "tail " << testing::PrintToString(tail) << " shift " << shift << " wide " << wide);
      std::string bytes;
      while (bytes.size() < kPiece) bytes += wide ? "\xD0\xB6\xD0\xB8\xE2\x82\xAC " : "x";
      bytes.resize(kPiece - shift);
      bytes += tail + "end\n";
      MemorySource source(bytes, {}, 4093);  // a few bytes at a time, as a disk may hand them
      std::string seen;
      const Decoded decoded = *Decode(source, [&](std::string_view b) {
        if (b.data() == nullptr) seen.clear();
        seen += b;
      });
      EXPECT_EQ(seen, bytes);
      EXPECT_EQ(Encode(decoded.text.View(), decoded.format, decoded.forms).bytes, bytes);
      const bool latin1 = !wide && tail.find('\xE9') != std::string::npos;
      String text;
      for (char b : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(b));
      if (!latin1) text = FromBytesEscaped(bytes);
      const bool stray = std::any_of(text.begin(), text.end(), IsByteEscape);
      EXPECT_EQ(decoded.format.encoding, latin1 ? Encoding::Latin1 : stray ? Encoding::Utf8Stray : Encoding::Utf8);
      EXPECT_TRUE(decoded.text.ToString() == NormalizeBreaks(text));
      // UTF-16 cut the same way, and with a last odd byte (not UTF-16 then).
      const std::string wide = Encode(decoded.text.View(), {Encoding::Utf16LE, LineEnd::LF}, decoded.forms).bytes;
      const Decoded wideDecoded = Decode(wide);
      EXPECT_EQ(Encode(wideDecoded.text.View(), wideDecoded.format, wideDecoded.forms).bytes, wide);
      EXPECT_EQ(Decode(wide + "z").format.encoding, Encoding::Latin1);
    }
}

// A file big enough for its pages to be backed ahead of the decoder, on another thread, while
// the decoder fills them: all narrow, widened late, and read again from the start as Latin-1.
TEST(Encoding, ABigFileDecodesTheSameWhileItsPagesAreBackedAhead) {
  std::string line = "the quick brown fox jumps over the lazy dog 0123456789\n";
  std::string ascii;
  while (ascii.size() < (std::size_t(80) << 20)) ascii += line;
  for (const char* late : {"", "\xE2\x82\xAC", "\xFF"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(late)));
    std::string bytes = ascii;
    bytes.insert(bytes.size() - (std::size_t(10) << 20), late);
    const Decoded decoded = Decode(bytes);
    EXPECT_EQ(decoded.format.encoding, *late == '\xFF' ? Encoding::Latin1 : Encoding::Utf8);
    EXPECT_EQ(decoded.text.View().IsNarrow(), *late != '\xE2');
    EXPECT_TRUE(Encode(decoded.text.View(), decoded.format, decoded.forms).bytes == bytes);
  }
}

// Told from a file's bytes handed over in pieces of any size (as a save writes them), the
// encoding is the one Decode finds: the table's files and short runs of bytes that make
// characters, stray bytes, marks and line ends.
TEST(Encoding, AGuessFromPiecesAgreesWithDecode) {
  std::vector<std::string> files;
  for (const RoundTrip& c : kRoundTrips) files.push_back(c.bytes);
  const std::string alphabet = "a\n\xC3\xA9\xE2\x82\xAC\xFF\xEF\xBB\xBF\xFE\xF0\x9F\x98\x80";
  std::mt19937 random(7);
  for (int k = 0; k < 2000; ++k) {
    std::string bytes(random() % 12, ' ');
    for (char& b : bytes) b = alphabet[random() % alphabet.size()];
    files.push_back(bytes);
  }
  for (const std::string& bytes : files)
    for (std::size_t piece : {1, 2, 3, 5, 100}) {
      ReadingGuess guess;
      for (std::size_t at = 0; at < bytes.size(); at += piece) guess.Add(std::string_view(bytes).substr(at, piece));
      EXPECT_EQ(guess.Finish(), Decode(bytes).format.encoding) << testing::PrintToString(bytes) << " in pieces of " << piece;
    }
}

TEST(Encoding, ATextLongerThanTheLimitStopsTheDecoding) {
  const std::string lines(50, '\n');  // 50 bytes, 100 characters
  MemorySource source(lines, {}, 4093);
  EXPECT_FALSE(Decode(source, {}, 99));
  EXPECT_EQ(Decode(source, {}, 100)->text.size(), 100u);
}

TEST(Encoding, NewTextIsWrittenInTheDocumentsFormat) {
  const String text = u"\u00E9\r\nx";
  EXPECT_EQ(Encode(text, {Encoding::Utf8, LineEnd::LF}).bytes, "\xC3\xA9\nx");
  EXPECT_EQ(Encode(text, {Encoding::Utf8Bom, LineEnd::CRLF}).bytes, "\xEF\xBB\xBF\xC3\xA9\r\nx");
  EXPECT_EQ(Encode(text, {Encoding::Latin1, LineEnd::CR}).bytes, "\xE9\rx");
  EXPECT_EQ(Encode(text, {Encoding::Utf16LE, LineEnd::LF}).bytes, "\xFF\xFE\xE9\0\n\0x\0"s);
  EXPECT_EQ(Encode(text, {Encoding::Utf16BE, LineEnd::CRLF}).bytes, "\xFE\xFF\0\xE9\0\r\0\n\0x"s);
  // Lone breaks, which the document never holds, are still written as breaks.
  EXPECT_EQ(Encode(u"a\rb\nc", {Encoding::Utf8, LineEnd::CRLF}).bytes, "a\r\nb\r\nc");
}

// Whatever is written must load back as the same text; where the document's own format
// cannot promise that, another one is chosen and reported.
TEST(Encoding, AFormatThatWouldChangeTheTextOnReloadIsReplaced) {
  struct Case {
    const char* name;
    String text;
    TextFormat asked;
    Encoding written;
  };
  const Case cases[] = {
      {"Latin-1 gained a character above U+00FF", u"caf\u00E9 \u20AC", {Encoding::Latin1, LineEnd::LF}, Encoding::Utf8},
      {"Latin-1 bytes that read as UTF-8", u"\u00C3\u00A9", {Encoding::Latin1, LineEnd::LF}, Encoding::Utf8},
      {"Latin-1 bytes that read as a UTF-16 mark", u"\u00FF\u00FEab\u00E9\u00E9", {Encoding::Latin1, LineEnd::LF}, Encoding::Utf8},
      {"Latin-1 bytes that read as a UTF-8 mark", u"\u00EF\u00BB\u00BFabc", {Encoding::Latin1, LineEnd::LF}, Encoding::Utf8},
      {"Latin-1 text now plain ASCII", u"abc", {Encoding::Latin1, LineEnd::LF}, Encoding::Utf8},
      {"UTF-8 text starting with U+FEFF", u"\uFEFFabc", {Encoding::Utf8, LineEnd::LF}, Encoding::Utf8Bom},
      {"Latin-1 that stays Latin-1", u"caf\u00E9", {Encoding::Latin1, LineEnd::LF}, Encoding::Latin1},
      {"Latin-1 bytes that read as UTF-8 with stray bytes", u"\u00C3\u00A9\u00FF", {Encoding::Latin1, LineEnd::LF}, Encoding::Utf8},
      {"stray bytes without a multi-byte character", u"ok \xDCFF", {Encoding::Utf8Stray, LineEnd::LF}, Encoding::Utf16LE},
      {"stray bytes that now make a character", u"\u20AC \xDCC3\xDCA9", {Encoding::Utf8Stray, LineEnd::LF}, Encoding::Utf16LE},
      {"UTF-8 left without stray bytes", u"\u20AC", {Encoding::Utf8Stray, LineEnd::LF}, Encoding::Utf8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Encoded encoded = Encode(c.text, c.asked);
    EXPECT_EQ(encoded.format.encoding, c.written);
    EXPECT_EQ(encoded.format.lineEnd, c.asked.lineEnd);
    const Decoded reloaded = Decode(encoded.bytes);
    EXPECT_EQ(reloaded.text.ToString(), c.text);
    EXPECT_EQ(reloaded.format.encoding, c.written);
  }
}

// A write keeps the document's encoding, whatever its text became (a file's bytes that no edit
// touched stay as they were), and says whether the file will read back as this text.
TEST(Encoding, AWriteKeepsItsEncodingAndSaysHowItWillReadBack) {
  struct Case {
    const char* name;
    String text;
    Encoding encoding;
    std::string bytes;
    Encoding readBack;
    bool sameText;
  };
  const Case cases[] = {
      {"stray bytes kept", u"\u20AC\xDCFF\r\n", Encoding::Utf8Stray, "\xE2\x82\xAC\xFF\n", Encoding::Utf8Stray, true},
      {"no multi-byte character left", u"ok \xDCFF", Encoding::Utf8Stray, "ok \xFF", Encoding::Latin1, false},
      {"stray bytes that now make a character", u"\xDCC3\xDCA9 \u20AC", Encoding::Utf8Stray, "\xC3\xA9 \xE2\x82\xAC",
       Encoding::Utf8, false},
      {"no stray byte left", u"\u20AC", Encoding::Utf8Stray, "\xE2\x82\xAC", Encoding::Utf8, true},
      {"Latin-1", u"caf\u00E9", Encoding::Latin1, "caf\xE9", Encoding::Latin1, true},
      {"Latin-1 now ASCII", u"caf", Encoding::Latin1, "caf", Encoding::Utf8, true},
      {"Latin-1 that reads as UTF-8", u"\u00C3\u00A9", Encoding::Latin1, "\xC3\xA9", Encoding::Utf8, false},
      {"Latin-1 has no euro sign", u"\u20AC\u00E9", Encoding::Latin1, "?\xE9", Encoding::Latin1, false},
      // A lone surrogate (a stray byte of another file too) has no UTF-8 form; UTF-16 keeps it.
      {"UTF-8 and lone surrogates", u"a\xD800z\xDCFF", Encoding::Utf8, "a\xEF\xBF\xBDz\xEF\xBF\xBD", Encoding::Utf8, false},
      {"UTF-16 and lone surrogates", u"\xDCFF", Encoding::Utf16LE, "\xFF\xFE\xFF\xDC", Encoding::Utf16LE, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<UnitSpan> pieces = CutAtBreaks(c.text);
    std::string bytes;
    const ReadBack back = Encode(pieces, {c.encoding, LineEnd::LF}, {}, [&](std::string_view b) { bytes += b; });
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(back.format.encoding, c.readBack);
    EXPECT_EQ(back.sameText, c.sameText);
    const Decoded reloaded = Decode(bytes);
    EXPECT_EQ(reloaded.format.encoding, c.readBack);
    EXPECT_EQ(reloaded.text.ToString() == NormalizeBreaks(c.text), c.sameText);
    // Only Latin-1 lacks a code for some characters.
    EXPECT_EQ(FirstUnheld(pieces, c.encoding), c.encoding == Encoding::Latin1 && c.text[0] > 0xFF ? 0u : std::optional<std::size_t>());
  }
  const String text = u"caf\u00E9\r\n\u00FF\U0001F600";
  EXPECT_EQ(FirstUnheld(CutAtBreaks(text), Encoding::Latin1), 7u);
  EXPECT_EQ(FirstUnheld(CutAtBreaks(text), Encoding::Utf8Stray), std::nullopt);
}

// An edit changes only the bytes it touches: every other break keeps its form, a break the
// edit makes takes the style used most, and undo and redo put the forms back as they were.
TEST(Encoding, EditsKeepTheFormsOfTheBreaksTheyDoNotTouch) {
  // Two LF, one CRLF, one CR: new breaks are LF. As the document holds it:
  // "one\r\ntwo\r\nthree\r\nfour\r\nfive", "two" at 5, "three" at 10, "four" at 17.
  const std::string file = "one\ntwo\r\nthree\rfour\nfive";
  const KeyEvent backspace{key::Back, shift::None, {}}, del{key::Delete, shift::None, {}};
  struct Case {
    const char* name;
    std::function<void(TextModel&)> edit;
    std::string saved;
  };
  const Case cases[] = {
      {"typing inside a line", [](TextModel& m) { m.SetSelStart(6); m.SetSelText(u"X"); }, "one\ntXwo\r\nthree\rfour\nfive"},
      {"a new break inside a line", [](TextModel& m) { m.SetSelStart(6); m.SetSelText(u"\r\n"); },
       "one\nt\nwo\r\nthree\rfour\nfive"},
      {"joining two lines", [](TextModel& m) { m.Select(8, 10); m.SetSelText(u""); }, "one\ntwothree\rfour\nfive"},
      {"deleting across lines", [](TextModel& m) { m.Select(6, 18); m.SetSelText(u""); }, "one\ntour\nfive"},
      {"pasting lines", [](TextModel& m) { m.SetSelText(SharedText(String(u"x\r\ny\r\nz\r\n"))); },
       "x\ny\nz\none\ntwo\r\nthree\rfour\nfive"},
      {"backspacing over breaks", [&](TextModel& m) { m.SetSelStart(12); for (int i = 0; i < 5; ++i) m.KeyDown(backspace); },
       "one\ntree\rfour\nfive"},
      {"deleting over breaks", [&](TextModel& m) { m.SetSelStart(7); for (int i = 0; i < 10; ++i) m.KeyDown(del); },
       "one\ntwur\nfive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded decoded = Decode(file);
    CellMeasure measure(80, 25);
    TextModel model(measure);
    model.LoadText(decoded.text, decoded.forms);
    auto saved = [&] { return Encode(model.Pieces(), decoded.format, model.BreakForms()).bytes; };
    EXPECT_EQ(saved(), file);
    c.edit(model);
    EXPECT_EQ(saved(), c.saved);
    while (model.CanUndo()) model.Undo();
    EXPECT_EQ(saved(), file);
    while (model.CanRedo()) model.Redo();
    EXPECT_EQ(saved(), c.saved);
  }
}

}  // namespace
}  // namespace quilmar
