// The web page in real browsers: the system's headless Chromium loads it
// from a static server on 127.0.0.1 and plays the race, on desktop and phone
// screens, on a first visit and offline; then Firefox ESR, through WebDriver
// BiDi, plays the core of it.
//
//   node page_test.mjs RUN_DIR SCRATCH_DIR [REFERENCE_RUN_DIR]
//
// RUN_DIR is the web build's run directory (index.html, gallop.js,
// gallop-record.js, deta/, image/). REFERENCE_RUN_DIR holds the Linux
// recorder, gallop-record (default: build/dev/run of the source tree). Each check prints an ok or FAIL line, and
// the last line is "web page: N passed, M failed"; the exit code is non-zero
// when anything failed. The server and the browser are started here and
// stopped at the end, whatever happens.
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { canvasFrame, differingPixels, launchBrowser, nodeRecorderFrame, startServer } from
  "./support.mjs";

const [runDir, scratch, referenceArg] = process.argv.slice(2).map((p) => path.resolve(p));
const sourceDir = path.resolve(path.dirname(new URL(import.meta.url).pathname), "../..");
const linuxRecorder = path.join(referenceArg || path.join(sourceDir, "build", "dev", "run"),
  "gallop-record");
const dataFileError = "データファイルの読み込みに失敗しました";

let passes = 0;
let failures = 0;
function expect(what, ok, detail = "") {
  if (ok) {
    passes += 1;
    console.log(`ok: web page: ${what}`);
  } else {
    failures += 1;
    console.log(`FAIL: web page: ${what}${detail ? `\n  ${detail}` : ""}`);
  }
}

// The sites the server offers: the build as it is, and the same without
// deta/rival.txt.
function layOutSites() {
  const site = path.join(scratch, "site");
  fs.rmSync(site, { recursive: true, force: true });
  fs.cpSync(runDir, path.join(site, "race"), { recursive: true });
  fs.cpSync(runDir, path.join(site, "no-rival"), { recursive: true });
  fs.rmSync(path.join(site, "no-rival", "deta", "rival.txt"));
  return site;
}

const recorderFrame = (tick, dir = runDir) => nodeRecorderFrame(runDir, scratch, tick, dir);

const state = (page) => page.$eval("body", (body) => body.dataset.state);
const shownTick = (page) => page.$eval("#screen", (canvas) => Number(canvas.dataset.tick || 0));
const message = (page) =>
  page.$eval("#message", (p) => (p.hidden ? "" : p.textContent));
// A running race is waited for with the editor filled and its swatches in
// (the editor is aria-busy until then), as the checks go on to use it.
const waitForState = (page, wanted, timeout) =>
  page.waitForFunction((s) => document.body.dataset.state === s && (s !== "running" ||
    document.getElementById("editor").getAttribute("aria-busy") !== "true"), { timeout }, wanted);

async function checkGateWait(page, origin) {
  // Every shift of the layout that no input caused, summed over the race.
  await page.evaluateOnNewDocument(() => {
    window.layoutShift = 0;
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) {
        window.layoutShift += entry.hadRecentInput ? 0 : entry.value;
      }
    }).observe({ type: "layout-shift", buffered: true });
  });
  await page.goto(`${origin}/race/index.html`);
  expect("the page is titled GALLOP", (await page.title()) === "GALLOP");
  expect("the canvas is titled GALLOP and is 800×600 at 1:1",
    await page.$eval("#screen", (c) => c.title === "GALLOP" && c.width === 800 &&
      c.height === 600 && c.getBoundingClientRect().width === 800 &&
      c.getBoundingClientRect().height === 600));
  await page.waitForFunction(() => Number(document.getElementById("screen").dataset.tick) >= 5,
    { timeout: 30000 });
  const shown = await canvasFrame(page);
  const differing = differingPixels(shown.rgb, recorderFrame(50));
  expect(`during the gate wait (tick ${shown.tick}) the canvas equals the recorder's frame 50`,
    shown.tick <= 100 && differing === 0, `${differing} pixels differ`);
}

async function checkEnd(page) {
  // The race started by the previous check plays on to its end.
  await waitForState(page, "ended", 90000);
  const shown = await canvasFrame(page);
  const differing = differingPixels(shown.rgb, recorderFrame(700));
  expect(`the race reaches its end and keeps its last frame (tick ${shown.tick})`,
    shown.tick === 700 && differing === 0, `${differing} pixels differ from frame 700`);
  await checkFinishingOrder(page, "shipped race", trace(runDir, "node"));
  const shift = await page.evaluate(() => window.layoutShift);
  expect(`the layout shifts by ${shift.toFixed(3)} over the race, less than 0.1`, shift < 0.1);
  expect("a button offers to run the race again",
    await page.$eval("#again", (b) => !b.hidden));
  await page.click("#again");
  await page.waitForFunction(() => Number(document.getElementById("screen").dataset.tick) >= 1,
    { timeout: 10000 });
  expect("the button runs the race again from the start",
    (await state(page)) === "running" && (await shownTick(page)) < 100);
}

async function checkEscape(page) {
  await page.waitForFunction(() => Number(document.getElementById("screen").dataset.tick) >= 10,
    { timeout: 10000 });
  await page.focus("#screen");
  await page.keyboard.press("Escape");
  await waitForState(page, "ended", 5000).catch(() => {});
  const tick = await shownTick(page);
  expect(`Escape ends the race (at tick ${tick})`,
    (await state(page)) === "ended" && tick < 700);
}

async function checkOwnData(page) {
  const picker = await page.$("#files");
  const bad = path.join(scratch, "bad", "courseDeta.txt");
  fs.mkdirSync(path.dirname(bad), { recursive: true });
  fs.writeFileSync(bad, "only one record,1,;\r\n");
  await picker.uploadFile(bad);
  await waitForState(page, "error", 10000).catch(() => {});
  expect("a course file without record 5 shows the message and the race does not start",
    (await message(page)) === dataFileError && (await state(page)) === "error");

  const variant = path.join(sourceDir, "tests", "variants", "odd-left-style0-short", "deta");
  await picker.uploadFile(path.join(variant, "courseDeta.txt"), path.join(variant, "rival.txt"));
  await waitForState(page, "running", 10000).catch(() => {});
  expect("the user's own courseDeta.txt and rival.txt restart the race",
    (await state(page)) === "running" && (await message(page)) === "");
}

async function checkMissingRival(page, origin) {
  await page.goto(`${origin}/no-rival/index.html`);
  await page.waitForFunction(() => document.body.dataset.state !== "loading", { timeout: 30000 });
  await new Promise((resolve) => setTimeout(resolve, 300));
  expect("with rival.txt missing the message shows and the race does not start",
    (await message(page)) === dataFileError && (await state(page)) === "error" &&
      (await shownTick(page)) === 0, `message '${await message(page)}'`);
  const settled = await page.waitForFunction(() =>
    !document.getElementById("editor").hasAttribute("aria-busy"), { timeout: 10000 })
    .then(() => true, () => false);
  expect("with rival.txt missing the editor fills and is not left busy", settled);
}

