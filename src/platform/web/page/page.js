// The page around the race: fetches the data files and the sprite sheets into
// the program's in-memory file system, starts the race, runs one frame pass
// every frameIntervalMs and shows each new frame on the canvas. At the end of
// the race the last frame stays, the finishing order shows under the canvas
// and a button runs the race again. The user's own courseDeta.txt and
// rival.txt, picked or dropped, restart the race, and so do the editor's Run
// and a race link (the field and the course after '#' in the address). So do
// the user's own sprite sheets (course.bmp, horse.bmp, uniform.bmp,
// gate.bmp): the checker's findings on them show under the canvas, and a
// button puts the shipped sheets back.
"use strict";

(function () {
  const dataFiles = ["deta/courseDeta.txt", "deta/rival.txt"];
  const sheetFiles = ["image/course.bmp", "image/horse.bmp", "image/uniform.bmp", "image/gate.bmp"];
  const escapeKey = 27;
  // How long the editor may wait for the browser to be idle after the race
  // has started, and how long it waits where the browser cannot say so.
  const editorFillTimeoutMs = 2000;
  const editorFillFallbackMs = 300;

  const canvas = document.getElementById("screen");
  const context = canvas.getContext("2d", { alpha: false });
  const message = document.getElementById("message");
  const again = document.getElementById("again");
  const stop = document.getElementById("stop");
  const picker = document.getElementById("files");
  const dropHint = document.getElementById("drop-hint");
  const notice = document.getElementById("notice");
  const finishTable = document.getElementById("result-table");
  const finishWaiting = document.getElementById("result-waiting");
  const sheetsPanel = document.getElementById("sheets");
  const sheetFindings = document.getElementById("sheet-findings");
  const shippedSheetsButton = document.getElementById("shipped-sheets");
  const T = GallopTables;
  const raceDay = GallopRaceDay.create({
    place: (index) => ({ x: program._gallopRunnerPlace(index, 0), y: program._gallopRunnerPlace(index, 1) }),
  });

  let program = null;
  let timer = null;
  // When the race now playing started, or starts, by this page's clock.
  let raceStart = 0;
  let ratioQuery = null;
  let fittedRatio = 0;
  let fittedRoom = 0;
  let editor = null;
  let editorFilled = false;
  let swatches = null;
  // The shipped race as fetched, and the names of the runners now playing
  // (column 0 of the rival table, which the race itself never reads).
  let shipped = null;
  let playingNames = [];
  // The shipped sheets' bytes as fetched, by path, and the names of the
  // user's own sheets now in place.
  const shippedSheets = new Map();
  const ownSheets = new Set();

  // Resolves in a task of its own, so that the page answers in between.
  const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

  function setState(state) {
    document.body.dataset.state = state;
  }

  function showMessage(text) {
    message.textContent = text;
    message.hidden = false;
  }

  // Where the window has room for the whole picture at 800 CSS pixels wide,
  // one canvas pixel is shown as a whole number of device pixels, as many as
  // the device pixel ratio allows: 1:1 at a ratio of 1, 2×2 at 2, never a
  // blurred fraction. In less room (a phone, a narrow window, or a landscape
  // phone's height) the picture fills it, crisp where that is still a whole
  // number of device pixels a canvas pixel, and scaled smoothly otherwise.
  // The ratio changes with the zoom and when the window moves to another
  // screen; every frame pass looks at it again, since not every browser
  // reports the change. The room changes with the window and with the
  // page's scroll bar.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const frame = canvas.parentElement;
    const style = getComputedStyle(frame);
    const room = Math.max(1, Math.min(
      frame.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight),
      (window.innerHeight * canvas.width) / canvas.height));
    if (ratio === fittedRatio && room === fittedRoom) {
      return;
    }
    fittedRoom = room;
    let shown = room;
    let crisp = false;
    if (room >= canvas.width) {
      const blocks = Math.min(Math.floor(ratio), Math.floor((room * ratio) / canvas.width));
      if (blocks >= 1) {
        shown = (canvas.width * blocks) / ratio;
        crisp = true;
      }
    } else {
      const blocks = (room * ratio) / canvas.width;
      crisp = blocks >= 1 && Math.abs(blocks - Math.round(blocks)) < 1e-6;
    }
    canvas.classList.toggle("smooth", !crisp);
    canvas.style.width = shown + "px";
    canvas.style.height = (shown * canvas.height) / canvas.width + "px";
    if (ratio !== fittedRatio) {
      fittedRatio = ratio;
      // Kept, so that its listener lives as long as the ratio does.
      ratioQuery = window.matchMedia("(resolution: " + ratio + "dppx)");
      ratioQuery.addEventListener("change", fitCanvas, { once: true });
    }
  }

  function showFrame() {
    const width = program._gallopWidth();
    const height = program._gallopHeight();
    const at = program._gallopPixels();
    // Straight from the program's memory, without a copy of the frame.
    const rgba = new Uint8ClampedArray(program.HEAPU8.buffer, at, width * height * 4);
    context.putImageData(new ImageData(rgba, width, height), 0, 0);
    const tick = program._gallopTick();
    canvas.dataset.tick = String(tick);
    raceDay.follow(tick);
  }

  function stopTimer() {
    if (timer !== null) {
      clearTimeout(timer);
      timer = null;
    }
  }

  // ---- Keeping time ---------------------------------------------------------
  //
  // Tick k of a race is drawn at its start + k × frameIntervalMs by this
  // page's clock, whatever the device: a pass that comes late runs the
  // updates it missed without drawing them (the race stays the same race)
  // and draws only the tick the clock has come to. So a slow phone skips a
  // few frames no one could have seen in time rather than playing in slow
  // motion, and a page opened late, or shown again after its tab was hidden,
  // joins the race where it is.

  // Milliseconds since 1970 UTC, by this page's clock; steady within a visit.
  const clock = () => performance.timeOrigin + performance.now();
  // The longest wait between two passes, so that a countdown is redrawn each
  // second and a wait is never longer than the clock asks for.
  const longestWaitMs = 250;
  // The tick of the race's last frame; the pass after it ends the race.
  const lastTick = 700;

  // One pass of the clock: every update due by now, the last one drawn.
  function pass() {
    timer = null;
    if ((window.devicePixelRatio || 1) !== fittedRatio) {
      fitCanvas();
    }
    const interval = program._gallopFrameIntervalMs();
    const now = clock();
    const due = Math.floor((now - raceStart) / interval);
    raceDay.countdown(raceStart, now);
    // Before the start the gate scene shows: the race's first frame.
    let result = program._gallopTick() === 0 && due < 1 ? program._gallopPass() : 0;
    if (result > 0) {
      showFrame();
    }
    const drawUpTo = Math.min(due, lastTick);
    while (result >= 0 && program._gallopTick() < drawUpTo - 1) {
      result = program._gallopPassUnseen();
    }
    if (result >= 0 && program._gallopTick() < drawUpTo) {
      result = program._gallopPass();
      if (result > 0) {
        showFrame();
      }
    }
    if (result >= 0 && due > lastTick) {
      result = program._gallopPassUnseen();
    }
    if (result >= 0 && program._gallopGateOpen()) {
      raceDay.closeCard();
    }
    if (result < 0) {
      endRace(now);
      return;
    }
    const nextDue = raceStart + (program._gallopTick() + 1) * interval;
    timer = setTimeout(pass, Math.max(0, Math.min(nextDue - now, longestWaitMs)));
  }

  // The race has asked to close: the finishing order and the button to run
  // it again.
  function endRace(now) {
    raceDay.countdown(null, now);
    raceDay.closeCard();
    showFinish();
    setState("ended");
    showRaceButton(again);
    again.focus();
  }

  // A tab shown again, or a page woken from sleep, joins the race at once
  // rather than at its next timer.
  function rejoin() {
    if (timer !== null && document.visibilityState === "visible") {
      stopTimer();
      pass();
    }
  }
  document.addEventListener("visibilitychange", rejoin);
  document.addEventListener("resume", rejoin);
  window.addEventListener("pageshow", rejoin);

  // The race's one button: End the race while it runs, Run the race again
  // once it has ended; both keep one place, so nothing moves.
  function showRaceButton(button) {
    stop.hidden = button !== stop;
    again.hidden = button !== again;
    stop.disabled = button !== stop;
  }

  // Starts the race now in the data files: at `at` (milliseconds since 1970
  // UTC) when a link set a time, else now.
  function startRace(at = null) {
    stopTimer();
    message.hidden = true;
    showRaceButton(null);
    finishTable.hidden = true;
    finishWaiting.hidden = false;
    delete canvas.dataset.tick;
    const playing = readPlaying();
    playingNames = playing.runners.map((runner) => T.runnerValue(runner, "name"));
    raceDay.clear();
    if (!program._gallopStart()) {
      context.fillStyle = "#000";
      context.fillRect(0, 0, canvas.width, canvas.height);
      setState("error");
      return;
    }
    if (swatches === null) {
      // Of the sheets just loaded; anew whenever the sheets change. Each is
      // cut when the editor or the result first shows it.
      swatches = GallopSwatches.fromProgram(program);
      editor.useSwatches(swatches);
    }
    raceStart = at === null ? clock() : at;
    // For measurements of the page's pace: when this race's tick 0 was due,
    // where that was after the page opened.
    performance.clearMarks("race start");
    if (raceStart >= performance.timeOrigin) {
      performance.mark("race start", { startTime: raceStart - performance.timeOrigin });
    }
    // A race of a set time that ended before the page opened it: its result,
    // at once.
    const endsAt = raceStart + (lastTick + 1) * program._gallopFrameIntervalMs();
    const ranBefore = at !== null && clock() >= endsAt;
    raceDay.showCard(cardRunners(), swatches, T.linkOf(playing, at));
    setState("running");
    showRaceButton(stop);
    canvas.focus({ preventScroll: true });
    pass();
    if (ranBefore) {
      raceDay.ranBefore(at, clock());
    }
  }

  // The runners of the race just set up, for the race card.
  function cardRunners() {
    const runners = [];
    for (let i = 0; i < program._gallopRunnerCount(); ++i) {
      runners.push({
        gate: i + 1,
        name: playingNames[i] || "",
        bracket: program._gallopRunnerField(i, 1),
        coat: program._gallopRunnerField(i, 2),
        silks: program._gallopRunnerField(i, 3),
      });
    }
    return runners;
  }

  // The editor is filled with the race once the race runs and the browser
  // has time to spare, or at once when the editor comes into view or is
  // used, whichever comes first, so that filling it does not hold up the
  // race's start. Browsers without requestIdleCallback or
  // IntersectionObserver fill it shortly after the start.
  function fillEditorWhenWanted() {
    const section = document.getElementById("editor");
    let observer = null;
    const fill = () => {
      if (observer !== null) {
        observer.disconnect();
        observer = null;
      }
      section.removeEventListener("pointerdown", fill, true);
      section.removeEventListener("focusin", fill, true);
      if (!editorFilled) {
        editorFilled = true;
        editor.show(readPlaying(), true);
      }
    };
    section.addEventListener("pointerdown", fill, true);
    section.addEventListener("focusin", fill, true);
    if ("IntersectionObserver" in window) {
      observer = new IntersectionObserver((entries) => {
        if (entries.some((entry) => entry.isIntersecting)) {
          fill();
        }
      });
      observer.observe(section);
    }
    if ("requestIdleCallback" in window) {
      requestIdleCallback(fill, { timeout: editorFillTimeoutMs });
    } else {
      setTimeout(fill, editorFillFallbackMs);
    }
  }

  function showInEditor(data) {
    editorFilled = true;
    editor.show(data);
  }

  // ---- Data files ---------------------------------------------------------

  function readFile(path) {
    try {
      return program.FS.readFile(path);
    } catch (error) {
      return null; // missing: the race reports it
    }
  }

  // The race in the data files now in place, as the editor holds it.
  const readPlaying = () => T.readTables(readFile(dataFiles[0]), readFile(dataFiles[1]));

  // Writes a race's two files in place of the data files.
  function putRace(data) {
    const files = T.writeTables(data);
    program.FS.writeFile(dataFiles[0], files.course);
    program.FS.writeFile(dataFiles[1], files.rivals);
  }

  // Plays a race of the editor, now. The address keeps its race link only
  // while the link still describes the race.
  function play(data) {
    if (location.hash !== "#" + T.linkOf(data)) {
      setLink("");
    }
    showNotice("");
    putRace(data);
    startRace();
  }

  // The address after '#' holds the race link, or nothing.
  function setLink(link) {
    const address = location.pathname + location.search + (link === "" ? "" : "#" + link);
    history.replaceState(null, "", address);
  }

  function showNotice(text) {
    notice.textContent = text;
    notice.hidden = text === "";
  }

  // Puts the race of the address's link in place and returns its start time
  // (null: now). An unreadable link says why, and the shipped race plays; a
  // link whose start time alone cannot be read plays its race now.
  function takeLink() {
    const hash = location.hash.slice(1);
    if (hash === "") {
      return null;
    }
    try {
      const { race, at } = T.readLink(hash, shipped);
      putRace(race === null ? shipped : race);
      showNotice("");
      return at;
    } catch (error) {
      if (error.part === "at") {
        try {
          const raceOnly = T.withoutStartTime(hash);
          const race = raceOnly === "" ? null : T.readLink(raceOnly, shipped).race;
          putRace(race === null ? shipped : race);
          showNotice(`The start time in this race link cannot be read: ${error.message}. ` +
            "The race plays now.");
          return null;
        } catch (raceError) {
          error = raceError;
        }
      }
      showNotice(`This race link cannot be read: ${error.message}. ` +
        "The shipped race plays instead.");
      putRace(shipped);
      return null;
    }
  }

  // ---- Who won --------------------------------------------------------------

  // Every runner as it stood after tick 700, by distance covered, the
  // furthest first; runners that covered the same distance share a place.
  function finishingOrder() {
    const start = program._gallopStartDistance();
    const order = [];
    for (let i = 0; i < program._gallopFinishCount(); ++i) {
      const distance = program._gallopFinishField(i, 0);
      order.push({
        gate: i + 1,
        distance,
        covered: start - distance,
        bracket: program._gallopFinishField(i, 1),
        coat: program._gallopFinishField(i, 2),
        silks: program._gallopFinishField(i, 3),
        name: playingNames[i] || "",
      });
    }
    order.sort((a, b) => a.distance - b.distance || a.gate - b.gate);
    order.forEach((runner, index) => {
      const previous = order[index - 1];
      runner.place = previous !== undefined && previous.distance === runner.distance ?
        previous.place : index + 1;
    });
    return order;
  }

  function cell(className, ...children) {
    const td = document.createElement("td");
    td.className = className;
    td.append(...children);
    return td;
  }

  function showFinish() {
    const order = finishingOrder();
    if (order.length === 0) {
      return; // the race did not reach its end
    }
    const rows = order.map((runner) => {
      const tied = order.filter((other) => other.place === runner.place).length > 1;
      const tr = document.createElement("tr");
      tr.dataset.place = String(runner.place);
      tr.dataset.gate = String(runner.gate);
      tr.dataset.covered = String(runner.covered);
      tr.classList.toggle("winner", runner.place === 1);
      const place = cell("place", String(runner.place));
      if (tied) {
        const tie = document.createElement("span");
        tie.className = "tie";
        tie.textContent = " dead heat";
        place.append(tie);
      }
      const coat = T.coatName(runner.coat);
      const bracket = document.createElement("span");
      bracket.className = "bracket-mark";
      bracket.append(GallopSwatches.image(swatches.bracket(runner.bracket), "", 0.5),
        String(runner.bracket));
      tr.append(place, cell("gate", String(runner.gate)), cell("bracket", bracket),
        cell("name", runner.name),
        cell("coat", GallopSwatches.image(swatches.coat(runner.coat), coat, 0.4), " " + coat),
        cell("silks", GallopSwatches.image(swatches.silks(runner.silks), "", 1), " " + runner.silks),
        cell("covered", String(runner.covered)));
      return tr;
    });
    finishTable.querySelector("tbody").replaceChildren(...rows);
    finishTable.hidden = false;
    finishWaiting.hidden = true;
    raceDay.finished(order, rows);
  }

  // Puts a file into the program's file system; a missing one stays missing.
  async function fetchInto(path) {
    try {
      const response = await fetch(path, { cache: "no-cache" });
      if (!response.ok) {
        return;
      }
      const bytes = new Uint8Array(await response.arrayBuffer());
      program.FS.writeFile(path, bytes);
      if (sheetFiles.includes(path)) {
        shippedSheets.set(path, bytes);
      }
    } catch (error) {
      // Unreachable or refused: the file is missing for the program.
    }
  }

  // ---- The user's own sheets ----------------------------------------------

  // The checker's findings on the user's own sheets now in place, sheet by
  // sheet: each finding, the blocking ones marked, or one line saying that
  // the sheet draws as laid out. A sheet with a blocking finding is still
  // used, as the program uses whatever file it finds: it draws what it can
  // of it, or nothing.
  function showSheetFindings() {
    const found = [];
    const count = ownSheets.size === 0 ? 0 : program._gallopCheckSheets();
    for (let i = 0; i < count; ++i) {
      found.push({ sheet: program.UTF8ToString(program._gallopFindingSheet(i)),
        blocking: program._gallopFindingBlocking(i) !== 0,
        text: program.UTF8ToString(program._gallopFindingText(i)) });
    }
    const items = [];
    for (const path of sheetFiles) {
      const sheet = path.slice("image/".length);
      if (!ownSheets.has(sheet)) {
        continue;
      }
      const own = found.filter((finding) => finding.sheet === sheet);
      if (own.length === 0) {
        const li = document.createElement("li");
        li.className = "fine";
        li.dataset.sheet = sheet;
        li.textContent = `${sheet}: fine, it draws as laid out.`;
        items.push(li);
      }
      for (const finding of own) {
        const li = document.createElement("li");
        li.className = finding.blocking ? "blocking" : "note";
        li.dataset.sheet = sheet;
        if (finding.blocking) {
          const mark = document.createElement("strong");
          mark.className = "mark";
          mark.textContent = "Blocking: ";
          li.append(mark);
        }
        li.append(`${sheet} ${finding.text}${/[.!?]$/.test(finding.text) ? "" : "."}`);
        items.push(li);
      }
    }
    sheetFindings.replaceChildren(...items);
    sheetsPanel.hidden = ownSheets.size === 0;
  }

  // Back to the sheets the page came with; a sheet the server did not have
  // stays missing.
  function useShippedSheets() {
    for (const path of sheetFiles) {
      if (shippedSheets.has(path)) {
        program.FS.writeFile(path, shippedSheets.get(path));
      } else if (readFile(path) !== null) {
        program.FS.unlink(path);
      }
    }
    ownSheets.clear();
    showSheetFindings();
    swatches = null;
    startRace();
  }

  // The user's own data files and sheets, by name; anything else is left out.
  async function useOwnFiles(files) {
    let dataTaken = 0;
    let sheetsTaken = 0;
    for (const file of files) {
      const path = dataFiles.concat(sheetFiles)
        .find((candidate) => candidate.endsWith("/" + file.name));
      if (path === undefined) {
        continue;
      }
      program.FS.writeFile(path, new Uint8Array(await file.arrayBuffer()));
      if (sheetFiles.includes(path)) {
        ownSheets.add(file.name);
        sheetsTaken += 1;
      } else {
        dataTaken += 1;
      }
    }
    if (dataTaken + sheetsTaken === 0) {
      dropHint.textContent = "only files named courseDeta.txt, rival.txt, course.bmp, " +
        "horse.bmp, uniform.bmp or gate.bmp are used";
      return;
    }
    if (dataTaken > 0) {
      showInEditor(readPlaying());
      setLink("");
      showNotice("");
    }
    if (sheetsTaken > 0) {
      showSheetFindings();
      swatches = null;
    }
    startRace();
  }

  // Keys go to the race, as to the program's window, unless they are typed
  // into the page's own controls.
  document.addEventListener("keyup", (event) => {
    const inControls = event.target instanceof Element &&
      event.target.closest("#editor, #picker, #files") !== null;
    if (program !== null && !inControls) {
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
  // Escape by touch: the race ends as it does at the key.
  stop.addEventListener("click", () => {
    if (program !== null) {
      program._gallopKeyUp(escapeKey);
    }
  });
  shippedSheetsButton.addEventListener("click", () => useShippedSheets());
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
  new ResizeObserver(() => fitCanvas()).observe(canvas.parentElement);
  createGallop({ showDataFileError: showMessage }).then(async (loaded) => {
    program = loaded;
    program.FS.mkdir("deta");
    program.FS.mkdir("image");
    await Promise.all(dataFiles.concat(sheetFiles).map(fetchInto));
    shipped = readPlaying();
    // Save as video makes its file from whatever is in place when it is used.
    GallopClip.attach({ paths: dataFiles.concat(sheetFiles), readFile, shipped });
    editor = GallopEditor.create({ play, setLink, shipped: () => T.copyData(shipped) });
    const at = takeLink();
    // The sheets are decoded one a task, the race starts in a task of its
    // own, and the editor fills after it.
    for (let index = 0; index < sheetFiles.length; ++index) {
      await nextTask();
      program._gallopDecodeSheetAhead(index);
    }
    await nextTask();
    startRace(at);
    fillEditorWhenWanted();
    keepOffline();
  });
  // Kept for use without the network by sw.js, after the race has started,
  // so as not to slow the first visit down. A newer build's worker waits
  // until no page of this one is open; the visitor may switch at once, and
  // the page then reloads as a whole from the new build.
  function keepOffline() {
    if (!("serviceWorker" in navigator)) {
      return;
    }
    const offerUpdate = (registration) => {
      if (registration.waiting !== null && navigator.serviceWorker.controller !== null) {
        document.getElementById("update").hidden = false;
      }
    };
    document.getElementById("update-now").addEventListener("click", () => {
      navigator.serviceWorker.getRegistration().then((registration) => {
        navigator.serviceWorker.addEventListener("controllerchange", () => location.reload());
        registration.waiting.postMessage("take over");
      });
    });
    navigator.serviceWorker.register("sw.js").then((registration) => {
      offerUpdate(registration);
      registration.addEventListener("updatefound", () => {
        const installing = registration.installing;
        installing.addEventListener("statechange", () => offerUpdate(registration));
      });
    }).catch(() => {
      // Not kept (a file: address, or a browser that refuses): the page
      // still plays while the network is there.
    });
  }

  window.addEventListener("hashchange", () => {
    if (program !== null && shipped !== null) {
      const at = takeLink();
      showInEditor(readPlaying());
      startRace(at);
    }
  });
})();
