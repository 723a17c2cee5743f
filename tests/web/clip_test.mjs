// Save as video in real browsers: the system's headless Chromium and, through
// WebDriver BiDi, Firefox ESR load the page from a static server on
// 127.0.0.1, press the button and take the file it offers. ffprobe and
// ffmpeg (Debian's) read the file back: 700 frames of 800×600, 30 ms each,
// 21.0 s in all, at most 4 MB, and frames sampled across the race close to
// the recorder's PNG of the same tick (luma PSNR). Also: the race on the
// canvas plays on, unchanged, while the file is made; Cancel stops it; a
// race of the user's own files is saved as that race, named after its
// course; after one use the offline cache keeps the worker and the muxer,
// and a video is made with the network off. A browser without WebCodecs'
// VideoEncoder must say that it cannot make videos instead.
//
//   node clip_test.mjs RUN_DIR SCRATCH_DIR
//
// Each check prints an ok or FAIL line, each browser's figures a line of
// their own, and the last line is "save as video: N passed, M failed".
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { canvasFrame, launchBrowser, startServer } from "./support.mjs";

const [runDir, scratch] = process.argv.slice(2).map((p) => path.resolve(p));
const sourceDir = path.resolve(path.dirname(new URL(import.meta.url).pathname), "../..");
const width = 800;
const height = 600;
const ticks = 700;
const frameSeconds = 0.03;
const maxBytes = 4000000;
const minPsnr = 29;
// Ticks sampled across the race: the gate wait, the gate opening, the field
// and the course scrolling at full speed (the hardest frames), the finish.
const sampled = [1, 50, 100, 101, 110, 130, 150, 165, 200, 300, 400, 500, 600, 650, 700];
// How long one video may take to make in a loaded test run (the browsers'
// encoders need about 3 to 30 s on the development machine).
const makingTimeout = 240000;

let passes = 0;
let failures = 0;
function expect(what, ok, detail = "") {
  if (ok) {
    passes += 1;
    console.log(`ok: save as video: ${what}`);
  } else {
    failures += 1;
    console.log(`FAIL: save as video: ${what}${detail ? `\n  ${detail}` : ""}`);
  }
}

const settle = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The node recorder's PNG frames of a run directory at `at`, in a folder of
// their own; the Linux recorder draws the same frames (the web stage checks
// that pixel for pixel).
function recorderFrames(dir, at, label) {
  const frames = path.join(scratch, `frames-${label}`);
  fs.rmSync(frames, { recursive: true, force: true });
  execFileSync("node", [path.join(runDir, "gallop-record.js"), "--dir", dir, "--frames", frames,
    "--at", at.join(","), "--ticks", String(Math.max(...at))], { stdio: "ignore" });
  return frames;
}

function pngRgb(file) {
  return execFileSync("ffmpeg", ["-v", "error", "-i", file, "-f", "rawvideo", "-pix_fmt", "rgb24",
    "-"], { maxBuffer: 1 << 24 });
}

const shownTick = (page) => page.$eval("#screen", (canvas) => Number(canvas.dataset.tick || 0));
const clipState = (page) => page.$eval("#clip", (box) => box.dataset.state);
const waitForClip = (page, states, timeout) => page.waitForFunction((wanted) =>
  wanted.includes(document.getElementById("clip").dataset.state), { timeout }, states);

// The page loaded and its race running, with Save as video ready to use.
async function openPage(page, address) {
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.state === "running", { timeout: 30000 });
  await waitForClip(page, ["idle", "unsupported"], 10000);
}

// The file the page offers for download: its name and bytes.
async function offeredFile(page) {
  const offered = await page.$eval("#clip-download", async (link) => {
    const bytes = new Uint8Array(await (await fetch(link.href)).arrayBuffer());
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    }
    return { name: link.download, data: btoa(text) };
  });
  return { name: offered.name, bytes: Buffer.from(offered.data, "base64") };
}

function probe(file) {
  const json = execFileSync("ffprobe", ["-v", "error", "-select_streams", "v:0", "-show_entries",
    "stream=codec_name,width,height,color_space,color_range:format=format_name,duration:" +
    "packet=pts_time", "-of", "json", file], { maxBuffer: 1 << 26 });
  return JSON.parse(json);
}

