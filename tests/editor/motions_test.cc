// Line motions and "dd" on laid-out lines: with word wrap on, a wrapped paragraph is several
// lines, and "0", "4", "y" and "dd" act on the piece that holds the caret.
#include "app/line_geometry.hh"
#include "app_test_access.hh"
#include "script_editor.hh"

namespace quilmar::testing {
namespace {

// A document wrapped at 10 cells: two paragraphs, the first several laid-out lines long.
class Wrapped : public ::testing::Test {
 protected:
  Wrapped() : ed(NarrowSetup()) {
    SetWordWrap(AppTestAccess::Document(ed.app()), true);
    ed.Load("|aaaa bbbb cccc dddd eeee\nnext");
    // The first paragraph must wrap for these cases to mean anything.
    EXPECT_GE(GetLineCount(ed.doc()), 4);
    EXPECT_EQ(Piece(GetLineCount(ed.doc()) - 1), u"next");
  }
  static headless::EditorSetup NarrowSetup() {
    headless::EditorSetup setup;
    setup.cols = 10;
    return setup;
  }
  CharPos Start(LineNo line) { return LineIndex(ed.doc(), line).value(); }
  CharPos Length(LineNo line) { return LineLength(ed.doc(), Start(line)); }
  String Piece(LineNo line) { return ed.doc().Slice(Start(line), Length(line)); }
  void CaretTo(CharPos pos) { ed.doc().SetSelStart(pos); }

  ScriptEditor ed;
};

TEST_F(Wrapped, ZeroAndFourStayOnTheLaidOutLine) {
  const CharPos start = Start(1);
  ASSERT_GT(start, 0);
  ASSERT_GT(Length(1), 2);
  CaretTo(start + 2);
  ed.Run("0");
  EXPECT_EQ(ed.doc().SelStart(), start);
  ed.Run("4");
  EXPECT_EQ(ed.doc().SelStart(), start + Length(1));
  // The line after a wrap begins at the very next character: no break characters between.
  EXPECT_EQ(Start(2), start + Length(1));
}

TEST_F(Wrapped, YankCopiesThePieceOnly) {
  CaretTo(Start(1) + 1);
  const String piece = Piece(1);
  ed.Run("y");
  EXPECT_EQ(ed.editor().clipboard.GetText(), piece);
  EXPECT_EQ(ed.doc().SelStart(), Start(1));
  EXPECT_EQ(ed.doc().SelLength(), static_cast<CharPos>(piece.size()));
}

TEST_F(Wrapped, DeleteLineInsideParagraphRemovesOnlyThePiece) {
  const String before = ed.doc().Text();
  const CharPos start = Start(1);
  const CharPos length = Length(1);
  CaretTo(start + 1);
  ed.Run("dd");
  String expected = before;
  expected.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
  EXPECT_EQ(ed.doc().Text(), expected);
  EXPECT_EQ(ed.doc().SelStart(), start);
}

TEST_F(Wrapped, DeleteLastPieceJoinsTheNextParagraph) {
  const LineNo last = GetLineCount(ed.doc()) - 2;  // the first paragraph's last piece
  const CharPos start = Start(last);
  const String before = ed.doc().Text();
  CaretTo(start);
  ed.Run("dd");
  EXPECT_EQ(ed.doc().Text(), before.substr(0, static_cast<std::size_t>(start)) + u"next");
}

TEST_F(Wrapped, GotoCountsLaidOutLines) {
  const LineNo last = GetLineCount(ed.doc()) - 1;
  ed.Command(":2");
  EXPECT_EQ(ed.doc().SelStart(), Start(2));
  ed.Command(":" + std::to_string(last.value()));
  EXPECT_EQ(ed.Doc(), "aaaa bbbb cccc dddd eeee\n|next");
  ed.Command(":" + std::to_string((last + 1).value()));
  EXPECT_EQ(ed.Message(), "Invalid line number");
}

}  // namespace
}  // namespace quilmar::testing
