#!/usr/bin/env bash
# tools/audit-page.sh [RUN_DIR]
#
# Lighthouse's audit of the built page (build/web/run by default) with its
# mobile settings (a phone's screen, a slow network and a slow processor,
# simulated), served by python3's static server on 127.0.0.1 as ./run --web
# serves it. Prints the four scores (performance, accessibility, best
# practices, SEO) and the figures behind the performance score. A
# measurement, not a test: the scores move with the machine's load.
#
# Lighthouse comes from npm at the version in tools/audit/package-lock.json
# and drives the system's Chromium (CHROME_PATH, /usr/bin/chromium by default).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
run_dir=$(cd "${1:-$source_dir/build/web/run}" && pwd)
if [ ! -f "$run_dir/index.html" ]; then
    echo "audit-page: no page in $run_dir; build it with: cmake --build --preset web" >&2
    exit 2
fi
(cd "$source_dir/tools/audit" && npm ci --no-audit --no-fund --loglevel=error)

scratch=$(mktemp -d)
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
python3 -u -m http.server --bind 127.0.0.1 --directory "$run_dir" 0 >"$scratch/server.log" 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$scratch/server.log" | head -n 1)
    [ -n "$port" ] && break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "audit-page: the static server did not start" >&2
    exit 1
fi

# Chromium as root needs --no-sandbox; the rest keeps it from reaching out
# to the network on its own.
CHROME_PATH=${CHROME_PATH:-/usr/bin/chromium} "$source_dir/tools/audit/node_modules/.bin/lighthouse" \
    "http://127.0.0.1:$port/index.html" --quiet \
    --only-categories=performance,accessibility,best-practices,seo \
    --chrome-flags="--headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update --disable-sync --no-first-run" \
    --output=json --output-path="$scratch/report.json"
if [ -n "${GALLOP_AUDIT_REPORT:-}" ]; then
    cp "$scratch/report.json" "$GALLOP_AUDIT_REPORT"
fi
node - "$scratch/report.json" <<'SCRIPT'
const report = JSON.parse(require("node:fs").readFileSync(process.argv[2], "utf8"));
for (const [id, category] of Object.entries(report.categories)) {
  console.log(`${category.title.padEnd(16)} ${category.score.toFixed(2)}`);
}
for (const id of ["first-contentful-paint", "largest-contentful-paint", "total-blocking-time",
  "cumulative-layout-shift", "speed-index", "total-byte-weight"]) {
  const audit = report.audits[id];
  console.log(`  ${audit.title}: ${audit.displayValue}`);
}
// The longest tasks on the main thread, which make up the blocking time.
const tasks = (report.audits["long-tasks"].details || { items: [] }).items;
for (const task of tasks.slice(0, 5)) {
  console.log(`  long task: ${Math.round(task.duration)} ms at ${Math.round(task.startTime)} ms ` +
    `(${task.url})`);
}
for (const category of Object.values(report.categories)) {
  for (const ref of category.auditRefs) {
    const audit = report.audits[ref.id];
    if (ref.weight > 0 && audit.score !== null && audit.score < 1) {
      console.log(`  not full marks (${category.title}): ${audit.title}`);
    }
  }
}
SCRIPT
