#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/) from readable cases.

libFuzzer's FuzzedDataProvider reads strings from the front of an input and numbers from its
back; each case is written in that layout, so a seed holds exactly the document, keys and
command lines named here. Run from anywhere: python3 fuzz/make_seeds.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


class Input:
    """Builds one input: strings go to the front, numbers to the back (read from the end)."""

    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order they are consumed

    def string(self, raw: bytes):
        for b in raw:
            self.front += b"\\\\" if b == 0x5C else bytes([b])
        self.front += b"\\\x01"  # ends the string
        return self

    def text(self, chars: str, alphabet: str):
        missing = [c for c in chars if c not in alphabet]
        if missing:
            raise ValueError(f"{missing!r} not in the target's alphabet {alphabet!r}")
        return self.string(bytes(alphabet.index(c) for c in chars))

    def int_in(self, value: int, low: int, high: int):
        span, offset, result_bytes = high - low, 0, []
        v = value - low
        while offset < 64 and (span >> offset) > 0:
            result_bytes.append(0)
            offset += 8
        # The first byte consumed is the most significant one.
        for i in range(len(result_bytes)):
            result_bytes[i] = (v >> (8 * (len(result_bytes) - 1 - i))) & 0xFF
        self.back += bytes(result_bytes)
        return self

    def bool(self, value: bool):
        return self.int_in(int(value), 0, 255)

    def rest(self, raw: bytes):
        self.front += raw
        return self

    def bytes(self) -> bytes:
        return bytes(self.front) + bytes(reversed(self.back))


def write(target: str, name: str, data: bytes):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- like_match ------------------------------------------------------------------------
PATTERN_ALPHABET = "*?#[]!-abcAB09/\\:,. ws"
TEXT_ALPHABET = "abcAB019-/[]!*?#:,. ws"
for name, pattern, text in [
    ("search_line", "[/]*", "/abc"),
    ("write_named", ":w *", ":w a.b"),
    ("substitute", ":#*,#*s[/]*[/]*/", ":1,9s/a/b/"),
    ("tab_digit", "a:#", "a:9"),
    ("negated_range", "[!a-c]?*", "A-"),
    ("dash_members", "[-a]*[a-]", "-ba"),
    ("unclosed_list", "[ab*", "[abc"),
    ("empty_lists", "[]a[!]", "a!"),
    ("stars", "*a*a*a*b", "aaaaaaaaaaaaaaaaaa"),
]:
    write("like_match", name, Input().text(pattern, PATTERN_ALPHABET).text(text, TEXT_ALPHABET).bytes())

# ---- substitute ------------------------------------------------------------------------
LINE_ALPHABET = "0123456789012 ,,sss///\\\\ntaAbBx. \r\""
DOC_ALPHABET = "aAbBaa \r\n\t,.s/\\xyz"


def substitute(name, line, document, case=True, wrap=False, cols=12, anchor=0, caret=0):
    i = (Input().bool(case).bool(wrap).int_in(cols, 1, 12).int_in(anchor, -1, 300).int_in(caret, -1, 300)
         .text(line, LINE_ALPHABET).rest(bytes(DOC_ALPHABET.index(c) for c in document)))
    write("substitute", name, i.bytes())


substitute("range_of_three", "0,2s/a/b/", "aA a\r\nxa\r\naa\r\nya\r\nz")
substitute("case_folded", "1,2s/a/b/", "aA\r\nAa\r\naA", case=False)
substitute("grows", "0,1s/a/aa/", "aaa\r\na")
substitute("deletes", "0,1s/a//", "abab\r\nba")
substitute("splits_lines", "1,1s/, /\\n/", "x\r\ny, z")
substitute("escapes", "0,1s/\\t/\\//", "a\tb\r\n\t")
substitute("refusals", "3,2s/a/b/", "a\r\nb\r\nx\r\ny")
substitute("end_zero", "0,0s/a/b/", "a")
substitute("beyond_last", "0,99s/s/x/", "sss\r\ns")
substitute("wrapped", "1,2s/a/b/", "aaaa aaaa aaaa aaaa", wrap=True, cols=5)
substitute("break_old_text", "0,2s/\\n/x/", "a\r\nb\r\nx")
substitute("selection_kept", "0,1s/B/x/", "ab\r\nab", anchor=1, caret=4)

