#!/usr/bin/env bash
# The shared library exports exactly the listed functions and nothing else.
# Usage: exports_test.sh LIBRARY EXPECTED_LIST
set -eu
actual="$(nm -D --defined-only "$1" | awk '{print $3}' | sort)"
expected="$(grep -v '^#' "$2" | sort)"
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") || true
  echo "exports: 0 passed, 1 failed"
  exit 1
fi
echo "exports: 1 passed, 0 failed"
