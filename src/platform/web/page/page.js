// The page around the race: fetches the data files and the sprite sheets into
// the program's in-memory file system, starts the race, runs one frame pass
// every frameIntervalMs and shows each new frame on the canvas. At the end of
// the race the last frame stays and a button runs the race again. The user's
// own courseDeta.txt and rival.txt, picked or dropped, restart the race.
"use strict";

(function () {
  const dataFiles = ["deta/courseDeta.txt", "deta/rival.txt"];
  const sheetFiles = ["image/course.bmp", "image/horse.bmp", "image/uniform.bmp", "image/gate.bmp"];
  const escapeKey = 27;

  const canvas = document.getElementById("screen");
  const context = canvas.getContext("2d", { alpha: false });
  const message = document.getElementById("message");
  const again = document.getElementById("again");
  const picker = document.getElementById("files");
  const dropHint = document.getElementById("drop-hint");

  let program = null;
  let timer = null;
  let ratioQuery = null;
  let fittedRatio = 0;

  function setState(state) {
    document.body.dataset.state = state;
  }

  function showMessage(text) {
    message.textContent = text;
    message.hidden = false;
  }

  // One canvas pixel is shown as a whole number of device pixels: 1:1 at a
  // device pixel ratio of 1, 2×2 at 2, and never a blurred fraction. The
  // ratio changes with the zoom and when the window moves to another screen;
  // every frame pass looks again, since not every browser reports the change.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    if (ratio === fittedRatio) {
      return;
    }
    fittedRatio = ratio;
    const scale = Math.max(1, Math.floor(ratio));
    canvas.style.width = (canvas.width * scale) / ratio + "px";
    canvas.style.height = (canvas.height * scale) / ratio + "px";
    // Kept, so that its listener lives as long as the ratio does.
    ratioQuery = window.matchMedia("(resolution: " + ratio + "dppx)");
    ratioQuery.addEventListener("change", fitCanvas, { once: true });
  }

  function showFrame() {
    const width = program._gallopWidth();
    const height = program._gallopHeight();
    const at = program._gallopPixels();
    const rgba = new Uint8ClampedArray(program.HEAPU8.buffer, at, width * height * 4);
    context.putImageData(new ImageData(new Uint8ClampedArray(rgba), width, height), 0, 0);
    canvas.dataset.tick = String(program._gallopTick());
  }

  function stopTimer() {
    if (timer !== null) {
      clearTimeout(timer);
      timer = null;
    }
  }

  // One frame pass, then a wait of frameIntervalMs after the work, as the
  // frame thread of the desktop builds sleeps after each pass.
  function pass() {
    timer = null;
    fitCanvas();
    const result = program._gallopPass();
    if (result > 0) {
      showFrame();
    }
    if (result < 0) {
      setState("ended");
      again.hidden = false;
      again.focus();
      return;
    }
    timer = setTimeout(pass, program._gallopFrameIntervalMs());
  }

  function startRace() {
    stopTimer();
    message.hidden = true;
    again.hidden = true;
    delete canvas.dataset.tick;
    if (!program._gallopStart()) {
      context.fillStyle = "#000";
      context.fillRect(0, 0, canvas.width, canvas.height);
      setState("error");
      return;
    }
    setState("running");
    canvas.focus();
    timer = setTimeout(pass, program._gallopFrameIntervalMs());
  }

  // Puts a file into the program's file system; a missing one stays missing.
  async function fetchInto(path) {
    try {
      const response = await fetch(path, { cache: "no-cache" });
      if (!response.ok) {
        return;
      }
      program.FS.writeFile(path, new Uint8Array(await response.arrayBuffer()));
    } catch (error) {
      // Unreachable or refused: the file is missing for the program.
    }
  }

  // The user's own data files, by name; anything else is left out.
  async function useOwnFiles(files) {
    let taken = 0;
    for (const file of files) {
      const path = dataFiles.find((candidate) => candidate.endsWith("/" + file.name));
      if (path === undefined) {
        continue;
      }
      program.FS.writeFile(path, new Uint8Array(await file.arrayBuffer()));
      taken += 1;
    }
    if (taken === 0) {
      dropHint.textContent = "only files named courseDeta.txt or rival.txt are used";
      return;
    }
    startRace();
  }

  document.addEventListener("keyup", (event) => {
    if (program !== null && event.target !== picker) {
      program._gallopKeyUp(event.key === "Escape" ? escapeKey : 0);
    }
  });
  canvas.addEventListener("mousemove", (event) => {
    if (program !== null) {
      const box = canvas.getBoundingClientRect();
      program._gallopMouseMove(
        Math.floor(((event.clientX - box.left) * canvas.width) / box.width),
        Math.floor(((event.clientY - box.top) * canvas.height) / box.height),
      );
    }
  });
  canvas.addEventListener("mouseup", (event) => {
    if (program !== null) {
      program._gallopButtonUp(event.button);
    }
  });
  again.addEventListener("click", () => startRace());
  picker.addEventListener("change", () => {
    if (program !== null && picker.files.length > 0) {
      useOwnFiles(Array.from(picker.files));
    }
    picker.value = "";
  });
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dragging");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dragging"));
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    document.body.classList.remove("dragging");
    if (program !== null && event.dataTransfer.files.length > 0) {
      useOwnFiles(Array.from(event.dataTransfer.files));
    }
  });

  fitCanvas();
  window.addEventListener("resize", fitCanvas);
  createGallop({ showDataFileError: showMessage }).then(async (loaded) => {
    program = loaded;
    program.FS.mkdir("deta");
    program.FS.mkdir("image");
    await Promise.all(dataFiles.concat(sheetFiles).map(fetchInto));
    startRace();
  });
})();