// Luma PSNR in dB of each of `at` (ticks) in the video against the
// recorder's PNGs in `frames`: the reference frames go to Y'CbCr with the
// matrix and range the stream says it uses, and ffmpeg's psnr filter
// compares the decoded frame n with tick n + 1.
function lumaPsnr(file, stream, frames, at) {
  const matrix = stream.color_space === "bt709" ? "bt709" : "bt601";
  const range = stream.color_range === "pc" ? "pc" : "tv";
  const stats = path.join(scratch, "psnr.log");
  const picked = at.map((tick) => `eq(n\\,${tick - 1})`).join("+");
  execFileSync("ffmpeg", ["-v", "error", "-i", file, "-pattern_type", "glob", "-i",
    path.join(frames, "frame-*.png"), "-lavfi",
    `[0:v]select='${picked}',settb=1/1000,setpts=N*30[clip];` +
    `[1:v]settb=1/1000,setpts=N*30,scale=out_color_matrix=${matrix}:out_range=${range},` +
    `format=yuv420p[reference];[clip][reference]psnr=stats_file=${stats}`, "-f", "null", "-"],
  { stdio: "ignore" });
  return fs.readFileSync(stats, "utf8").trim().split("\n")
    .map((line) => Number(/psnr_y:([\d.inf]+)/.exec(line)[1].replace("inf", "Infinity")));
}

// The file's format, frames and size, and its sampled frames against the
// recorder's. Returns its figures.
function checkFile(label, file, expected, frames, at) {
  const where = path.join(scratch, `${label}-${file.name}`);
  fs.writeFileSync(where, file.bytes);
  expect(`${label}: the file is named ${expected.name}`, file.name === expected.name, file.name);
  expect(`${label}: the file is ${file.bytes.length} bytes, at most 4 MB`,
    file.bytes.length > 0 && file.bytes.length <= maxBytes);
  let info = null;
  try {
    info = probe(where);
  } catch (error) {
    expect(`${label}: ffprobe reads the file`, false, error.message);
    return null;
  }
  const stream = info.streams[0] || {};
  const times = info.packets.map((packet) => Number(packet.pts_time)).sort((a, b) => a - b);
  const even = times.every((time, i) => Math.abs(time - i * frameSeconds) < 0.0005);
  const duration = Number(info.format.duration);
  expect(`${label}: ${expected.codec} in ${expected.container}, ${times.length} frames of ` +
    `${stream.width}×${stream.height}, one every 30 ms, ${duration} s in all`,
  info.format.format_name.split(",").includes(expected.container) &&
    stream.codec_name === expected.codec && stream.width === width && stream.height === height &&
    times.length === ticks && even && Math.abs(duration - ticks * frameSeconds) < 0.001,
  `${info.format.format_name} ${stream.codec_name}; ${times.length} frames; ` +
    `first times ${times.slice(0, 4).join(", ")}`);
  const psnr = lumaPsnr(where, stream, frames, at);
  const worst = Math.min(...psnr);
  expect(`${label}: ${psnr.length} frames sampled at ticks ${at[0]} to ${at[at.length - 1]} ` +
    `are at least ${minPsnr} dB luma PSNR from the recorder's (worst ${worst.toFixed(2)} dB)`,
  psnr.length === at.length && worst >= minPsnr,
  at.map((tick, i) => `${tick}: ${psnr[i]}`).join(", "));
  return { container: expected.container, codec: stream.codec_name, bytes: file.bytes.length,
    worst, psnr };
}

// What each browser should make: MP4 with H.264 where its VideoEncoder can,
// else WebM with AV1, VP9 or VP8, the first it can.
async function expectedFormat(page) {
  const codec = await page.evaluate(async () => {
    for (const [codec, name] of [["avc1.640028", "h264"], ["av01.0.04M.08", "av1"],
      ["vp09.00.31.08", "vp9"], ["vp8", "vp8"]]) {
      try {
        if ((await VideoEncoder.isConfigSupported({ codec, width: 800, height: 600,
          bitrate: 1400000 })).supported) {
          return name;
        }
      } catch (error) {
        // Not this one.
      }
    }
    return null;
  });
  return codec === "h264" ? { container: "mp4", extension: "mp4", codec } :
    { container: "matroska", extension: "webm", codec };
}

