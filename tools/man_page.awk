# Writes a manual page (man(7) markup) from the text the program already has, so the words are
# written once:
#   awk -v format=help     -f man_page.awk quilmar_help.txt   the Help window's text: headings
#                          underlined with "-" or "=", indented lines kept as they are, the rest
#                          filled as paragraphs
#   awk -v format=markdown -f man_page.awk batch.md            "## " headings, paragraphs, "- "
#                          lists, indented code, `code`, and tables of two columns, which become
#                          tagged paragraphs (the options)
# The page itself is a template (-v template=FILE) of man markup: the converted text replaces its
# line "@BODY@" (put it after a .SH line), and @DATE@ and @VERSION@ become -v date and version.
# POSIX awk only (Debian's mawk): no gensub, no interval expressions.

# Plain text into man markup: backslashes, minus signs, the few non-ASCII characters the sources
# use, and a line that would begin with a control character.
function esc(s) {
  gsub(/\\/, "\\e", s)
  gsub(/-/, "\\-", s)
  gsub(/\342\200\246/, "...", s)  # U+2026 horizontal ellipsis
  gsub(/\342\210\222/, "\\-", s)  # U+2212 minus sign
  gsub(/\303\227/, "\\(mu", s)    # U+00D7 multiplication sign
  return s
}

function line_start(s) {
  if (s ~ /^[.']/) s = "\\&" s
  return s
}

# Markdown inline markup: `code` in bold, [text](target) as its text, "\|" as "|".
function inline(s,    out, i, rest) {
  out = ""
  while ((i = index(s, "`")) > 0) {
    rest = substr(s, i + 1)
    if (index(rest, "`") == 0) break
    out = out esc(substr(s, 1, i - 1)) "\\fB\\%" esc(substr(rest, 1, index(rest, "`") - 1)) "\\fR"
    s = substr(rest, index(rest, "`") + 1)
  }
  out = out esc(s)
  while (match(out, /\[[^]]*\]\([^)]*\)/)) {
    rest = substr(out, RSTART, RLENGTH)
    out = substr(out, 1, RSTART - 1) substr(rest, 2, index(rest, "]") - 2) substr(out, RSTART + RLENGTH)
  }
  gsub(/\\e\|/, "|", out)
  return out
}

function paragraph() {  # a new paragraph, unless a heading has just begun one
  if (!fresh) print ".PP"
  fresh = 0
}

function end_block() {
  if (block == "code") print ".fi"
  if (block == "code" && format == "markdown") print ".RE"
  block = ""
  pending_blank = 0
}

{ lines[++count] = $0 }

END {
  while ((getline line < template) > 0) {
    if (line != "@BODY@") {
      gsub(/@DATE@/, date, line)
      gsub(/@VERSION@/, version, line)
      print line
      continue
    }
    fresh = 1
    for (n = 1; n <= count; n++) {
      if (format == "help") help_line(lines[n], lines[n + 1])
      else markdown_line(lines[n])
    }
    end_block()
  }
}

function help_line(line, next_line) {
  if (line ~ /^[=-]+$/) return                      # a heading's underline
  if (next_line ~ /^[=-]+$/ && line != "") {         # a heading
    end_block()
    if (next_line ~ /^=/) return                     # the title: the page has its own
    print ".SH " esc(line)
    fresh = 1
  } else if (line == "") {
    end_block()
  } else if (line ~ /^ /) {                          # keys, commands and samples as laid out
    if (block != "code") { end_block(); paragraph(); print ".nf"; block = "code" }
    print line_start(esc(line))
  } else {
    if (block != "text") { end_block(); paragraph(); block = "text" }
    print line_start(esc(line))
  }
}

function markdown_line(line,    cells, n_cells, i) {
  if (line ~ /^# /) return                           # the title
  if (line ~ /^## /) {
    end_block()
    print ".SH " toupper(esc(substr(line, 4)))
    fresh = 1
  } else if (line == "") {
    if (block != "code") end_block()
    else pending_blank = 1
  } else if (line ~ /^    / && block != "item") {   # code, kept as laid out
    if (block != "code") { end_block(); paragraph(); print ".RS 4"; print ".nf"; block = "code" }
    else if (pending_blank) print ""
    pending_blank = 0
    print line_start(esc(substr(line, 5)))
  } else if (line ~ /^  / && block == "item") {    # a list item goes on
    sub(/^ +/, "", line)
    print line_start(inline(line))
  } else if (line ~ /^- /) {
    end_block()
    print ".IP \\(bu 2"
    print line_start(inline(substr(line, 3)))
    block = "item"
    fresh = 0
  } else if (line ~ /^\|/) {                         # a table row: option and meaning
    if (block != "table") { end_block(); block = "table"; header = 1 }
    if (header || line ~ /^\|[-| :]*$/) { header = 0; return }
    gsub(/\\\|/, "\001", line)
    n_cells = split(line, cells, "|")
    print ".TP"
    for (i = 2; i < n_cells; i++) {
      gsub(/^ +| +$/, "", cells[i])
      gsub(/\001/, "\\|", cells[i])
      print line_start(inline(cells[i]))
    }
    fresh = 0
  } else {
    if (block == "code") end_block()
    if (block != "text" && block != "item") { end_block(); paragraph(); block = "text" }
    print line_start(inline(line))
  }
}
