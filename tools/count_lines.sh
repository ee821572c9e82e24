#!/usr/bin/env bash
# The share of tests in the code: non-blank lines of tests (unit tests, script checks and fuzz
# harnesses; not test data or fuzz corpora) over non-blank lines of all code (the programs'
# sources, benchmarks and tools, plus those tests). Generated tables are not counted.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { cat "$@" 2>/dev/null | grep -cv '^\s*$' || true; }
code_files() { find src bench tools -type f \( -name '*.cc' -o -name '*.hh' -o -name '*.sh' -o -name '*.py' -o -name '*.awk' \) ! -name '*_table.inc'; }
test_files() { find tests fuzz -type f \( -name '*.cc' -o -name '*.hh' -o -name '*.sh' -o -name '*.py' \) ! -path '*/data/*' ! -path '*/corpus/*' ! -path '*/regressions/*'; }
code=$(count $(code_files))
tests=$(count $(test_files))
echo "code (sources, benchmarks, tools): $code lines"
echo "tests (unit, script, fuzz harness): $tests lines"
python3 -c "print(f'tests / all code: {$tests / ($code + $tests):.3f}')"
