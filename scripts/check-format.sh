#!/usr/bin/env bash
# Fails when a C++ file changed on this branch is not formatted with the repository's
# .clang-format. Only changed files are checked (against the merge base with main, or against the
# previous commit on main itself), so files untouched since before the check never fail it.
#
#   scripts/check-format.sh          check
#   scripts/check-format.sh --fix    format the changed files in place
set -euo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format-14 || command -v clang-format || true)
if [[ -z "$format" ]]; then
  echo "check-format: clang-format is not installed" >&2
  exit 1
fi

base=""
for ref in origin/main main; do
  if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then
    base=$(git merge-base HEAD "$ref")
    break
  fi
done
if [[ -z "$base" || "$base" == "$(git rev-parse HEAD)" ]]; then
  base=$(git rev-parse -q --verify 'HEAD~1^{commit}' || true)
fi
if [[ -z "$base" ]]; then
  echo "check-format: no earlier commit to compare with"
  exit 0
fi

mapfile -t files < <(git diff --name-only --diff-filter=ACMR "$base" -- '*.cpp' '*.h')
if ((${#files[@]} == 0)); then
  echo "check-format: no changed C++ files"
  exit 0
fi
if [[ "${1:-}" == "--fix" ]]; then
  "$format" -i "${files[@]}"
  exit 0
fi
"$format" --dry-run --Werror "${files[@]}"
echo "check-format: ${#files[@]} changed files formatted"
