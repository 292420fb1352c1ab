# Runs one case file in a shell of its own: bash run_case.sh FILE NAME.
# Exit 0 when all its checks passed, 77 when it skipped, 1 otherwise.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
E2E_CASE=$2
E2E_CASE_DIR=$E2E_RUN/cases/$E2E_CASE
E2E_FAILED=0
E2E_STARTS=0
E2E_STARTED=()
E2E_EXPLORER_PIDS=()
E2E_DESKTOP=$E2E_CASE
mkdir -p "$E2E_CASE_DIR"
e2e_lang en
trap e2e_stop_all EXIT
source "$1"
[ "$E2E_FAILED" -eq 0 ]
