// How the page keeps the race's time on a slow phone: plays the whole race in
// the system's headless Chromium at a phone's size (390 × 844, scale 3), with
// the processor slowed 1, 4 and 6 times, and reports for each the race's
// length (from its start, the page's "race start" mark, to tick 700 on the
// canvas), the share of the 700 frames drawn, and where a pass's time goes:
// the pass as a whole (the program's update and paint, read out) and the
// canvas's putImageData within it. A measurement, not a test.
//
//   node page_pace.mjs RUN_DIR [RATES]     (RATES default 1,4,6)
//
// The aim: 21.0 s (±0.1 s) at every rate, and at least 95% of the frames
// drawn at 4×.
import path from "node:path";
import fs from "node:fs";
import os from "node:os";
import { launchBrowser, startServer } from "./support.mjs";

const runDir = path.resolve(process.argv[2]);
const rates = (process.argv[3] || "1,4,6").split(",").map(Number);
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "gallop-pace-"));

const { server, origin } = await startServer(runDir);
const browser = await launchBrowser(scratch);
try {
  console.log("rate   race length   frames drawn   pass (mean, p95)   putImageData (mean)");
  for (const rate of rates) {
    const page = await browser.newPage();
    await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 3, isMobile: true,
      hasTouch: true });
    const cdp = await page.createCDPSession();
    await cdp.send("Emulation.setCPUThrottlingRate", { rate });
    // Every timer callback (the page's passes among them) and every frame
    // put on the canvas, timed.
    await page.evaluateOnNewDocument(() => {
      window.pace = { frames: [], passes: [], puts: [] };
      const put = CanvasRenderingContext2D.prototype.putImageData;
      CanvasRenderingContext2D.prototype.putImageData = function (...args) {
        const before = performance.now();
        put.apply(this, args);
        const after = performance.now();
        window.pace.puts.push(after - before);
        const frame = { at: after, tick: -1 };
        if (this.canvas.id === "screen") {
          window.pace.frames.push(frame);
        }
        // The page marks the canvas with the frame's tick once it is put.
        queueMicrotask(() => {
          frame.tick = Number(this.canvas.dataset.tick);
        });
      };
      const timeout = window.setTimeout;
      window.setTimeout = (callback, ...rest) => timeout(() => {
        const before = performance.now();
        callback();
        window.pace.passes.push({ at: before, took: performance.now() - before });
      }, ...rest);
    });
    await page.goto(`${origin}/index.html`);
    await page.waitForFunction(() => document.body.dataset.state === "ended",
      { timeout: 120000, polling: 200 });
    const pace = await page.evaluate(() => ({ ...window.pace,
      start: performance.getEntriesByName("race start")[0].startTime }));
    const frames = pace.frames.filter((frame) => frame.tick >= 1);
    const last = frames.find((frame) => frame.tick === 700);
    const length = last ? (last.at - pace.start) / 1000 : NaN;
    const drawn = new Set(frames.map((frame) => frame.tick)).size;
    // The passes of the race, from its first frame to its last.
    const passes = pace.passes.filter((pass) => last && pass.at >= pace.start &&
      pass.at <= last.at).map((pass) => pass.took).sort((a, b) => a - b);
    const mean = (list) => list.reduce((sum, x) => sum + x, 0) / Math.max(1, list.length);
    console.log(`${String(rate).padStart(3)}×   ${length.toFixed(2).padStart(8)} s   ` +
      `${(100 * drawn / 700).toFixed(1).padStart(9)} %    ` +
      `${mean(passes).toFixed(1).padStart(6)} ms, ${(passes[Math.floor(passes.length * 0.95)] || 0)
        .toFixed(1).padStart(5)} ms   ${mean(pace.puts).toFixed(1).padStart(8)} ms`);
    await page.close();
  }
} finally {
  await browser.close();
  server.kill();
  fs.rmSync(scratch, { recursive: true, force: true });
}
