// The web page in a real browser: the system's headless Chromium loads it
// from a static server on 127.0.0.1 and plays the race.
//
//   node page_test.mjs RUN_DIR SCRATCH_DIR
//
// RUN_DIR is the web build's run directory (index.html, gallop.js,
// gallop-record.js, deta/, image/). Each check prints an ok or FAIL line, and
// the last line is "web page: N passed, M failed"; the exit code is non-zero
// when anything failed. The server and the browser are started here and
// stopped at the end, whatever happens.
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import puppeteer from "puppeteer-core";

const [runDir, scratch] = process.argv.slice(2).map((p) => path.resolve(p));
const chromium = process.env.GALLOP_CHROMIUM || "/usr/bin/chromium";
const sourceDir = path.resolve(path.dirname(new URL(import.meta.url).pathname), "../..");
const dataFileError = "データファイルの読み込みに失敗しました";
const width = 800;
const height = 600;

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

// python3's static server on a free port of 127.0.0.1; resolves to its origin.
function startServer(root) {
  const server = spawn("python3", ["-u", "-m", "http.server", "--bind", "127.0.0.1", "0"], {
    cwd: root,
    stdio: ["ignore", "pipe", "ignore"],
  });
  return new Promise((resolve, reject) => {
    let seen = "";
    server.stdout.on("data", (chunk) => {
      seen += chunk;
      const found = /port (\d+)/.exec(seen);
      if (found) {
        resolve({ server, origin: `http://127.0.0.1:${found[1]}` });
      }
    });
    server.on("exit", () => reject(new Error("the static server ended at once")));
  });
}

// The recorder's frame at `tick` for the run directory, as RGB bytes.
function recorderFrame(tick) {
  const frames = path.join(scratch, "frames");
  execFileSync("node", [path.join(runDir, "gallop-record.js"), "--dir", runDir, "--frames",
    frames, "--at", String(tick), "--ticks", String(tick)], { stdio: "ignore" });
  const png = path.join(frames, `frame-${String(tick).padStart(4, "0")}.png`);
  return execFileSync("convert", [png, "-depth", "8", "rgb:-"], { maxBuffer: 1 << 24 });
}

// The frame on the canvas and the tick it shows, read in one go so that no
// pass can come between them.
async function canvasFrame(page) {
  const shown = await page.evaluate(() => {
    const canvas = document.getElementById("screen");
    const rgba = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let rgb = "";
    for (let i = 0; i < rgba.length; i += 4) {
      rgb += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    }
    return { tick: Number(canvas.dataset.tick || 0), rgb: btoa(rgb) };
  });
  return { tick: shown.tick, rgb: Buffer.from(shown.rgb, "base64") };
}

function differingPixels(a, b) {
  if (a.length !== width * height * 3 || b.length !== a.length) {
    return -1;
  }
  let count = 0;
  for (let i = 0; i < a.length; i += 3) {
    if (a[i] !== b[i] || a[i + 1] !== b[i + 1] || a[i + 2] !== b[i + 2]) {
      count += 1;
    }
  }
  return count;
}

const state = (page) => page.$eval("body", (body) => body.dataset.state);
const shownTick = (page) => page.$eval("#screen", (canvas) => Number(canvas.dataset.tick || 0));
const message = (page) =>
  page.$eval("#message", (p) => (p.hidden ? "" : p.textContent));
const waitForState = (page, wanted, timeout) =>
  page.waitForFunction((s) => document.body.dataset.state === s, { timeout }, wanted);

async function checkGateWait(page, origin) {
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

fs.mkdirSync(scratch, { recursive: true });
const { server, origin } = await startServer(layOutSites());
let browser = null;
try {
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: fs.mkdtempSync(path.join(scratch, "profile-")),
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    defaultViewport: { width: 1000, height: 800, deviceScaleFactor: 1 },
  });
  const page = await browser.newPage();
  page.on("pageerror", (error) => expect(`no script error (${error.message})`, false));
  await checkGateWait(page, origin);
  await checkEnd(page);
  await checkEscape(page);
  await checkOwnData(page);
  await checkScaling(page);
  await checkMissingRival(page, origin);
} catch (error) {
  expect(`the checks run to the end (${error.message})`, false);
} finally {
  if (browser !== null) {
    await browser.close();
  }
  server.kill();
}
console.log(`web page: ${passes} passed, ${failures} failed`);
process.exitCode = failures === 0 ? 0 : 1;