# ---- round_trip ------------------------------------------------------------------------
for name, data in [
    ("empty", b""),
    ("lf", b"one\ntwo\n"),
    ("crlf", b"one\r\ntwo"),
    ("cr", b"one\rtwo\r"),
    ("mixed", b"a\r\nb\nc\rd\n"),
    ("utf8_bom", b"\xef\xbb\xbfcaf\xc3\xa9\r\n"),
    ("utf16le", b"\xff\xfea\x00\r\x00\n\x00b\x00"),
    ("utf16be_mixed", b"\xfe\xff\x00a\x00\n\x00\r\x00b"),
    ("latin1", b"caf\xe9\nna\xefve\n"),
    ("latin1_odd_mark", b"\xff\xfex\r\ny\n\n"),
    ("binary", bytes(range(256))),
    ("nul_bytes", b"a\x00b\x00\x00\r\n"),
]:
    write("round_trip", name, data)

# ---- key_script ------------------------------------------------------------------------
NAMED = [8, 9, 13, 27, 32, 33, 34, 35, 36, 37, 38, 39, 40, 45, 46, 186, 187, 188, 189, 190, 191,
         192, 219, 220, 221, 222, 112, 114, 120, 123, 96, 105, 16, 17, 18, 20, 0, 255, 116, 45]
COMMAND_ALPHABET = "wq!:0123456789 ,s/\\ntaAbx.ini"
COMMIT_ALPHABET = "ab \r\n\tA"
SHIFT_BYTES = {0: 0, 1: 160, 2: 226, 3: 227, 4: 228}


class Session(Input):
    def __init__(self, file: bytes, insert_mode=False, cols=20, rows=5):
        super().__init__()
        self.bool(insert_mode).string(file).int_in(cols, 1, 30).int_in(rows, 1, 10)

    def key(self, code: int, shift=0):
        if 65 <= code <= 90:
            pick = code - 65
        elif 48 <= code <= 57:
            pick = 78 + (code - 48 - 8) % 10
        else:
            pick = 120 + NAMED.index(code)
        return self.int_in(0, 0, 15).int_in(pick, 0, 255).int_in(SHIFT_BYTES[shift], 0, 255)

    def keys(self, letters: str):
        for c in letters:
            self.key(ord(c.upper()), 1 if c.isupper() else 0) if c.isalpha() else self.key(ord(c))
        return self

    def command(self, leader: str, line: str, escape=False):
        return self.int_in(8, 0, 15).bool(leader == ":").text(line, COMMAND_ALPHABET).int_in(0 if escape else 1, 0, 7)

    def mouse_up(self, which: int):
        return self.int_in(10, 0, 15).int_in(which, 0, 2)

    def select(self, anchor, caret, length):
        return self.int_in(11, 0, 15).int_in(anchor, -2, length + 2).int_in(caret, -2, length + 2)

    def menu(self, item: int):
        return self.int_in(12, 0, 15).int_in(item, 0, 12)

    def cells(self, cols, rows):
        return self.int_in(13, 0, 15).int_in(cols, 1, 30).int_in(rows, 1, 10)

    def commit(self, text):
        return self.int_in(14, 0, 15).text(text, COMMIT_ALPHABET)


DOC = b"alpha beta\r\ngamma\r\n\r\ndelta epsilon zeta\r\n"
write("key_script", "x_then_input_method", Session(DOC).keys("x").commit("ab").keys("x").bytes())
write("key_script", "line_commands", Session(DOC).keys("jddyjpAzz").key(27).keys("04IaaQ").key(27).bytes())
write("key_script", "command_lines",
      Session(DOC).command(":", "1,2s/a/x/").command("/", "ta").keys("nn").key(114).command(":", "2")
      .command(":", "w").command(":", "w bat.ini").command(":", "q").bytes())
write("key_script", "insert_mode_editing",
      Session(DOC, insert_mode=True).keys("ab").key(13).key(8).key(46).key(37, 1).key(39, 1).key(90, 2)
      .key(89, 2).key(65, 2).key(67, 2).key(88, 2).key(86, 2).key(9).key(36).key(35).key(33).key(34).bytes())
write("key_script", "wrap_and_resize",
      Session(b"a long paragraph that wraps over several narrow lines\r\nand another one", cols=7)
      .key(40).key(40).keys("dd").cells(3, 2).menu(6).key(40).cells(30, 10).menu(6).keys("A").commit("a\tb").bytes())
write("key_script", "mouse_and_menus",
      Session(DOC).select(2, 9, len(DOC)).mouse_up(0).select(0, 0, len(DOC)).mouse_up(1).menu(3).menu(0)
      .menu(1).menu(7).menu(8).menu(10).menu(11).menu(12).bytes())
write("key_script", "mixed_line_ends", Session(b"a\rb\nc\r\nd\n\r").keys("jjxxdd").key(39, 1).keys("y").bytes())
