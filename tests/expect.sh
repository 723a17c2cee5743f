# Sourced by the shell test stages. expect WHAT COMMAND...: WHAT holds when
# the command succeeds; prints an ok or FAIL line, prefixed by
# $expect_prefix, and counts it in passes or failures.
passes=0
failures=0
expect_prefix=${expect_prefix:-}

expect() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $expect_prefix$what"
        passes=$((passes + 1))
    else
        echo "FAIL: $expect_prefix$what"
        failures=$((failures + 1))
    fi
}
