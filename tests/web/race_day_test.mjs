// Race day in real browsers: pages opened at different moments on a link
// with a start time show the same tick at the same instant, each frame the
// recorder's; a visitor backs a runner on the race card and a marker follows
// it over the picture; the result says how it did. Each page's clock is set
// by the test, so nothing waits for a real time of day. Chromium runs all of
// it, Firefox ESR the core.
//
//   node race_day_test.mjs RUN_DIR SCRATCH_DIR
//
// RUN_DIR is the web build's run directory. Each check prints an ok or FAIL
// line; the last line is "race day: N passed, M failed".
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import ICAL from "ical.js";
import { canvasFrame, differingPixels, launchBrowser, nodeRecorderFrame, startServer } from
  "./support.mjs";

const [runDir, scratch] = process.argv.slice(2).map((p) => path.resolve(p));
const tickMs = 30;
const start = Date.UTC(2026, 11, 24, 17, 0, 0);
const link = `#at=${new Date(start).toISOString()}`;

let passes = 0;
let failures = 0;
function expect(what, ok, detail = "") {
  passes += ok ? 1 : 0;
  failures += ok ? 0 : 1;
  console.log(`${ok ? "ok" : "FAIL"}: race day: ${what}${!ok && detail ? `\n  ${detail}` : ""}`);
}

const recorderFrame = (tick) => nodeRecorderFrame(runDir, scratch, tick);

// The recorder's whole race, one trace line a tick.
const traceFile = path.join(scratch, "race-day-trace.jsonl");
execFileSync("node", [path.join(runDir, "gallop-record.js"), "--dir", runDir, "--trace", traceFile],
  { stdio: "ignore" });
const traceLines = fs.readFileSync(traceFile, "utf8").trim().split("\n").map((l) => JSON.parse(l));

// Where the marker of runner `gate` points at `tick`: over the middle of its
// silks as the recorder draws them, just above the rider's cap.
function markerPlace(tick, gate) {
  const { race, runners } = traceLines.find((line) => line.tick === tick);
  const odd = ((race.section + race.sectionShift) & 1) !== 0;
  const rightward = odd ? race.direction !== 0 : race.direction === 0;
  const runner = runners[gate - 1];
  const d = runner.distance - race.cameraDistance;
  const x = (rightward ? 556 - d : 206 + d) + 19;
  const y = Math.max(0, (odd ? runner.lane + 88 : 368 - runner.lane) - 14);
  return { x, y };
}

const phone = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

// A page whose clock reads `at` until the test moves it, and which counts
// every policy violation; on a phone's screen with `viewport` phone.
async function pageAt(browser, at, viewport = null) {
  const page = await browser.newPage();
  if (viewport !== null) {
    await page.setViewport(viewport);
  }
  page.on("pageerror", (error) => expect(`no script error (${error.message})`, false));
  await page.evaluateOnNewDocument((now) => {
    let clock = now;
    performance.now = () => clock - performance.timeOrigin;
    window.setTestClock = (to) => {
      clock = to;
    };
    window.violations = [];
    document.addEventListener("securitypolicyviolation", (event) =>
      window.violations.push(`${event.violatedDirective} ${event.blockedURI}`));
  }, at);
  return page;
}

const tickOf = (page) => page.$eval("#screen", (canvas) => Number(canvas.dataset.tick || -1));
const stateOf = (page) => page.$eval("body", (body) => body.dataset.state);

// Sets the clocks of `pages` to `at` and waits until each has drawn `tick`
// (or ended, for a tick past the race).
async function moveClocks(pages, at, tick) {
  await Promise.all(pages.map((page) => page.evaluate((to) => window.setTestClock(to), at)));
  await Promise.all(pages.map((page) => page.waitForFunction((wanted) => {
    const shown = Number(document.getElementById("screen").dataset.tick || -1);
    return wanted > 700 ? document.body.dataset.state === "ended" : shown >= wanted;
  }, { timeout: 20000, polling: 50 }, tick)));
}

async function openAt(browser, at, address, viewport = null) {
  const page = await pageAt(browser, at, viewport);
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.state === "running" ||
    document.body.dataset.state === "ended", { timeout: 30000, polling: 50 });
  return page;
}

