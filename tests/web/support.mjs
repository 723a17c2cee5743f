// What the page's tests share: the static server, the node recorder's frames,
// and the frame on a page's canvas.
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import puppeteer from "puppeteer-core";

const width = 800;
const height = 600;

// python3's static server on a free port of 127.0.0.1; resolves to its origin.
export function startServer(root) {
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

// The node recorder of RUN_DIR's frame at `tick` for the race of the run
// directory `dir`, as RGB bytes; SCRATCH holds the frames it writes.
export function nodeRecorderFrame(runDir, scratch, tick, dir = runDir) {
  const frames = path.join(scratch, "frames");
  execFileSync("node", [path.join(runDir, "gallop-record.js"), "--dir", dir, "--frames",
    frames, "--at", String(tick), "--ticks", String(tick)], { stdio: "ignore" });
  const png = path.join(frames, `frame-${String(tick).padStart(4, "0")}.png`);
  return execFileSync("convert", [png, "-depth", "8", "rgb:-"], { maxBuffer: 1 << 24 });
}

// The frame on the canvas and the tick it shows, read in one go so that no
// pass can come between them.
export async function canvasFrame(page) {
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

export function differingPixels(a, b) {
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


// The system's headless Chromium, or with `firefox` Firefox ESR through
// WebDriver BiDi, on a fresh profile in SCRATCH, with a 1000 × 800 window.
export function launchBrowser(scratch, firefox = false) {
  const window = { width: 1000, height: 800, deviceScaleFactor: 1 };
  if (firefox) {
    return puppeteer.launch({
      browser: "firefox",
      executablePath: process.env.GALLOP_FIREFOX || "/usr/bin/firefox-esr",
      headless: true,
      userDataDir: fs.mkdtempSync(path.join(scratch, "firefox-profile-")),
      defaultViewport: window,
    });
  }
  return puppeteer.launch({
    executablePath: process.env.GALLOP_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    userDataDir: fs.mkdtempSync(path.join(scratch, "profile-")),
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    defaultViewport: window,
  });
}