// Presses Save as video and waits for the file. While it is being made, the
// race on the canvas plays on, equal to the recorder's frame of its tick.
async function makeVideo(label, page, liveDir) {
  await page.click("#clip-save");
  await waitForClip(page, ["making"], 5000);
  await page.waitForFunction(() => document.getElementById("clip-progress").value > 0,
    { timeout: makingTimeout });
  if (liveDir !== null) {
    const before = await shownTick(page);
    await settle(1500);
    const shown = await canvasFrame(page);
    const stillMaking = (await clipState(page)) === "making";
    const reference = path.join(recorderFrames(liveDir, [Math.max(1, shown.tick)], "live"),
      `frame-${String(Math.max(1, shown.tick)).padStart(4, "0")}.png`);
    const same = shown.rgb.equals(pngRgb(reference));
    expect(`${label}: while the video is made the race plays on (ticks ${before} to ` +
      `${shown.tick}), the canvas equal to the recorder's frame`,
    (shown.tick > before || shown.tick === ticks) && same,
    `still making: ${stillMaking}; canvas ${same ? "equal" : "differs"}`);
  }
  await waitForClip(page, ["ready", "failed"], makingTimeout);
  const status = await page.$eval("#clip-status", (s) => s.textContent);
  expect(`${label}: the video is made (${status})`, (await clipState(page)) === "ready");
  return page.$eval("#clip", (box) => ({ ms: Number(box.dataset.ms), codec: box.dataset.codec }));
}

async function checkCancel(label, page) {
  if (await page.evaluate(() => document.body.dataset.state === "ended")) {
    await page.click("#again");
  }
  await page.click("#clip-save");
  await page.waitForFunction(() => document.getElementById("clip-progress").value > 0,
    { timeout: makingTimeout });
  const before = await shownTick(page);
  await page.click("#clip-cancel");
  const after = await page.$eval("#clip", (box) => ({ state: box.dataset.state,
    bar: !document.getElementById("clip-progress").hidden,
    download: !document.getElementById("clip-download").hidden,
    save: !document.getElementById("clip-save").disabled }));
  await settle(1500);
  const later = await clipState(page);
  const tick = await shownTick(page);
  expect(`${label}: Cancel stops the video at once: no bar, no file, Save as video again, and ` +
    `the race plays on (ticks ${before} to ${tick})`,
  after.state === "idle" && !after.bar && !after.download && after.save && later === "idle" &&
    (tick > before || tick === ticks), JSON.stringify({ after, later }));
}

// Where the browser has no VideoEncoder, the button is disabled and says so.
async function checkNoEncoder(label, page) {
  const shown = await page.$eval("#clip", (box) => ({ state: box.dataset.state,
    disabled: document.getElementById("clip-save").disabled,
    text: document.getElementById("clip-status").textContent }));
  expect(`${label}: without VideoEncoder the button says that this browser cannot make videos`,
    shown.state === "unsupported" && shown.disabled &&
      shown.text === "This browser cannot make videos.", JSON.stringify(shown));
}

// The browser's checks: the shipped race saved and read back, Cancel, and a
// race of the user's own data files.
async function checkBrowser(label, browser, origin, references, ownRace) {
  const figures = { label };
  const page = await browser.newPage();
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  await openPage(page, `${origin}/index.html`);
  if (!(await page.evaluate(() => typeof VideoEncoder === "function"))) {
    await checkNoEncoder(label, page);
    await page.close();
    return null;
  }
  const format = await expectedFormat(page);
  const made = await makeVideo(label, page, runDir);
  const file = await offeredFile(page);
  Object.assign(figures, made, checkFile(label, file,
    { ...format, name: `gallop-shipped-race.${format.extension}` }, references, sampled) || {});
  figures.share = await page.$eval("#clip-share", (button) => !button.hidden);

  await checkCancel(label, page);

  // The user's own data files: the race now loaded is the one saved.
  await page.$("#files").then((picker) => picker.uploadFile(
    path.join(ownRace.dir, "deta", "courseDeta.txt"), path.join(ownRace.dir, "deta", "rival.txt")));
  await page.waitForFunction(() => document.body.dataset.state === "running", { timeout: 10000 });
  await makeVideo(`${label}, own data files`, page, null);
  checkFile(`${label}, own data files`, await offeredFile(page),
    { ...format, name: `gallop-${ownRace.name}.${format.extension}` },
    ownRace.frames, ownRace.at);
  expect(`${label}: no script error`, errors.length === 0, errors.join("\n  "));
  await page.close();
  return figures;
}