// Two phones: one opened 4 s before the start, where its visitor backs
// runner 7 by touch, and one opened 5 s later, mid-race, in a browser
// profile of its own, without a pick.
async function checkTwoPages(browser, origin) {
  const early = await openAt(browser, start - 4000, `${origin}/index.html${link}`, phone);
  const banner = await early.$eval("#countdown", (p) => (p.hidden ? "" : p.textContent));
  expect(`opened 4 s early, the countdown says so in local time (“${banner}”)`,
    /^The gate opens in 0:04, at (17:00|05:00 PM)$/.test(banner));
  let shown = await canvasFrame(early);
  let differing = differingPixels(shown.rgb, recorderFrame(1));
  expect(`before the start the gate scene shows (tick ${shown.tick})`,
    shown.tick === 1 && differing === 0, `${differing} pixels differ`);
  const card = await early.$$eval("#race-card input[type=radio]", (radios) =>
    radios.map((radio) => radio.labels[0].textContent));
  expect("the race card lists all 18 runners with number and name",
    card.length === 18 && /^1\s*\S/.test(card[0]) && card[6].startsWith("7"), card.join(" | "));

  await early.tap('#race-card label[data-gate="7"]');
  expect("a tap on the card backs runner 7",
    /^You back 7 /.test(await early.$eval("#pick-line", (p) => p.textContent)));
  // The same visitor again: the pick is kept for the link, and the arrow
  // keys move it, as in any radio group.
  const again = await openAt(browser, start - 3000, `${origin}/index.html${link}`);
  const kept = await again.$eval('#race-card input[value="7"]', (radio) => radio.checked);
  await again.focus('#race-card input[value="7"]');
  await again.keyboard.press("ArrowDown");
  const moved = await again.$eval("#pick-line", (p) => p.textContent);
  expect(`the pick is kept for the race link on a second visit, and a key moves it (“${moved}”)`,
    kept && /^You back 8 /.test(moved));
  await again.close();

  // Another visitor: a browser profile of its own, so no pick.
  const stranger = await browser.createBrowserContext();
  const late = await openAt(stranger, start + 1000, `${origin}/index.html${link}`, phone);
  shown = await canvasFrame(late);
  differing = differingPixels(shown.rgb, recorderFrame(33));
  expect(`opened 5 s later, mid-race, a page joins at tick 33 (tick ${shown.tick})`,
    shown.tick === 33 && differing === 0, `${differing} pixels differ`);

  const both = [early, late];
  await moveClocks(both, start + 1500, 50);
  const frames = await Promise.all(both.map(canvasFrame));
  const fifty = recorderFrame(50);
  expect(`at start + 1500 ms both pages show frame 50 (ticks ${frames.map((f) => f.tick)})`,
    frames.every((frame) => frame.tick === 50 && differingPixels(frame.rgb, fifty) === 0));

  // Through the race: the marker over the picked runner, the same pixels
  // with a pick and without.
  for (const tick of [50, 180, 320, 470, 640]) {
    await moveClocks(both, start + tick * tickMs + 5, tick);
    const [mine, theirs] = await Promise.all(both.map(canvasFrame));
    const marker = await early.evaluate(() => {
      const layer = document.getElementById("marker");
      const canvas = document.getElementById("screen").getBoundingClientRect();
      const box = layer.getBoundingClientRect();
      const scale = canvas.width / 800;
      return { hidden: layer.hidden, tick: Number(layer.dataset.tick), edge: layer.dataset.edge,
        x: (box.left - canvas.left) / scale, y: (box.top - canvas.top) / scale };
    });
    const wanted = markerPlace(tick, 7);
    const wantedX = Math.min(Math.max(wanted.x, 0), 800);
    expect(`tick ${tick}: both pages show it, the canvas alike with a pick and without, and the ` +
      `marker points where the recorder draws runner 7 (${wanted.x}, ${wanted.y})`,
    mine.tick === tick && theirs.tick === tick && mine.rgb.equals(theirs.rgb) &&
      differingPixels(mine.rgb, recorderFrame(tick)) === 0 && !marker.hidden &&
      marker.tick === tick && Math.abs(marker.x - wantedX) <= 1 && Math.abs(marker.y - wanted.y) <= 1 &&
      marker.edge === (wanted.x < 0 ? "left" : wanted.x >= 800 ? "right" : ""),
    JSON.stringify({ marker, mine: mine.tick, theirs: theirs.tick }));
  }
  expect("once the gate has opened the card takes no pick",
    await early.$eval("#race-card", (card) => card.disabled));

  // A tab that was frozen (hidden, or a phone asleep) rejoins at the tick of
  // the clock and draws no tick between.
  const cdp = await late.createCDPSession();
  await late.evaluate(() => {
    window.drawnTicks = [];
    new MutationObserver(() => window.drawnTicks.push(
      Number(document.getElementById("screen").dataset.tick))).observe(
      document.getElementById("screen"), { attributes: true, attributeFilter: ["data-tick"] });
  });
  await cdp.send("Page.setWebLifecycleState", { state: "frozen" });
  await new Promise((resolve) => setTimeout(resolve, 300));
  await cdp.send("Page.setWebLifecycleState", { state: "active" });
  await moveClocks([late], start + 660 * tickMs + 5, 660);
  const drawn = await late.evaluate(() => window.drawnTicks);
  expect(`a frozen page rejoins at the clock's tick without crawling (drew ${drawn.join(",")})`,
    drawn.length === 1 && drawn[0] === 660);

  await moveClocks(both, start + 21500, 701);
  const line = await early.$eval("#pick-line", (p) => p.textContent);
  const row = await early.$eval("#result tr.picked", (tr) => ({ gate: tr.dataset.gate,
    place: tr.dataset.place })).catch(() => null);
  const place = row === null ? 0 : Number(row.place);
  const ordinal = place + (place % 100 >= 11 && place % 100 <= 13 ? "th" :
    ["th", "st", "nd", "rd"][place % 10] || "th");
  const shows = await early.evaluate(() => ({ card: !document.getElementById("race-card").hidden,
    table: !document.getElementById("result-table").hidden }));
  expect(`the result says where the pick finished and marks its row, in the card's place (“${line}”)`,
    row !== null && row.gate === "7" && !shows.card && shows.table &&
    new RegExp(`^Your pick, 7 .+, came (joint )?${ordinal} of 18\\.$`).test(line));
  expect("a page without a pick says nothing of one",
    (await late.$eval("#pick-line", (p) => p.textContent)) === "" &&
    (await late.$$("#result tr.picked")).length === 0);
  for (const page of both) {
    await page.close();
  }
  await stranger.close();
}

