#!/usr/bin/env bash
# Does the test suite catch real faults? Applies each fault of the list below, one at a time,
# to a copy of the source, builds the test programs and runs them; prints KILLED when a test
# program fails and SURVIVED when all pass. The real tree is never touched.
#   usage: tools/mutation_sample.sh [FAULT_NUMBER...]      (default: all)
#   MUTATION_DIR: where the copy lives (default build/mutation/tree, so that ccache, whose
#   base folder is /work, finds the objects of the release build; set CCACHE_NOHASHDIR=1 for
#   both builds to share them)
# The script checks of tests/scripts are not run here: they cost minutes each. (Do not edit
# this file while it runs: bash reads it as it goes.)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ -f "$root/CMakeLists.txt" ] && [ -d "$root/src/core" ] || { echo "run it where it lives: tools/ of the source tree"; exit 2; }
tree=${MUTATION_DIR:-$root/build/mutation/tree}
export CCACHE_NOHASHDIR=1 QT_QPA_PLATFORM=offscreen

# file # sed expression # what a user would meet
faults=(
  "src/core/editor/motions.cc#s/+ LineLength(txtMain, pos);/+ LineLength(txtMain, pos) - 1;/#\"4\" stops one character before the line end"
  "src/core/editor/key_handler.cc#s/if (txtMain.SelText() == kLineBreak)/if (txtMain.SelText() != kLineBreak)/#\"dd\" leaves the line break and eats two characters of the next line"
  "src/core/editor/search.cc#s/SearchPos = hit->pos + length;/SearchPos = hit->pos;/#a repeated search finds the same occurrence again"
  "src/core/command/substitute.cc#s/LineIndex(txtMain, range.start).value();/LineIndex(txtMain, range.start + 1).value();/#a substitution starts one line after its first line"
  "src/core/command/substitute.cc#s/hits.size())) + Ascii/hits.size() + 1)) + Ascii/#the substitution reports one replacement too many"
  "src/core/command/substitute.cc#s/if (range.start > range.end) return kInvalidStart;/if (range.start >= range.end) return kInvalidStart;/#a substitution over one line (\":3,3s\") is refused"
  "src/core/command/parser.cc#s/{Test::Equals, u\":q\", Quit<false>}/{Test::Equals, u\":q\", Quit<true>}/#\":q\" quits without asking over unsaved changes"
  "src/core/command/parser.cc#s/GoToLineCommand{String(line.substr(1))}/GoToLineCommand{String(line.substr(2))}/#\":12\" goes to line 2"
  "src/core/files/encode.cc#s/if (style != LineEnd::CR) put(u'\\\\n');/if (style == LineEnd::LF) put(u'\\\\n');/#a CRLF file's new breaks are written as CR alone"
  "src/core/files/decode.cc#s/if (c.lf >= c.crlf \&\& c.lf >= c.cr) return LineEnd::LF;/if (c.lf > c.crlf \&\& c.lf >= c.cr) return LineEnd::LF;/#a file with as many CRLF as LF breaks gets CRLF for new breaks"
  "src/core/files/save_file.cc#s/ownFile \&\& !override_ \&\& !(f.state.file.stamp/ownFile \&\& override_ \&\& !(f.state.file.stamp/#\":w\" overwrites a file changed on disk since it was read"
  "src/core/files/settings.cc#s/return value == u\"True\";/return value == u\"True\" || value == u\"true\";/#the settings file takes \"true\" for \"True\""
  "src/core/files/settings.cc#s/value\\[0\\] - u'0'/value[0] - u'1'/#the tab width from the settings file is one less"
  "src/core/files/document_panels.cc#s/GetLineCount() - 1) + u\" lines\"/GetLineCount()) + u\" lines\"/#the lines panel counts one line too many"
  "src/core/files/editor_files.cc#/ports_.statusBar.SetPanelText(panel::Position, String());/d#File Close leaves the position panel showing"
  "src/core/text/grapheme.cc#/if (SplitsPair(t, offset)) ++offset;/d#a step back from inside a surrogate pair lands inside the cluster"
  "src/core/text/line_breaker.cc#s/i == start || end <= width_/i == start || end < width_/#a line that exactly fills the width wraps its last character"
  "src/core/text/undo.cc#s/if (!edit.removed.empty() || edit.pos/if (edit.pos/#typing over a selection joins the previous typing's undo step"
  "src/core/app/options.cc#/^  CmdStart_ = start;$/d#Start in Command Mode is not written to the settings"
  "src/core/text/text_model_layouts.cc#s/line >= doc.LineCount()) return std::nullopt;/line > doc.LineCount()) return std::nullopt;/#LineIndex past the last line answers a position"
)

# MUTATION_PROGRAMS="test_text test_editor" runs only those (the core ones need no Qt GUI build).
read -r -a programs <<<"${MUTATION_PROGRAMS:-test_text test_editor test_command test_cases test_app test_files test_reliability test_batch test_qt}"

# The build folder stays (objects and all); the sources are copied afresh, stamped now, so that
# no object built from a mutant of an earlier run survives (ccache makes the rebuild cheap).
copy_tree() {
  mkdir -p "$tree"
  find "$tree" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
  (cd "$root" && tar --exclude=./build --exclude=./.git -cf - .) | (cd "$tree" && tar -xmf -)
}

configure() {
  (cd "$tree" && cmake --preset release -DQUILMAR_BUILD_BENCH=OFF >"$tree/configure.log" 2>&1)
}

build() {  # targets...
  (cd "$tree" && nice cmake --build --preset release --target "$@" >"$tree/build.log" 2>&1)
}

# Builds and runs the programs one at a time, cheapest first: the first that fails names the
# fault as caught, and the later ones are neither linked nor run. Prints the failing program,
# or "no build" when the mutated source does not compile.
run_tests() {
  for program in "${programs[@]}"; do
    build "$program" || { echo "no build"; return 1; }
    if ! (cd "$tree/build/release" && timeout 900 "bin/$program" --gtest_brief=1 >"$tree/$program.log" 2>&1); then
      echo "$program"
      return 1
    fi
  done
  return 0
}

copy_tree
configure || { cat "$tree/configure.log"; exit 1; }
echo "building and running the unchanged copy in $tree"
if ! failing=$(run_tests); then echo "the unchanged copy fails ($failing): fix the suite first"; exit 1; fi

selected=("$@")
killed=0 survived=0
for i in "${!faults[@]}"; do
  n=$((i + 1))
  if ((${#selected[@]})) && [[ ! " ${selected[*]} " =~ " $n " ]]; then continue; fi
  IFS='#' read -r file expression what <<<"${faults[$i]}"
  cp "$root/$file" "$tree/$file"
  sed -i -e "$expression" "$tree/$file"
  if cmp -s "$root/$file" "$tree/$file"; then
    printf '%2d  NOT APPLIED  %s (%s)\n' "$n" "$what" "$file"
    continue
  fi
  if failing=$(run_tests); then
    printf '%2d  SURVIVED     %s (%s)\n' "$n" "$what" "$file"
    survived=$((survived + 1))
  elif [ "$failing" = "no build" ]; then
    printf '%2d  NO BUILD     %s (%s)\n' "$n" "$what" "$file"
  else
    printf '%2d  KILLED       %s (%s; by %s)\n' "$n" "$what" "$file" "$failing"
    killed=$((killed + 1))
  fi
  cp "$root/$file" "$tree/$file"
done
echo "killed $killed, survived $survived"