// ---- The user's own sheets ------------------------------------------------

// A copy of a sheet with red and green swapped in every colour: the colour key
// (pure blue) and every pixel's distance to it stay as they were, and
// whatever has red unlike green changes colour. An 8-bit sheet (as shipped)
// has its palette swapped, a 24-bit one its pixels.
function swappedSheet(name, folder) {
  const bytes = Buffer.from(fs.readFileSync(path.join(runDir, "image", name)));
  const swap = (at) => { [bytes[at + 1], bytes[at + 2]] = [bytes[at + 2], bytes[at + 1]]; };
  const bits = bytes.readUInt16LE(28);
  if (bits === 8) {
    const palette = 14 + bytes.readUInt32LE(14); // entries of blue, green, red, 0
    const count = bytes.readUInt32LE(46) || 256;
    for (let i = 0; i < count; ++i) {
      swap(palette + 4 * i);
    }
  } else if (bits === 24) {
    const offset = bytes.readUInt32LE(10);
    const sheetWidth = bytes.readInt32LE(18);
    const rowBytes = Math.ceil((sheetWidth * 3) / 4) * 4;
    for (let y = 0; y < Math.abs(bytes.readInt32LE(22)); ++y) {
      for (let x = 0; x < sheetWidth; ++x) {
        swap(offset + y * rowBytes + x * 3); // blue, green, red
      }
    }
  } else {
    throw new Error(`${name} is neither an 8-bit nor a 24-bit sheet`);
  }
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, name), bytes);
  return path.join(folder, name);
}

// A run directory of the shipped data and sheets with the given sheets in
// place of the shipped ones.
function sheetsDir(label, files) {
  const dir = raceDir("sheets-" + label, path.join(runDir, "deta"));
  for (const file of files) {
    fs.copyFileSync(file, path.join(dir, "image", path.basename(file)));
  }
  return dir;
}