async function checkAfterTheEnd(browser, origin) {
  const page = await openAt(browser, start + 60000, `${origin}/index.html${link}`);
  await page.waitForFunction(() => document.body.dataset.state === "ended", { timeout: 20000, polling: 50 });
  const shown = await canvasFrame(page);
  const differing = differingPixels(shown.rgb, recorderFrame(700));
  const banner = await page.$eval("#countdown", (p) => (p.hidden ? "" : p.textContent));
  expect(`opened after the end: the last frame, the result and a way to watch again (“${banner}”)`,
    shown.tick === 700 && differing === 0 && /^This race ran at /.test(banner) &&
    !(await page.$eval("#result-table", (t) => t.hidden)) &&
    !(await page.$eval("#again", (b) => b.hidden)), `${differing} pixels differ`);
  await page.close();

  const unreadable = await openAt(browser, start, `${origin}/index.html#at=2026-13-24T17:00:00.000Z`);
  const notice = await unreadable.$eval("#notice", (p) => (p.hidden ? "" : p.textContent));
  await unreadable.evaluate((to) => window.setTestClock(to), start + 3000);
  await unreadable.waitForFunction(() => Number(document.getElementById("screen").dataset.tick) >= 90,
    { timeout: 10000, polling: 50 }).catch(() => {});
  expect(`a start time that cannot be read says so and the race plays at once (“${notice}”)`,
    /start time in this race link cannot be read/.test(notice) && (await tickOf(unreadable)) >= 90);
  await unreadable.close();
}

// The share box makes a link with a start time, for the shipped race and an
// edited one, and a calendar file that holds that time.
async function checkMakingALink(browser, origin) {
  const downloads = path.join(scratch, "race-day-downloads");
  fs.rmSync(downloads, { recursive: true, force: true });
  fs.mkdirSync(downloads, { recursive: true });
  const cdp = await browser.target().createCDPSession();
  await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  const page = await pageAt(browser, Date.now());
  await page.emulateTimezone("UTC");
  await page.goto(`${origin}/index.html`);
  await page.waitForFunction(() => document.body.dataset.state === "running" &&
    document.getElementById("editor").getAttribute("aria-busy") !== "true", { timeout: 30000 });
  await page.click("#share");
  const suggested = await page.$eval("#start-at", (input) => new Date(input.value).getTime());
  expect("“Start at” is filled with a time a few minutes ahead",
    suggested - Date.now() > 60000 && suggested - Date.now() <= 6 * 60000);
  await page.$eval("#start-at", (input) => {
    input.value = "2026-12-24T18:00:00";
  });
  await page.click("#schedule");
  const shippedLink = await page.$eval("#share-link", (input) => input.value);
  expect("the shipped race's race-day link is its start time alone",
    shippedLink.endsWith("#at=2026-12-24T18:00:00.000Z"), shippedLink);
  await page.click("#calendar");
  let file = null;
  for (let i = 0; i < 50 && file === null; ++i) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    file = fs.readdirSync(downloads).find((name) => name.endsWith(".ics")) || null;
  }
  let parsed = null;
  try {
    const event = new ICAL.Component(ICAL.parse(fs.readFileSync(path.join(downloads, file), "utf8")))
      .getFirstSubcomponent("vevent");
    parsed = { start: event.getFirstPropertyValue("dtstart").toJSDate().toISOString(),
      utc: event.getFirstPropertyValue("dtstart").zone === ICAL.Timezone.utcTimezone,
      url: event.getFirstPropertyValue("url") };
  } catch (error) {
    parsed = { error: String(error) };
  }
  expect(`the calendar file ${file} parses, at 18:00 UTC, with the link`,
    parsed.start === "2026-12-24T18:00:00.000Z" && parsed.utc && parsed.url === shippedLink,
    JSON.stringify(parsed));

  await page.$eval("#field tbody tr:nth-child(3) input.name", (input) => {
    input.value = "Race Day Special";
    input.dispatchEvent(new Event("input", { bubbles: true }));
    input.dispatchEvent(new Event("change", { bubbles: true }));
  });
  await page.click("#schedule");
  const editedLink = await page.$eval("#share-link", (input) => input.value);
  const opened = await openAt(browser, Date.UTC(2026, 11, 24, 17, 59), editedLink);
  const third = await opened.$eval('#race-card label[data-gate="3"]', (label) => label.textContent);
  expect("an edited race's race-day link opens that race, counting down to its start",
    /#race=[^&]+&at=2026-12-24T18:00:00\.000Z$/.test(editedLink) && third.includes("Race Day Special") &&
    /^The gate opens in 1:00, at /.test(await opened.$eval("#countdown", (p) => p.textContent)),
    `${editedLink} ${third}`);
  const violations = (await page.evaluate(() => window.violations))
    .concat(await opened.evaluate(() => window.violations));
  expect("playing, editing and scheduling raise no policy violation", violations.length === 0,
    violations.join(", "));
  await opened.close();
  await page.close();
}

