// Save as video: the race now loaded (the shipped one, a race link's, an
// edited one, with the sheets in place) made into a video file, off the
// clock, by a worker of its own (clip-worker.js), while the race on the
// canvas plays on. A bar shows how far it has got and Cancel stops it; the
// file is then offered for download and, where the browser can share files,
// to share. The worker and the muxer it loads are fetched only when the
// button is first used.
"use strict";

const GallopClip = (function () {
  const box = document.getElementById("clip");
  const save = document.getElementById("clip-save");
  const progress = document.getElementById("clip-progress");
  const cancel = document.getElementById("clip-cancel");
  const share = document.getElementById("clip-share");
  const download = document.getElementById("clip-download");
  const status = document.getElementById("clip-status");

  let page = null;
  let worker = null;
  let file = null;

  // What the page shows: "idle", "making", "ready", "failed" or
  // "unsupported" (also on the box, for the tests).
  function show(state, text) {
    box.dataset.state = state;
    const making = state === "making";
    // While it works, Cancel stands in the button's place.
    save.hidden = making;
    save.disabled = state === "unsupported";
    progress.hidden = !making;
    cancel.hidden = !making;
    download.hidden = state !== "ready";
    share.hidden = state !== "ready" || !canShare(file);
    status.textContent = text;
  }

  // Shows what came of it; the focus, if it was on Cancel, goes on to
  // `next`.
  function shown(state, text, next) {
    const focused = document.activeElement === cancel;
    show(state, text);
    if (focused) {
      next.focus();
    }
  }

  const canShare = (candidate) => candidate !== null && typeof navigator.canShare === "function" &&
    navigator.canShare({ files: [candidate] });

  const sameBytes = (a, b) => a.length === b.length && a.every((byte, i) => byte === b[i]);

  // "shipped-race" while the data files write as the shipped ones do, else
  // the course's name in lower case, words joined by '-'.
  function raceName() {
    const T = GallopTables;
    const playing = T.writeTables(T.readTables(page.readFile(page.paths[0]),
      page.readFile(page.paths[1])));
    const shipped = T.writeTables(page.shipped);
    if (sameBytes(playing.course, shipped.course) && sameBytes(playing.rivals, shipped.rivals)) {
      return "shipped-race";
    }
    const course = T.readTables(page.readFile(page.paths[0]), null);
    const words = T.courseValue(course, "name").normalize("NFKC").toLowerCase()
      .match(/[\p{L}\p{N}]+/gu);
    return words === null ? "race" : words.join("-");
  }

  function stop() {
    if (worker !== null) {
      worker.terminate();
      worker = null;
    }
  }

  function forget() {
    if (download.href !== "") {
      URL.revokeObjectURL(download.href);
      download.removeAttribute("href");
    }
    file = null;
  }

  // Once the worker and the muxer have been fetched, the offline cache keeps
  // them too (once it is there: never where the page is not kept offline).
  function keepOffline() {
    if ("serviceWorker" in navigator) {
      navigator.serviceWorker.ready.then((registration) => {
        registration.active.postMessage("keep the video files");
      });
    }
  }

  function finished(made, name) {
    stop();
    file = new File([made.bytes], `gallop-${name}.${made.extension}`, { type: made.type });
    download.href = URL.createObjectURL(file);
    download.download = file.name;
    box.dataset.codec = made.codec;
    box.dataset.frames = String(made.frames);
    box.dataset.ms = String(made.ms);
    const megabytes = (file.size / 1000000).toFixed(1);
    shown("ready", `${file.name}, ${megabytes} MB, made in ${(made.ms / 1000).toFixed(1)} s.`,
      download);
    keepOffline();
  }

  function start() {
    stop();
    forget();
    const name = raceName();
    const files = [];
    for (const path of page.paths) {
      const bytes = page.readFile(path);
      if (bytes !== null) {
        files.push([path, bytes]);
      }
    }
    progress.value = 0;
    show("making", "Making the video…");
    cancel.focus();
    worker = new Worker("clip-worker.js");
    worker.onmessage = (event) => {
      const answer = event.data;
      if ("progress" in answer) {
        progress.value = answer.progress;
      } else if (answer.done) {
        finished(answer, name);
      } else if (answer.unsupported) {
        stop();
        shown("unsupported", "This browser cannot make videos.", save);
      } else {
        stop();
        shown("failed", `The video could not be made: ${answer.failed}`, save);
      }
    };
    worker.onerror = (event) => {
      event.preventDefault();
      stop();
      shown("failed", `The video could not be made: ${event.message || "the worker stopped"}`,
        save);
    };
    worker.postMessage({ files }, files.map(([, bytes]) => bytes.buffer));
  }

  save.addEventListener("click", start);
  cancel.addEventListener("click", () => {
    stop();
    shown("idle", "Cancelled.", save);
  });
  share.addEventListener("click", () => {
    if (file !== null) {
      navigator.share({ files: [file], title: "GALLOP" }).catch(() => {
        // Dismissed, or the browser would not: Download is still there.
      });
    }
  });

  // The page hands over how to read its file system: the paths of the data
  // files (course table first, rival table second) and the sheets, a reader
  // that gives a file's bytes or null, and the shipped race as the tables
  // read it.
  function attach(given) {
    page = given;
    if (typeof VideoEncoder === "function" && typeof Worker === "function") {
      show("idle", "");
    } else {
      show("unsupported", "This browser cannot make videos.");
    }
  }

  return { attach };
})();