// Drops files on the page as a file manager would.
async function dropFiles(page, files) {
  const given = files.map((file) => ({ name: path.basename(file),
    data: fs.readFileSync(file).toString("base64") }));
  await page.evaluate((list) => {
    const transfer = new DataTransfer();
    for (const file of list) {
      const bytes = Uint8Array.from(atob(file.data), (ch) => ch.charCodeAt(0));
      transfer.items.add(new File([bytes], file.name));
    }
    document.querySelector("main").dispatchEvent(new DragEvent("drop",
      { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, given);
}

const findings = (page) => page.$$eval("#sheet-findings li", (items) =>
  items.map((item) => `${item.className} ${item.dataset.sheet}`));

// The canvas in the gate wait of a race restarted once the sheets panel lists
// `listed` (the sheet names, or none when it is hidden), as RGB bytes; empty
// when the wait was missed. The page lists the sheets and restarts the race
// in one go.
async function gateWaitFrame(page, listed) {
  await page.waitForFunction((names) => JSON.stringify(Array.from(
    document.querySelectorAll("#sheets:not([hidden]) #sheet-findings li"),
    (item) => item.dataset.sheet).filter((name, i, all) => all.indexOf(name) === i)) ===
    JSON.stringify(names), { timeout: 10000 }, listed);
  await page.waitForFunction(() => document.body.dataset.state === "running" &&
    Number(document.getElementById("screen").dataset.tick || 0) >= 5 &&
    Number(document.getElementById("screen").dataset.tick) <= 100, { timeout: 10000 });
  const shown = await canvasFrame(page);
  return shown.tick <= 100 ? shown.rgb : Buffer.alloc(0);
}

// Sheets picked or dropped on the page restart the race with them; the checker's
// findings show under the canvas, a broken sheet's marked as blocking; the
// shipped sheets come back with one button.
async function checkOwnSheets(page, origin) {
  await page.goto(`${origin}/race/index.html`);
  await waitForState(page, "running", 30000);
  const folder = path.join(scratch, "own-sheets");
  const uniform = swappedSheet("uniform.bmp", folder);
  const horse = swappedSheet("horse.bmp", folder);
  const gate = path.join(folder, "gate.bmp");
  fs.writeFileSync(gate, Buffer.concat([Buffer.from("BM"), Buffer.alloc(40, 0x7f)]));
  const silksSwatch = () => page.$eval(`${row(1)} button.silks img`, (img) => img.src);
  const swatchBefore = await silksSwatch();
  expect("the panel of own sheets is hidden while the shipped sheets play",
    await page.$eval("#sheets", (panel) => panel.hidden));

  const picker = await page.$("#files");
  await picker.uploadFile(uniform);
  const withUniform = await gateWaitFrame(page, ["uniform.bmp"]);
  const recoloured = differingPixels(withUniform, recorderFrame(50, sheetsDir("uniform", [uniform])));
  const fromShipped = differingPixels(withUniform, recorderFrame(50));
  expect("a picked uniform.bmp restarts the race with it: the silks change colour on the canvas, " +
    "as in the recorder's frame with that sheet",
  recoloured === 0 && fromShipped > 0, `${recoloured} pixels differ, ${fromShipped} from the shipped`);
  expect("the checker finds the recoloured uniform.bmp fine, and the silks swatches are cut again",
    JSON.stringify(await findings(page)) === JSON.stringify(["fine uniform.bmp"]) &&
      (await silksSwatch()) !== swatchBefore, JSON.stringify(await findings(page)));

  await dropFiles(page, [horse, gate]);
  const several = differingPixels(await gateWaitFrame(page, ["horse.bmp", "uniform.bmp", "gate.bmp"]),
    recorderFrame(50, sheetsDir("several", [uniform, horse, gate])));
  const shownFindings = await findings(page);
  expect("several sheets dropped at once, a broken gate.bmp among them, restart the race with " +
    "all of them: the broken one draws nothing, as in the recorder",
  several === 0 && (await message(page)) === "", `${several} pixels differ`);
  expect("the broken gate.bmp shows a blocking finding; the other sheets show as fine",
    shownFindings.includes("blocking gate.bmp") && shownFindings.includes("fine horse.bmp") &&
      shownFindings.includes("fine uniform.bmp") &&
      (await page.$eval('#sheet-findings li[data-sheet="gate.bmp"]', (li) => li.textContent))
        .startsWith("Blocking: gate.bmp "),
    JSON.stringify(shownFindings));

  await page.click("#shipped-sheets");
  const back = differingPixels(await gateWaitFrame(page, []), recorderFrame(50));
  expect("Back to the shipped sheets restarts the race with them and hides the findings",
    back === 0 && (await page.$eval("#sheets", (panel) => panel.hidden)) &&
      (await silksSwatch()) === swatchBefore, `${back} pixels differ`);
}

// On a high-density screen each canvas pixel is a whole number of device
// pixels, drawn as a crisp block.
async function checkScaling(page) {
  for (const [ratio, devicePixels] of [[2, 2], [3, 3], [1.5, 1]]) {
    await page.setViewport({ width: 1000, height: 800, deviceScaleFactor: ratio });
    await page.waitForFunction((r, n) => window.devicePixelRatio === r &&
      Math.abs(document.getElementById("screen").getBoundingClientRect().width * r - 800 * n) < 0.5,
    { timeout: 5000 }, ratio, devicePixels).catch(() => {});
    const shown = await page.$eval("#screen", (c) => ({
      width: c.getBoundingClientRect().width * window.devicePixelRatio,
      rendering: getComputedStyle(c).imageRendering,
    }));
    expect(`at a device pixel ratio of ${ratio} a canvas pixel is ${devicePixels}×${devicePixels} ` +
      "device pixels, pixelated",
    Math.abs(shown.width - 800 * devicePixels) < 0.5 && shown.rendering === "pixelated",
    JSON.stringify(shown));
  }
}

// ---- The race maker --------------------------------------------------------

// A run directory of the shipped sheets with the data files in `deta`.
function raceDir(name, deta) {
  const dir = path.join(scratch, "races", name);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(path.join(dir, "deta"), { recursive: true });
  fs.cpSync(path.join(runDir, "image"), path.join(dir, "image"), { recursive: true });
  for (const file of ["courseDeta.txt", "rival.txt"]) {
    fs.copyFileSync(path.join(deta, file), path.join(dir, "deta", file));
  }
  return dir;
}

// The whole-race trace of a run directory, from the node recorder or the
// Linux one.
function trace(dir, recorder) {
  const out = path.join(scratch, `trace-${path.basename(dir)}-${recorder}.jsonl`);
  const command = recorder === "node" ? ["node", path.join(runDir, "gallop-record.js")] :
    [linuxRecorder];
  execFileSync(command[0], [...command.slice(1), "--dir", dir, "--trace", out], { stdio: "ignore" });
  return fs.readFileSync(out);
}

// The finishing order of a trace's line for tick 700: [place, gate, distance
// covered] for every runner, the furthest first; equal distances share a place.
function traceOrder(traceBytes) {
  const line = JSON.parse(traceBytes.toString("utf8").split("\n")[700]);
  const order = line.runners.map((runner, index) => ({ gate: index + 1,
    covered: line.race.startDistance - runner.distance }));
  order.sort((a, b) => b.covered - a.covered || a.gate - b.gate);
  let place = 0;
  return order.map((runner, index) => {
    if (index === 0 || order[index - 1].covered !== runner.covered) {
      place = index + 1;
    }
    return [place, runner.gate, runner.covered];
  });
}

const pageOrder = (page) => page.$$eval("#result tbody tr", (rows) =>
  rows.map((row) => [Number(row.dataset.place), Number(row.dataset.gate),
    Number(row.dataset.covered)]));

async function checkFinishingOrder(page, label, traceBytes) {
  const shownOrder = await pageOrder(page);
  const expected = traceOrder(traceBytes);
  expect(`${label}: the finishing order under the canvas equals the trace's at tick 700`,
    (await page.$eval("#result", (r) => !r.hidden)) &&
      JSON.stringify(shownOrder) === JSON.stringify(expected),
    `page ${JSON.stringify(shownOrder)}\n  trace ${JSON.stringify(expected)}`);
  return shownOrder;
}

// Sets a field of the editor as typing into it would.
async function setValue(page, selector, value) {
  await page.$eval(selector, (input, text) => {
    input.value = text;
    input.dispatchEvent(new Event(input.tagName === "SELECT" ? "change" : "input",
      { bubbles: true }));
  }, String(value));
}

const row = (gate) => `#field tbody tr:nth-child(${gate})`;

// Picks swatch `value` in the picker of a row's coat or silks, by mouse.
async function pickSwatch(page, gate, kind, value) {
  await page.click(`${row(gate)} button.pick.${kind}`);
  await page.waitForSelector("#picker[open]");
  await page.click(`#picker-choices input[value="${value}"]`);
  await pickerClosed(page);
}

// Clicks Download and waits for both files in `folder`.
async function download(page, cdp, folder) {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: folder,
    eventsEnabled: true });
  await page.click("#download");
  const files = ["courseDeta.txt", "rival.txt"].map((name) => path.join(folder, name));
  for (let waited = 0; waited < 10000 && !files.every((file) => fs.existsSync(file)); waited += 100) {
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  return files.every((file) => fs.existsSync(file));
}

// Every line of a written table ends in ",;" and CR LF, and the text has no
// other line end.
function inFilesFormat(bytes) {
  const text = bytes.toString("latin1");
  return text.length > 0 && text.endsWith(",;\r\n") &&
    text.split("\r\n").slice(0, -1).every((line) => line.endsWith(",;") &&
      !/[\r\n]/.test(line) && line.split(";").length === 2);
}

async function waitForTick(page, atLeast, timeout = 30000) {
  await page.waitForFunction((t) => Number(document.getElementById("screen").dataset.tick) >= t,
    { timeout }, atLeast);
}

// The edit of the field and the course that the race maker's checks make,
// on a fresh page.
async function editRace(page, origin) {
  await page.goto(`${origin}/race/index.html`);
  await waitForState(page, "running", 30000);
  await setValue(page, "#course-name", "Test Meadow");
  await setValue(page, "#course-direction", 1);
  await setValue(page, "#course-style", 0);
  await setValue(page, "#course-section", 3);
  await setValue(page, "#course-start", 1400);
  await setValue(page, `${row(1)} input.name`, "Nimble, Quick; Fox");
  await setValue(page, `${row(1)} input.grade`, 9);
  await pickSwatch(page, 2, "coat", 5);
  await pickSwatch(page, 3, "silks", 99);
  // Gates 4 and 5 run at the same speed and so cover the same distance.
  for (const gate of [4, 5]) {
    await setValue(page, `${row(gate)} input.grade`, 6);
    await setValue(page, `${row(gate)} input.adjust`, -3);
  }
  await page.click(`${row(18)} button.remove`);
  await page.click(`${row(7)} button.up`);
  await page.click("#add-runner");
}

// An edit of the field and the course, then Run: the canvas shows the race of
// the downloaded files, which the Linux recorder plays to the same trace as
// the node recorder; the finishing order is the trace's, ties included.
async function checkEditAndRun(page, origin, cdp) {
  await editRace(page, origin);
  expect("the editor's explanations follow the course: odd section, direction 1, turf",
    (await page.$eval("#explain-direction", (e) => e.textContent)).includes("left to right") &&
      (await page.$eval("#explain-style", (e) => e.textContent)).startsWith("Turf") &&
      (await page.$eval("#explain-section", (e) => e.textContent)).startsWith("Odd"));

  const folder = path.join(scratch, "downloads", "edited");
  const saved = await download(page, cdp, folder);
  expect("Download saves courseDeta.txt and rival.txt", saved);
  if (!saved) {
    return;
  }
  const course = fs.readFileSync(path.join(folder, "courseDeta.txt"));
  const rivals = fs.readFileSync(path.join(folder, "rival.txt"));
  const shippedCourse = fs.readFileSync(path.join(runDir, "deta", "courseDeta.txt"), "latin1")
    .split("\r\n");
  const courseLines = course.toString("latin1").split("\r\n");
  expect("the downloaded files are in the files' format, CR LF, every column ended by ',', " +
    "every record by ';'", inFilesFormat(course) && inFilesFormat(rivals));
  expect("the downloaded course keeps every record but 5 as it was, and record 5 is the edit",
    courseLines.length === shippedCourse.length &&
      courseLines.every((line, i) => i === 5 || line === shippedCourse[i]) &&
      courseLines[5] === "Test Meadow,6,1,0,3,1400,1200,520,34,18,;",
    courseLines[5]);
  const rivalLines = rivals.toString("utf8").split("\r\n").slice(0, -1);
  expect("the downloaded field holds the edit: 18 runners, names without ',' or ';', " +
    "the unread columns kept",
    rivalLines.length === 18 && rivalLines[0] ===
      "Nimble Quick Fox,colt 4,Morning Bell,R. Ashdown,0,0,57,9,T. Marsh,4.2,2-1-3,6,;" &&
      rivalLines[1].split(",")[4] === "5" && rivalLines[2].split(",")[5] === "99" &&
      rivalLines[5].startsWith("Maple Rumour,") && rivalLines[17].startsWith("Runner 18,"),
    rivalLines.join("\n  "));

  const dir = raceDir("edited", folder);
  const nodeTrace = trace(dir, "node");
  expect("the Linux recorder plays the downloaded files to the node recorder's whole-race trace",
    Buffer.compare(nodeTrace, trace(dir, "linux")) === 0);

  await page.click("#run");
  await waitForState(page, "running", 10000);
  await waitForTick(page, 5, 10000);
  for (const wanted of [5, 300]) {
    await waitForTick(page, wanted);
    const shown = await canvasFrame(page);
    const reference = recorderFrame(shown.tick <= 100 ? 50 : shown.tick, dir);
    const differing = differingPixels(shown.rgb, reference);
    expect(`after Run the canvas at tick ${shown.tick} equals the recorder's frame on the ` +
      "downloaded files", shown.tick >= wanted && differing === 0, `${differing} pixels differ`);
  }
  await waitForState(page, "ended", 60000);
  const last = await canvasFrame(page);
  const lastDiffering = differingPixels(last.rgb, recorderFrame(700, dir));
  expect("the edited race ends on the recorder's frame 700", last.tick === 700 &&
    lastDiffering === 0, `${lastDiffering} pixels differ`);
  const order = await checkFinishingOrder(page, "edited race", nodeTrace);
  const tied = order.filter(([, gate]) => gate === 4 || gate === 5);
  expect("runners that covered the same distance share a place",
    tied.length === 2 && tied[0][0] === tied[1][0] && tied[0][2] === tied[1][2],
    JSON.stringify(tied));
  expect("the result shows each runner's name, bracket, coat and silks",
    await page.$eval("#result tbody", (body) => {
      const first = body.querySelector('tr[data-gate="1"]');
      return first.querySelector(".name").textContent === "Nimble Quick Fox" &&
        first.querySelector(".bracket").textContent.trim() === "1" &&
        first.querySelectorAll("img.swatch").length === 3;
    }));
}

// Awkward tables the program still reads: bare LF line ends (the first byte
// of every later record is lost, and a record that loses its ',' shifts its
// columns), numbers as atoi reads them, missing columns, ';;', a zero byte
// that ends the text, and more than 18 rivals.
function awkwardTables(folder) {
  fs.mkdirSync(folder, { recursive: true });
  const course = ["Zero,0,0,0,0,0,;", "One;;\r\nTwo,2,;", "Three,3,;", "Four,4,;",
    "Odd Course,77, 2 , +1x,-3,1200metres,9,8,7;"].join("\r\n") + "\r\nignored tail,1,2,";
  const rivals = [];
  for (let i = 0; i < 20; ++i) {
    rivals.push(`Horse ${i},x,y,z,${i % 7},${(i * 13) % 100},55,${3 + (i % 5)},j,1.0,1-1-1,` +
      `${i % 3 === 0 ? " +" : "-"}${i}abc,extra,`);
  }
  rivals[3] = ",Shifted,x,y,z,2,40,55,6,j,1,1,4,";
  rivals[4] = "Short,a,b,c,1,2,;"; // no speed columns: grade and adjustment 0
  rivals[6] = "NoLast,a,b,c,3,4,5,6,7,8,9,10"; // column 11 has no ','
  const rivalText = rivals.join(";\n") + ";\n\0Hidden,a,b,c,1,1,1,1,1,1,1,1,;\n";
  fs.writeFileSync(path.join(folder, "courseDeta.txt"), course);
  fs.writeFileSync(path.join(folder, "rival.txt"), rivalText);
  return folder;
}

// The editor opens on the data now playing: the user's own files, unchanged,
// download to files that play the same race.
async function checkRoundTrip(page, origin, cdp) {
  await page.goto(`${origin}/race/index.html`);
  await waitForState(page, "running", 30000);
  const cases = [["shipped", path.join(runDir, "deta")],
    ...fs.readdirSync(path.join(sourceDir, "tests", "variants"), { withFileTypes: true })
      .filter((entry) => entry.isDirectory())
      .map((entry) => [entry.name, path.join(sourceDir, "tests", "variants", entry.name, "deta")]),
    ["awkward", awkwardTables(path.join(scratch, "awkward"))]];
  for (const [label, deta] of cases) {
    const picker = await page.$("#files");
    await picker.uploadFile(path.join(deta, "courseDeta.txt"), path.join(deta, "rival.txt"));
    await page.waitForFunction(() => document.body.dataset.state === "running" &&
      Number(document.getElementById("screen").dataset.tick || 0) < 50, { timeout: 10000 });
    const folder = path.join(scratch, "downloads", "round-" + label);
    const saved = await download(page, cdp, folder);
    const original = trace(raceDir("original-" + label, deta), "node");
    const same = saved && Buffer.compare(original, trace(raceDir("round-" + label, folder),
      "node")) === 0;
    expect(`${label}: the editor opens on the files playing, and they download unchanged for the race`,
      same);
    await page.click("#share");
    const link = await page.evaluate(() => location.href);
    await page.goto("about:blank");
    await page.goto(link);
    await waitForState(page, "running", 30000);
    const linked = path.join(scratch, "downloads", "link-" + label);
    const linkSaved = await download(page, cdp, linked);
    expect(`${label}: its race link opens on the same race`, linkSaved &&
      Buffer.compare(original, trace(raceDir("link-" + label, linked), "node")) === 0);
  }
}

// Share puts the race in the address; the link plays the same race in a new
// page, and a link that cannot be read says so and plays the shipped race.
async function checkShare(page, browser, origin, cdp) {
  await page.goto(`${origin}/race/index.html`);
  await waitForState(page, "running", 30000);
  await setValue(page, "#course-section", 7);
  await setValue(page, "#course-start", 900);
  await setValue(page, `${row(2)} input.name`, "Ünïcode Star ☆");
  await setValue(page, `${row(2)} input.adjust`, 40);
  await pickSwatch(page, 6, "silks", 77);
  await page.click(`${row(10)} button.remove`);
  await page.click("#share");
  const link = await page.evaluate(() => location.href);
  expect("Share puts the race into the address after '#' and shows the link",
    link.includes("#race=") && (await page.$eval("#share-link", (i) => i.value)) === link, link);
  const sentFolder = path.join(scratch, "downloads", "shared-from");
  await download(page, cdp, sentFolder);

  const other = await browser.newPage();
  other.on("pageerror", (error) => expect(`no script error (${error.message})`, false));
  await other.goto(link);
  await waitForState(other, "running", 30000);
  const otherCdp = await browser.target().createCDPSession();
  const gotFolder = path.join(scratch, "downloads", "shared-to");
  await download(other, otherCdp, gotFolder);
  const sent = trace(raceDir("shared-from", sentFolder), "node");
  const received = trace(raceDir("shared-to", gotFolder), "node");
  sharedLink = { link, dir: path.join(scratch, "races", "shared-to") };
  const names = await other.$$eval("#field tbody input.name", (inputs) => inputs.map((i) => i.value));
  expect("the link opens the same race: the same whole-race trace and the same names",
    Buffer.compare(sent, received) === 0 && names.length === 17 && names[1] === "Ünïcode Star ☆",
    JSON.stringify(names));
  const shown = await canvasFrame(other);
  const differing = differingPixels(shown.rgb,
    recorderFrame(shown.tick <= 100 ? 50 : shown.tick, raceDir("shared-to", gotFolder)));
  expect(`the link's race plays on the canvas (tick ${shown.tick})`, differing === 0,
    `${differing} pixels differ`);
  await other.close();

  for (const [what, hash] of [["garbled", "#race=%%%not-base64"], ["cut short", link.split("#")[1]
    .slice(0, 40)], ["foreign", "#somewhere-else"]]) {
    await page.goto(`${origin}/race/index.html#${hash.replace(/^#/, "")}`);
    await waitForState(page, "running", 30000);
    await waitForTick(page, 5, 10000);
    const notice = await page.$eval("#notice", (p) => (p.hidden ? "" : p.textContent));
    const frame = await canvasFrame(page);
    const off = differingPixels(frame.rgb, recorderFrame(50));
    expect(`a ${what} link says it cannot be read and the shipped race plays`,
      notice.startsWith("This race link cannot be read") && frame.tick <= 100 && off === 0,
      `notice '${notice}', ${off} pixels differ`);
  }
}

// The advice warns next to the values that cause it; the visitor may still run.
async function checkWarnings(page, origin) {
  await page.goto(`${origin}/race/index.html`);
  await waitForState(page, "running", 30000);
  const advice = () => page.$$eval("#advice-list li.warning", (items) =>
    items.map((item) => item.textContent));
  const rowWarnings = (gate) => page.$eval(`${row(gate)} .warnings`, (cell) => cell.textContent);
  expect("the shipped field draws no warning", (await advice()).length === 0);
  // [what, [grade, adjustment] of gate 1, [grade, adjustment] of the others,
  //  a word of the advice, the gates warned]
  const cases = [
    ["a best base speed of 80", [3, 8], [2, 0], "camera", [1]],
    ["a best base speed of 77", [3, 5], [2, 0], "camera", [1]],
    ["a spread of 128", [10, 0], [4, 16], "drops off", "all"],
    ["a best base speed of 81", [3, 9], [2, 0], null, []],
    ["a spread of 127", [10, 0], [4, 17], null, []],
    // Above 500 a horse tires at once; from 600 it still runs at the end.
    ["base speeds of 600 and 501", [25, 0], [20, 21], null, "all"],
  ];
  for (const [what, first, others, word, warned] of cases) {
    await page.click("#shipped");
    const count = await page.$$eval("#field tbody tr", (rows) => rows.length);
    const gates = Array.from({ length: count }, (_, i) => i + 1);
    for (const gate of gates) {
      const [grade, adjust] = gate === 1 ? first : others;
      await setValue(page, `${row(gate)} input.grade`, grade);
      await setValue(page, `${row(gate)} input.adjust`, adjust);
    }
    const items = await advice();
    const marked = [];
    for (const gate of gates) {
      if ((await rowWarnings(gate)).length > 0) {
        marked.push(gate);
      }
    }
    expect(`${what}: ${word === null ? "no warning in the advice" : "a plain warning in the advice"}` +
      (warned.length === 0 ? ", and none beside the runners" :
        ", and one beside each runner that causes it"),
      (word === null ? items.length === 0 : items.some((text) => text.includes(word))) &&
        JSON.stringify(marked) === JSON.stringify(warned === "all" ? gates : warned),
      `advice ${JSON.stringify(items)}, rows ${JSON.stringify(marked)}`);
  }
  await page.click("#run");
  await waitForState(page, "running", 10000);
  expect("a warned field still runs", (await page.$eval("#editor-status",
    (s) => s.textContent)).includes("running"));
}

// Every control of the editor, the result and the picker has a name that a
// screen reader speaks.
async function unlabelled(page, root) {
  const interactive = new Set(["button", "textbox", "combobox", "spinbutton", "radio", "checkbox",
    "slider", "link", "listbox", "searchbox"]);
  const missing = [];
  const walk = (node) => {
    if (interactive.has(node.role) && !(node.name || "").trim()) {
      missing.push(node.role);
    }
    (node.children || []).forEach(walk);
  };
  walk(await page.accessibility.snapshot({ root: await page.$(root), interestingOnly: false }));
  return missing;
}

const focused = (page) => page.evaluate(() => {
  const active = document.activeElement;
  const tr = active.closest("tr");
  return { id: active.id, className: active.className, tag: active.tagName,
    gate: tr && tr.dataset.index !== undefined ? Number(tr.dataset.index) + 1 : 0,
    outline: getComputedStyle(active).outlineStyle,
    picked: active.matches("#picker input") ? Number(active.value) : -1 };
});

// Waits until the picker has closed and its close event has been handled:
// the dialog's `open` turns false at once, but the pick is taken in the close
// event, a task later, which empties the choices last.
const pickerClosed = (page) => page.waitForFunction(() => !document.getElementById("picker").open &&
  document.getElementById("picker-choices").childElementCount === 0, { timeout: 5000 });

// Presses `key` until the focus is on what `wanted` accepts; at most `limit` times.
async function pressUntil(page, key, wanted, limit = 200) {
  for (let i = 0; i < limit; ++i) {
    if (wanted(await focused(page))) {
      return true;
    }
    const [modifier, last] = key.includes("+") ? key.split("+") : [null, key];
    if (modifier !== null) {
      await page.keyboard.down(modifier);
    }
    await page.keyboard.press(last);
    if (modifier !== null) {
      await page.keyboard.up(modifier);
    }
  }
  return wanted(await focused(page));
}

async function checkKeyboard(page, origin) {
  await page.goto(`${origin}/race/index.html`);
  await waitForState(page, "running", 30000);
  const missing = await unlabelled(page, "#editor");
  expect("every control of the editor has a label", missing.length === 0, missing.join(", "));

  // Tab from the top of the page reaches Run, then every control of the editor in turn.
  await page.evaluate(() => document.activeElement.blur());
  const reachedRun = await pressUntil(page, "Tab", (f) => f.id === "run", 10);
  const outline = (await focused(page)).outline;
  const controls = await page.$$eval("#editor button:not(:disabled), #editor input:not([hidden])," +
    " #editor select", (list) => list.filter((c) => c.offsetParent !== null).length);
  let visited = 1;
  while (visited < controls + 5) {
    await page.keyboard.press("Tab");
    if (!(await page.evaluate(() => document.activeElement.closest("#editor") !== null))) {
      break;
    }
    visited += 1;
  }
  expect(`Tab reaches Run and then each of the editor's ${controls} controls`,
    reachedRun && visited === controls, `${visited} reached`);

  // The first runner's name, coat and grade, by keyboard alone.
  await pressUntil(page, "Tab", (f) => f.gate === 1 && f.className === "name");
  await page.keyboard.down("Control");
  await page.keyboard.press("KeyA");
  await page.keyboard.up("Control");
  await page.keyboard.type("Keyed Runner");
  await page.keyboard.press("Tab");
  const coatBefore = await page.$eval(`${row(1)} button.coat`, (b) => b.getAttribute("aria-label"));
  await page.keyboard.press("Enter");
  await page.waitForSelector("#picker[open]", { timeout: 5000 });
  const inPicker = await focused(page);
  expect("Enter on a coat opens the picker with the coat now chosen in focus",
    inPicker.picked === 0, JSON.stringify(inPicker));
  expect("the picker's swatches are labelled", (await unlabelled(page, "#picker")).length === 0);
  await page.keyboard.press("ArrowRight");
  await page.keyboard.press("Enter");
  await pickerClosed(page);
  const afterPick = await focused(page);
  const coatAfter = await page.$eval(`${row(1)} button.coat`, (b) => b.getAttribute("aria-label"));
  expect("arrow keys and Enter pick the next coat, and the focus goes back to the row",
    coatBefore.includes("bay") && coatAfter.includes("chestnut") && afterPick.gate === 1 &&
      afterPick.className.includes("coat"), `${coatAfter} ${JSON.stringify(afterPick)}`);

  await page.keyboard.press("Tab");
  await page.keyboard.press("Space");
  await page.waitForSelector("#picker[open]", { timeout: 5000 });
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("Escape");
  await pickerClosed(page);
  expect("Escape closes the picker unchanged and leaves the race running",
    (await page.$eval(`${row(1)} button.silks`, (b) => b.getAttribute("aria-label")))
      .includes(": No. 0.") && (await state(page)) === "running");

  await pressUntil(page, "Tab", (f) => f.gate === 1 && f.className === "grade");
  await page.keyboard.press("ArrowUp");
  expect("arrow up raises the speed grade and the base speed follows",
    (await page.$eval(`${row(1)} output.base`, (o) => o.textContent)) === "174");
  await pressUntil(page, "Tab", (f) => f.gate === 1 && f.className === "down");
  await page.keyboard.press("Enter");
  const moved = await focused(page);
  expect("Enter on move-down puts the runner in gate 2 and keeps the focus on it",
    moved.gate === 2 && moved.className === "down" && (await page.$eval(`${row(2)} input.name`,
      (i) => i.value)) === "Keyed Runner", JSON.stringify(moved));

  await pressUntil(page, "Shift+Tab", (f) => f.id === "run");
  await page.keyboard.press("Enter");
  await waitForTick(page, 5, 10000);
  const shown = await canvasFrame(page);
  expect("Enter on Run restarts the race with the edit",
    shown.tick <= 100 && differingPixels(shown.rgb, recorderFrame(50)) > 0, `tick ${shown.tick}`);
  expect("a control focused by keyboard shows a focus ring", outline !== "none", outline);
}

// ---- Phones, a first visit, offline ----------------------------------------

// The race link that checkShare made, and the run directory of its race.
let sharedLink = null;

// Phones, as Chromium emulates them, portrait and landscape, and a narrow
// desktop window: [what, width, height, device pixel ratio, touch].
const screens = [
  ["a 390×844 phone", 390, 844, 3, true],
  ["a 390×844 phone at a ratio of 2", 390, 844, 2, true],
  ["a 360×800 phone", 360, 800, 3, true],
  ["a 360×800 phone at a ratio of 2", 360, 800, 2, true],
  ["a 320×568 phone", 320, 568, 2, true],
  ["a 416×800 phone at a ratio of 2, 400 CSS pixels of room", 416, 800, 2, true],
  ["a 844×390 phone in landscape", 844, 390, 3, true],
  ["a 500×700 window", 500, 700, 1, false],
];

// On every screen the whole picture shows, filling the room there is for it
// (crisp where that is a whole number of device pixels a canvas pixel, else
// scaled smoothly), the page never scrolls sideways, a race link plays, the
// race ends by touch, and the swatch picker fits the screen.
async function checkScreens(browser) {
  const page = await browser.newPage();
  page.on("pageerror", (error) => expect(`no script error (${error.message})`, false));
  for (const [what, screenWidth, screenHeight, ratio, touch] of screens) {
    await page.setViewport({ width: screenWidth, height: screenHeight, deviceScaleFactor: ratio,
      isMobile: touch, hasTouch: touch });
    await page.goto("about:blank"); // a new page load, not a move within the last one
    await page.goto(sharedLink.link);
    await waitForState(page, "running", 30000);
    await waitForTick(page, 5, 10000);
    const shown = await canvasFrame(page);
    const differing = differingPixels(shown.rgb,
      recorderFrame(shown.tick <= 100 ? 50 : shown.tick, sharedLink.dir));
    const fit = await page.evaluate(() => {
      const box = document.getElementById("screen").getBoundingClientRect();
      return { left: box.left, right: box.right, width: box.width, height: box.height,
        top: box.top, bottom: box.bottom, innerWidth, innerHeight, ratio: devicePixelRatio,
        documentWidth: document.documentElement.scrollWidth,
        rendering: getComputedStyle(document.getElementById("screen")).imageRendering,
        usable: document.querySelector("main").clientWidth -
          parseFloat(getComputedStyle(document.querySelector("main")).paddingLeft) -
          parseFloat(getComputedStyle(document.querySelector("main")).paddingRight) };
    });
    // The room is the page's usable width (inside its padding), or the
    // height in landscape. With room for 800 pixels, as many whole device
    // pixels a canvas pixel as the ratio allows; in less, the picture fills
    // the room, crisp only at a whole number.
    const usable = fit.usable;
    const room = Math.min(usable, (screenHeight * 4) / 3);
    const perPixel = (room * ratio) / 800;
    const blocks = room >= 800 ? Math.floor(ratio) : Number.isInteger(perPixel) ? perPixel : 0;
    const sized = room >= 800 ? Math.abs(fit.width * ratio - 800 * blocks) < 0.5 :
      Math.abs(fit.width - room) < 0.5;
    const rendering = blocks >= 1 ? fit.rendering === "pixelated" : fit.rendering !== "pixelated";
    const whole = room === usable ? fit.top >= 0 && fit.bottom <= screenHeight :
      fit.height <= screenHeight;
    expect(`on ${what} the whole picture shows at 4:3 (${fit.width.toFixed(1)} CSS pixels ` +
      `wide, ${blocks >= 1 ? `${blocks}×${blocks} device pixels a pixel` : "scaled smoothly"}), ` +
      `${room === usable ? "as wide as the window's usable width, " : ""}` +
      "and the page does not scroll sideways",
    fit.left >= 0 && fit.right <= screenWidth && fit.innerWidth === screenWidth && whole &&
      Math.abs(fit.width * 3 - fit.height * 4) < 1 && sized && rendering &&
      fit.documentWidth <= screenWidth, JSON.stringify(fit));
    expect(`on ${what} the race link plays the same race (tick ${shown.tick})`, differing === 0,
      `${differing} pixels differ`);
    if (!touch) {
      continue;
    }
    await tapOn(page, `${row(1)} button.pick.silks`);
    await page.waitForSelector("#picker[open]");
    const picker = await page.$eval("#picker", (dialog) => {
      const box = dialog.getBoundingClientRect();
      return { left: box.left, right: box.right,
        documentWidth: document.documentElement.scrollWidth };
    });
    await tapOn(page, "#picker-cancel");
    await pickerClosed(page);
    expect(`on ${what} the swatch picker fits the screen and Cancel closes it by touch`,
      picker.left >= 0 && picker.right <= screenWidth && picker.documentWidth <= screenWidth,
    JSON.stringify(picker));
    await tapOn(page, "#stop");
    await waitForState(page, "ended", 5000).catch(() => {});
    const tick = await shownTick(page);
    expect(`on ${what} End the race ends it by touch, as Escape does (at tick ${tick})`,
      (await state(page)) === "ended" && tick < 700 &&
        (await page.$eval("#again", (b) => !b.hidden)));
  }
  await page.close();
}

// A tap on what `selector` finds, scrolled into view first (also inside a box
// that scrolls of its own, as the field's table does on a phone).
async function tapOn(page, selector) {
  await page.$eval(selector, (element) => element.scrollIntoView({ block: "center",
    inline: "center" }));
  await page.tap(selector);
}

// A static server like python3 -m http.server (no compression), which also
// counts the bytes it sends, headers included: resolves to its origin and a
// function that gives the count so far.
function startCountingServer(root) {
  const code = `
import http.server, sys, threading
lock = threading.Lock()
class Counting:
    def __init__(self, out): self.out = out
    def write(self, data):
        global sent
        with lock:
            sent += len(data)
        return self.out.write(data)
    def __getattr__(self, name): return getattr(self.out, name)
class Handler(http.server.SimpleHTTPRequestHandler):
    def setup(self):
        super().setup()
        self.wfile = Counting(self.wfile)
    def log_request(self, code='-', size='-'):
        pass
    def finish(self):
        super().finish()
        with lock:
            print('sent', sent, flush=True)
sent = 0
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
print('port', server.server_address[1], flush=True)
server.serve_forever()
`;
  const server = spawn("python3", ["-u", "-c", code], { cwd: root,
    stdio: ["ignore", "pipe", "ignore"] });
  let seen = "";
  server.stdout.on("data", (chunk) => {
    seen += chunk;
  });
  // The count after the last request the server has answered in full.
  const sent = () => {
    const counts = [...seen.matchAll(/^sent (\d+)/gm)];
    return counts.length === 0 ? 0 : Number(counts[counts.length - 1][1]);
  };
  return new Promise((resolve, reject) => {
    const poll = setInterval(() => {
      const found = /^port (\d+)/m.exec(seen);
      if (found) {
        clearInterval(poll);
        resolve({ server, origin: `http://127.0.0.1:${found[1]}`, sent, log: () => seen });
      }
    }, 20);
    server.on("exit", () => reject(new Error("the counting server ended at once")));
  });
}

const settle = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A first visit with nothing cached transfers at most 600 KB in all (page,
// scripts, program, data, sheets, and what the service worker keeps), and
// the console shows no error. After it the page plays with the network off,
// reloaded and from a race link; a new build on the server is never mixed
// with the one kept: the page stays wholly the old build until the visitor
// takes the new one, which then has its own cache.
async function checkFirstVisitAndOffline(browser) {
  const site = path.join(scratch, "offline-site");
  fs.rmSync(site, { recursive: true, force: true });
  fs.cpSync(runDir, site, { recursive: true });
  const counting = await startCountingServer(site);
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const errors = [];
  page.on("console", (entry) => {
    if (entry.type() === "error") {
      errors.push(entry.text());
    }
  });
  page.on("pageerror", (error) => errors.push(error.message));
  try {
    await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 3, isMobile: true,
      hasTouch: true });
    await page.goto(`${counting.origin}/index.html`);
    await waitForState(page, "running", 30000);
    const kept = await page.evaluate(async () => {
      const registration = await navigator.serviceWorker.ready;
      return { active: registration.active !== null, caches: await caches.keys() };
    });
    await settle(1000);
    const sent = counting.sent();
    expect(`a first visit transfers ${(sent / 1000).toFixed(1)} KB in all, at most 600 KB`,
      sent > 0 && sent <= 600 * 1000, counting.log().split("\n").join("\n  "));
    expect("the first visit shows no error in the console", errors.length === 0,
      errors.join("\n  "));
    expect("after one visit the service worker keeps the page in a cache named after the build",
      kept.active && kept.caches.length === 1 && /^gallop-[0-9a-f]{16}$/.test(kept.caches[0]),
      JSON.stringify(kept));

    counting.server.kill();
    await page.setOfflineMode(true);
    // A race link whose start time was 9 s ago joins its race at tick 300 or
    // so, and shows the frame of the tick it joined at.
    const scheduled = `at=${new Date(Date.now() - 9000).toISOString()}`;
    for (const [what, address, joins] of [["reloaded", null, false],
      ["from a race link", `${counting.origin}/index.html#${sharedLink.link.split("#")[1]}`, false],
      ["from a link with a start time", `${counting.origin}/index.html#${scheduled}`, true]]) {
      if (address === null) {
        await page.reload();
      } else {
        await page.goto(address);
      }
      await waitForState(page, "running", 30000).catch(() => {});
      await waitForTick(page, 5, 10000).catch(() => {});
      const shown = await canvasFrame(page);
      const differing = differingPixels(shown.rgb, recorderFrame(joins ? shown.tick :
        50, address === null || joins ? runDir : sharedLink.dir));
      expect(`with the network off the page plays, ${what} (tick ${shown.tick})`,
        (joins ? shown.tick >= 300 && shown.tick < 700 : shown.tick >= 5 && shown.tick <= 100) &&
        differing === 0, `${differing} pixels differ`);
    }
  } finally {
    counting.server.kill();
    await context.close();
  }
}

// The server gets a new build (another gate sheet, so another picture, and
// its own service worker): the open page keeps playing the old build as a
// whole, offers the new one, and once taken plays it wholly, from a cache of
// its own, the old one dropped.
async function checkNewBuild(browser, origin) {
  const site = path.join(scratch, "site", "update");
  fs.rmSync(site, { recursive: true, force: true });
  fs.cpSync(runDir, site, { recursive: true });
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const cacheNames = () => page.evaluate(() => caches.keys());
  const gateFrame = async () => {
    await waitForState(page, "running", 30000);
    await waitForTick(page, 5, 10000);
    return (await canvasFrame(page)).rgb;
  };
  try {
    await page.goto(`${origin}/update/index.html`);
    await gateFrame();
    await page.evaluate(() => navigator.serviceWorker.ready);
    const oldCaches = await cacheNames();

    const newGate = swappedSheet("gate.bmp", path.join(scratch, "new-build"));
    fs.copyFileSync(newGate, path.join(site, "image", "gate.bmp"));
    execFileSync("cmake", [`-DRUN_DIR=${site}`,
      `-DTEMPLATE=${path.join(sourceDir, "src", "platform", "web", "page", "sw.js.in")}`, "-P",
      path.join(sourceDir, "src", "platform", "web", "offline_page.cmake")]);
    const oldFrame = recorderFrame(50);
    const newFrame = recorderFrame(50, sheetsDir("new-build", [newGate]));

    await page.reload();
    const whileOld = differingPixels(await gateFrame(), oldFrame);
    await page.waitForSelector("#update:not([hidden])", { timeout: 20000 }).catch(() => {});
    expect("with a new build on the server the open page still plays the old build whole, " +
      "and offers the new one", whileOld === 0 &&
      (await page.$eval("#update", (p) => !p.hidden)), `${whileOld} pixels differ`);

    await Promise.all([page.waitForNavigation({ timeout: 20000 }), page.click("#update-now")]);
    const whenNew = differingPixels(await gateFrame(), newFrame);
    const newCaches = await cacheNames();
    expect("the new build, once taken, plays whole from a cache of its own; the old cache is " +
      "gone", whenNew === 0 && newCaches.length === 1 && oldCaches.length === 1 &&
      newCaches[0] !== oldCaches[0], `${whenNew} pixels differ; caches ${oldCaches} → ${newCaches}`);
  } finally {
    await context.close();
  }
}

// ---- Firefox ---------------------------------------------------------------

// The core of the page's checks in Debian's Firefox ESR, driven through
// WebDriver BiDi: the gate wait and the end equal the recorder's frames, an
// edit followed by Run equals the node recorder's frame, and a race link
// opens the same race.
async function checkFirefox(origin) {
  let firefox = null;
  try {
    firefox = await launchBrowser(scratch, true);
    const page = await firefox.newPage();
    page.on("pageerror", (error) => expect(`Firefox: no script error (${error.message})`, false));
    await page.goto(`${origin}/race/index.html`);
    await waitForTick(page, 5);
    let shown = await canvasFrame(page);
    let differing = differingPixels(shown.rgb, recorderFrame(50));
    expect(`Firefox: during the gate wait (tick ${shown.tick}) the canvas equals the recorder's ` +
      "frame 50", shown.tick <= 100 && differing === 0, `${differing} pixels differ`);
    await waitForState(page, "ended", 90000);
    shown = await canvasFrame(page);
    differing = differingPixels(shown.rgb, recorderFrame(700));
    expect(`Firefox: the race reaches its end on frame 700 (tick ${shown.tick}) and the result ` +
      "shows", shown.tick === 700 && differing === 0 &&
      JSON.stringify(await pageOrder(page)) === JSON.stringify(traceOrder(trace(runDir, "node"))),
    `${differing} pixels differ from frame 700`);

    await editRace(page, origin);
    await page.click("#run");
    await waitForTick(page, 5, 10000);
    shown = await canvasFrame(page);
    differing = differingPixels(shown.rgb, recorderFrame(shown.tick <= 100 ? 50 : shown.tick,
      path.join(scratch, "races", "edited")));
    expect(`Firefox: after an edit and Run the canvas (tick ${shown.tick}) equals the node ` +
      "recorder's frame", differing === 0, `${differing} pixels differ`);

    await page.goto(sharedLink.link);
    await waitForState(page, "running", 30000);
    await waitForTick(page, 5, 10000);
    shown = await canvasFrame(page);
    differing = differingPixels(shown.rgb,
      recorderFrame(shown.tick <= 100 ? 50 : shown.tick, sharedLink.dir));
    expect(`Firefox: a race link opens the same race (tick ${shown.tick})`, differing === 0,
      `${differing} pixels differ`);
  } catch (error) {
    expect(`Firefox: the checks run to the end (${error.message})`, false);
  } finally {
    if (firefox !== null) {
      await firefox.close();
    }
  }
}

fs.mkdirSync(scratch, { recursive: true });
const { server, origin } = await startServer(layOutSites());
let browser = null;
try {
  browser = await launchBrowser(scratch);
  const page = await browser.newPage();
  page.on("pageerror", (error) => expect(`no script error (${error.message})`, false));
  await checkGateWait(page, origin);
  await checkEnd(page);
  await checkEscape(page);
  await checkOwnData(page);
  await checkScaling(page);
  await checkMissingRival(page, origin);
  await checkOwnSheets(page, origin);
  await page.setViewport({ width: 1000, height: 800, deviceScaleFactor: 1 });
  const cdp = await browser.target().createCDPSession();
  await checkRoundTrip(page, origin, cdp);
  await checkEditAndRun(page, origin, cdp);
  await checkShare(page, browser, origin, cdp);
  await checkWarnings(page, origin);
  await checkKeyboard(page, origin);
  await checkScreens(browser);
  await checkFirstVisitAndOffline(browser);
  await checkNewBuild(browser, origin);
} catch (error) {
  expect(`the checks run to the end (${error.message})`, false);
} finally {
  if (browser !== null) {
    await browser.close();
  }
}
if (sharedLink !== null) {
  await checkFirefox(origin);
}
server.kill();
console.log(`web page: ${passes} passed, ${failures} failed`);
process.exitCode = failures === 0 ? 0 : 1;