// A page kept offline never runs another build's worker: while the server
// has another clip-worker.js, the video is not made. After one use the
// offline cache keeps the worker and the muxer, and with the network off
// (the server stopped too) a reloaded page makes a video.
async function checkOffline(browser, references) {
  const site = path.join(scratch, "offline-site");
  fs.rmSync(site, { recursive: true, force: true });
  fs.cpSync(runDir, site, { recursive: true });
  const { server, origin } = await startServer(site);
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  try {
    await openPage(page, `${origin}/index.html`);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload();
    await openPage(page, `${origin}/index.html`);
    const worker = path.join(site, "clip-worker.js");
    const ours = fs.readFileSync(worker);
    fs.writeFileSync(worker, Buffer.concat([ours, Buffer.from("// another build\n")]));
    await page.click("#clip-save");
    await waitForClip(page, ["failed", "ready"], makingTimeout);
    expect("while the server has another build's worker, the page kept offline does not run it",
      (await clipState(page)) === "failed" &&
        (await page.evaluate(() => navigator.serviceWorker.controller !== null)));
    fs.writeFileSync(worker, ours);
    await makeVideo("Chromium, first use", page, null);
    const kept = await page.waitForFunction(async () => {
      const names = await caches.keys();
      const cache = await caches.open(names[0]);
      return (await cache.match("clip-worker.js")) !== undefined &&
        (await cache.match("mediabunny.js")) !== undefined;
    }, { timeout: 10000, polling: 200 }).then(() => true, () => false);
    expect("after one use the offline cache keeps the worker and the muxer", kept);

    server.kill();
    await page.setOfflineMode(true);
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.state === "running", { timeout: 30000 });
    await waitForClip(page, ["idle"], 10000);
    await makeVideo("Chromium, offline", page, null);
    const file = await offeredFile(page);
    const where = path.join(scratch, `offline-${file.name}`);
    fs.writeFileSync(where, file.bytes);
    const psnr = lumaPsnr(where, probe(where).streams[0], references, sampled);
    expect(`with the network off a reloaded page makes the video (worst ${Math.min(...psnr)
      .toFixed(2)} dB)`, Math.min(...psnr) >= minPsnr);
  } finally {
    server.kill();
    await context.close();
  }
}

// A race of the user's own files: a shipped variant's data with the shipped
// sheets, its course's name and its recorder frames.
function ownRace() {
  const dir = path.join(scratch, "own-race");
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(path.join(dir, "deta"), { recursive: true });
  fs.cpSync(path.join(runDir, "image"), path.join(dir, "image"), { recursive: true });
  const variant = path.join(sourceDir, "tests", "variants", "odd-left-style0-short", "deta");
  for (const name of ["courseDeta.txt", "rival.txt"]) {
    fs.copyFileSync(path.join(variant, name), path.join(dir, "deta", name));
  }
  const course = fs.readFileSync(path.join(dir, "deta", "courseDeta.txt"), "latin1")
    .split("\r\n")[5].split(",")[0];
  const at = [50, 150, 400, 700];
  return { dir, name: course.toLowerCase().split(" ").join("-"), at,
    frames: recorderFrames(dir, at, "own") };
}

fs.mkdirSync(scratch, { recursive: true });
const references = recorderFrames(runDir, sampled, "shipped");
const own = ownRace();
const { server, origin } = await startServer(runDir);
const figures = [];
for (const [label, launch] of [
  ["Chromium", () => launchBrowser(scratch)],
  ["Firefox", () => launchBrowser(scratch, true)],
]) {
  let browser = null;
  try {
    browser = await launch();
    const shown = await checkBrowser(label, browser, origin, references, own);
    if (shown !== null) {
      figures.push(shown);
    }
    if (label === "Chromium") {
      await checkOffline(browser, references);
      // As a browser of before WebCodecs: the page without VideoEncoder.
      const page = await browser.newPage();
      await page.evaluateOnNewDocument(() => {
        delete window.VideoEncoder;
      });
      await openPage(page, `${origin}/index.html`);
      await checkNoEncoder("Chromium without WebCodecs", page);
      await page.close();
    }
  } catch (error) {
    expect(`${label}: the checks run to the end (${error.message})`, false);
  } finally {
    if (browser !== null) {
      await browser.close();
    }
  }
}
server.kill();
for (const shown of figures) {
  console.log(`figures: ${shown.label}: ${shown.codec} in ${shown.container}, ${shown.bytes} bytes, ` +
    `worst sampled luma PSNR ${shown.worst === undefined ? "?" : shown.worst.toFixed(2)} dB, ` +
    `made in ${(shown.ms / 1000).toFixed(1)} s, share offered: ${shown.share}`);
}
console.log(`save as video: ${passes} passed, ${failures} failed`);
process.exitCode = failures === 0 ? 0 : 1;