async function checkFirefox(origin) {
  let firefox = null;
  try {
    firefox = await launchBrowser(scratch, true);
    const early = await openAt(firefox, start - 2000, `${origin}/index.html${link}`);
    const banner = await early.$eval("#countdown", (p) => (p.hidden ? "" : p.textContent));
    await early.click('#race-card label[data-gate="4"]');
    const late = await openAt(await firefox.createBrowserContext(), start + 3000,
      `${origin}/index.html${link}`);
    let shown = await canvasFrame(late);
    let differing = differingPixels(shown.rgb, recorderFrame(100));
    expect(`Firefox: a countdown before the start (“${banner}”), and a page opened mid-race joins ` +
      `at tick 100 (tick ${shown.tick})`, /^The gate opens in 0:02, at /.test(banner) &&
      shown.tick === 100 && differing === 0, `${differing} pixels differ`);
    await moveClocks([early, late], start + 400 * tickMs + 5, 400);
    const frames = await Promise.all([early, late].map(canvasFrame));
    const marker = await early.$eval("#marker", (layer) => ({ x: Number(layer.dataset.x),
      y: Number(layer.dataset.y), hidden: layer.hidden }));
    const wanted = markerPlace(400, 4);
    expect("Firefox: both pages show frame 400 alike, one with a pick and one without, the " +
      "marker over runner 4",
      frames.every((frame) => frame.tick === 400 &&
        differingPixels(frame.rgb, recorderFrame(400)) === 0) && !marker.hidden &&
      marker.x === wanted.x && marker.y === wanted.y, JSON.stringify(marker));
    await late.waitForFunction(() =>
      document.getElementById("editor").getAttribute("aria-busy") !== "true", { timeout: 30000 });
    await late.$eval("#field tbody tr:nth-child(2) input.name", (input) => {
      input.value = "Firefox Flyer";
      input.dispatchEvent(new Event("input", { bubbles: true }));
    });
    await late.click("#share");
    await late.click("#schedule");
    const made = await late.$eval("#share-link", (input) => input.value);
    const violations = (await early.evaluate(() => window.violations))
      .concat(await late.evaluate(() => window.violations));
    expect("Firefox: playing, editing and scheduling raise no policy violation",
      violations.length === 0 && /#race=[^&]+&at=\d{4}-/.test(made), `${violations.join(", ")} ${made}`);
  } catch (error) {
    expect(`Firefox: the checks run to the end (${error.message})`, false);
  } finally {
    if (firefox !== null) {
      await firefox.close();
    }
  }
}

fs.mkdirSync(scratch, { recursive: true });
const { server, origin } = await startServer(runDir);
let browser = null;
try {
  browser = await launchBrowser(scratch);
  await checkTwoPages(browser, origin);
  await checkAfterTheEnd(browser, origin);
  await checkMakingALink(browser, origin);
} catch (error) {
  expect(`the checks run to the end (${error.message})`, false);
} finally {
  if (browser !== null) {
    await browser.close();
  }
}
await checkFirefox(origin);
server.kill();
console.log(`race day: ${passes} passed, ${failures} failed`);
process.exitCode = failures === 0 ? 0 : 1;
