// The race maker beside the race: an editor for the field and the course
// that opens on the data now playing, advice on the speeds while editing,
// and the buttons that run the edited race, download its two files, share it
// as a link and go back to the shipped race.
//
//   const editor = GallopEditor.create(host);
//   editor.show(data, gradually)  fills the editor with a race
//                           (GallopTables.readTables); its rows at once, or
//                           gradually, in short tasks
//   editor.useSwatches(s)   the swatches of the loaded sheets (GallopSwatches),
//                           put into the rows a row a task; the editor section
//                           is aria-busy until the rows and swatches are in
//
// The host plays a race (host.play(data)), gives the shipped race
// (host.shipped()) and says what the race link now is (host.setLink(link)).
"use strict";

const GallopEditor = (function () {
  const T = GallopTables;
  const byId = (id) => document.getElementById(id);

  function element(tag, attributes = {}, children = []) {
    const node = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes)) {
      if (name === "text") {
        node.textContent = value;
      } else if (name === "className") {
        node.className = value;
      } else {
        node.setAttribute(name, value);
      }
    }
    for (const child of children) {
      node.append(child);
    }
    return node;
  }

  // How far ahead the start time field suggests a race day.
  const suggestedLeadMs = 5 * 60000;

  const coatName = T.coatName;
  const runnerName = (runner) => T.runnerValue(runner, "name") || "no name";

  function create(host) {
    let data = null;
    let swatches = null;
    // Where the swatch picker was opened from: the row and what it picks.
    let picking = null;

    const status = byId("editor-status");
    const tbody = byId("field").tBodies[0];
    const addButton = byId("add-runner");
    const adviceList = byId("advice-list");
    const shareBox = byId("share-box");
    const shareLink = byId("share-link");
    const startAt = byId("start-at");
    const picker = byId("picker");
    const pickerChoices = byId("picker-choices");

    const courseInputs = {
      name: byId("course-name"),
      direction: byId("course-direction"),
      style: byId("course-style"),
      section: byId("course-section"),
      start: byId("course-start"),
    };

    function say(text) {
      status.textContent = text;
    }

    // A whole number within the limits of `what`, or null.
    function wholeNumber(text, what) {
      if (!/^\s*-?\d+\s*$/.test(text)) {
        return null;
      }
      const value = Number(text);
      const [low, high] = T.limits[what];
      return value >= low && value <= high ? value : null;
    }

    // Marks a number field that cannot be used, with the reason beside it.
    function markInvalid(input, what, valid) {
      const note = byId(input.getAttribute("aria-errormessage"));
      input.setAttribute("aria-invalid", valid ? "false" : "true");
      if (note !== null) {
        const [low, high] = T.limits[what];
        note.textContent = valid ? "" : `a whole number from ${low} to ${high}`;
        note.hidden = valid;
      }
    }

    // ---- The course -------------------------------------------------------

    function explainCourse() {
      const view = T.courseView(data);
      const style = T.courseValue(data, "style");
      const arrow = view.rightward ? "left to right →" : "← right to left";
      byId("explain-direction").textContent =
        `The field runs ${arrow} across the screen (with this section).`;
      const options = courseInputs.direction.options;
      options[0].textContent = `0 — ${view.oddSide ? "right to left" : "left to right"}`;
      options[1].textContent = `1 — ${view.oddSide ? "left to right" : "right to left"}`;
      let scenery;
      if (view.oddSide) {
        scenery = "no grandstand on this section; the far course lies beyond the rails";
      } else if (style === 1) {
        scenery = "the grandstand stands behind the course";
      } else {
        scenery = "no grandstand: the far course and its rail lie behind";
      }
      byId("explain-style").textContent = `${style === 1 ? "Dirt" : "Turf"}; ${scenery}.`;
      byId("explain-section").textContent = view.oddSide ?
        "Odd: both rails lie near the top of the picture; no front rail." :
        "Even: the inside rail is at the bottom, and a front rail runs across the runners.";
      explainStart();
    }

    function explainStart() {
      const start = T.courseValue(data, "start");
      const best = T.advise(data.runners).best;
      byId("explain-start").textContent = `Every runner starts ${start} units out and counts ` +
        `down; the leader covers about ${T.coverage(best)} of them.`;
    }

    function showCourse() {
      courseInputs.name.value = T.courseValue(data, "name");
      for (const what of ["direction", "style", "section", "start"]) {
        courseInputs[what].value = String(T.courseValue(data, what));
        if (what === "section" || what === "start") {
          markInvalid(courseInputs[what], what, wholeNumber(courseInputs[what].value, what) !== null);
        }
      }
      explainCourse();
    }

    courseInputs.name.addEventListener("input", () => {
      const clean = T.cleanName(courseInputs.name.value);
      if (clean !== courseInputs.name.value) {
        courseInputs.name.value = clean;
      }
      T.setCourseValue(data, "name", clean);
    });
    for (const what of ["direction", "style", "section", "start"]) {
      const input = courseInputs[what];
      input.addEventListener(input.tagName === "SELECT" ? "change" : "input", () => {
        const value = wholeNumber(input.value, what);
        if (input.tagName !== "SELECT") {
          markInvalid(input, what, value !== null);
        }
        if (value !== null) {
          T.setCourseValue(data, what, value);
        }
        explainCourse();
        showAdvice();
      });
    }

    // ---- The field --------------------------------------------------------

    function swatchPicture(kind, value) {
      const swatch = swatches === null ? null : swatches[kind](value);
      return GallopSwatches.image(swatch, kind === "coat" ? coatName(value) : "silks " + value,
        kind === "coat" ? 0.5 : 1.5);
    }

    // The button of a row that opens the picker for its coat or silks. Its
    // swatch comes later (showSwatches) unless `withSwatch`: cutting the
    // swatches of a whole field at once would hold the page up.
    function pickButton(kind, index, runner, withSwatch) {
      const value = T.runnerValue(runner, kind);
      const text = kind === "coat" ? coatName(value) : "No. " + value;
      const what = kind === "coat" ? "Coat" : "Silks";
      const picture = withSwatch ? swatchPicture(kind, value) :
        element("span", { className: "swatch pending " + kind, "aria-hidden": "true" });
      return element("button", {
        type: "button",
        className: "pick " + kind,
        "aria-haspopup": "dialog",
        "aria-label": `${what} of gate ${index + 1}: ${text}. Change`,
        "data-kind": kind,
      }, [picture, element("span", { text })]);
    }

    // Does `work` on each of `items` in turn, in tasks of a few milliseconds
    // each, for as long as `wanted` says so, and then `done`.
    const shortTaskMs = 4;
    function inShortTasks(items, wanted, work, done) {
      const next = (first) => {
        const begun = performance.now();
        for (let index = first; wanted(); ++index) {
          if (index === items.length) {
            done();
            return;
          }
          if (performance.now() - begun > shortTaskMs) {
            setTimeout(() => next(index), 0);
            return;
          }
          work(items[index]);
        }
      };
      next(0);
    }

    // Puts the swatches into the rows, in short tasks of a few milliseconds,
    // so that the race goes on drawing in between (swatches cut before come
    // at once); the editor is busy until the last is in. A new field or new
    // swatches start over. Without swatches (no race could start on the
    // files) every slot shows its missing mark, and the editor is not left busy.
    let swatchRound = 0;
    function showSwatches() {
      const round = ++swatchRound;
      const section = byId("editor");
      section.setAttribute("aria-busy", "true");
      const pictures = [];
      Array.from(tbody.rows).forEach((tr, index) => {
        for (const kind of ["coat", "silks"]) {
          pictures.push({ tr, kind, value: T.runnerValue(data.runners[index], kind) });
        }
      });
      inShortTasks(pictures, () => round === swatchRound,
        ({ tr, kind, value }) => tr.querySelector("button.pick." + kind).firstElementChild
          .replaceWith(swatchPicture(kind, value)),
        () => section.removeAttribute("aria-busy"));
    }

    function numberInput(what, index, runner, label) {
      const id = `${what}-${index}`;
      const input = element("input", {
        type: "number",
        id,
        className: what,
        inputmode: "numeric",
        step: "1",
        min: String(T.limits[what][0]),
        max: String(T.limits[what][1]),
        "aria-label": `${label} of gate ${index + 1}`,
        "aria-errormessage": id + "-error",
        "aria-describedby": `speed-${index}`,
      });
      input.value = String(T.runnerValue(runner, what));
      const note = element("span", { id: id + "-error", className: "invalid-note", hidden: "" });
      return [input, note];
    }

    function row(runner, index) {
      const count = data.runners.length;
      const name = element("input", {
        type: "text",
        className: "name",
        maxlength: String(T.maxNameLength),
        autocomplete: "off",
        spellcheck: "false",
        "aria-label": `Name of gate ${index + 1}`,
      });
      name.value = T.runnerValue(runner, "name");
      const actions = [
        element("button", { type: "button", className: "up", "aria-label": `Move gate ${index + 1} up`,
          text: "↑" }),
        element("button", { type: "button", className: "down",
          "aria-label": `Move gate ${index + 1} down`, text: "↓" }),
        element("button", { type: "button", className: "remove",
          "aria-label": `Remove gate ${index + 1}`, text: "✕" }),
      ];
      actions[0].disabled = index === 0;
      actions[1].disabled = index === count - 1;
      actions[2].disabled = count === 1;
      const tr = element("tr", { "data-index": String(index) }, [
        element("th", { scope: "row", className: "gate", text: String(index + 1) }),
        element("td", {}, [name]),
        element("td", {}, [pickButton("coat", index, runner, false)]),
        element("td", {}, [pickButton("silks", index, runner, false)]),
        element("td", {}, numberInput("grade", index, runner, "Speed grade")),
        element("td", {}, numberInput("adjust", index, runner, "Speed adjustment")),
        element("td", { className: "speed", id: `speed-${index}` }, [
          element("output", { className: "base" }),
          element("span", { className: "covers" }),
          element("span", { className: "warnings" }),
        ]),
        element("td", { className: "row-actions" }, actions),
      ]);
      for (const what of ["grade", "adjust"]) {
        const input = tr.querySelector("input." + what);
        markInvalid(input, what, wholeNumber(input.value, what) !== null);
      }
      return tr;
    }

    // The field's rows at once, or `gradually`, in short tasks, while the
    // race goes on drawing; the editor is busy until they are all in.
    let fieldRound = 0;
    let fieldComing = false;
    function showField(gradually = false) {
      const round = ++fieldRound;
      fieldComing = gradually;
      if (!gradually) {
        tbody.replaceChildren(...data.runners.map(row));
        showFieldAround();
        return;
      }
      byId("editor").setAttribute("aria-busy", "true");
      tbody.replaceChildren();
      inShortTasks(data.runners.map((runner, index) => [runner, index]), () => round === fieldRound,
        ([runner, index]) => tbody.append(row(runner, index)), showFieldAround);
    }

    function showFieldAround() {
      fieldComing = false;
      addButton.disabled = data.runners.length >= T.maxRunners;
      byId("left-out").hidden = data.leftOut === 0;
      byId("left-out").textContent = data.leftOut === 0 ? "" :
        `The rival table held ${data.leftOut} more record${data.leftOut === 1 ? "" : "s"} after ` +
        `the first ${T.maxRunners}; they never run, and Run and Download leave them out.`;
      showAdvice();
      showSwatches();
    }

    // Focuses the control of class `className` in row `index` (the last row
    // when there are fewer); its name when that control is disabled, and the
    // add button when no row is left.
    function focusRow(index, className) {
      const tr = tbody.rows[Math.min(index, tbody.rows.length - 1)];
      if (tr === undefined) {
        addButton.focus();
        return;
      }
      const control = tr.querySelector("." + className);
      (control.disabled ? tr.querySelector("input.name") : control).focus();
    }

    tbody.addEventListener("input", (event) => {
      const tr = event.target.closest("tr");
      const runner = data.runners[Number(tr.dataset.index)];
      const input = event.target;
      if (input.classList.contains("name")) {
        const clean = T.cleanName(input.value);
        if (clean !== input.value) {
          input.value = clean;
        }
        T.setRunnerValue(runner, "name", clean);
        return;
      }
      const what = input.classList.contains("grade") ? "grade" : "adjust";
      const value = wholeNumber(input.value, what);
      markInvalid(input, what, value !== null);
      if (value !== null) {
        T.setRunnerValue(runner, what, value);
        showAdvice();
      }
    });

    tbody.addEventListener("click", (event) => {
      const button = event.target.closest("button");
      if (button === null || button.disabled) {
        return;
      }
      const index = Number(button.closest("tr").dataset.index);
      const runners = data.runners;
      if (button.classList.contains("pick")) {
        openPicker(index, button.dataset.kind, button);
        return;
      }
      const name = runnerName(runners[index]);
      if (button.classList.contains("remove")) {
        runners.splice(index, 1);
        showField();
        focusRow(index, "remove");
        say(`${name} removed; ${runners.length} runner${runners.length === 1 ? "" : "s"} left.`);
        return;
      }
      const to = button.classList.contains("up") ? index - 1 : index + 1;
      [runners[index], runners[to]] = [runners[to], runners[index]];
      showField();
      focusRow(to, button.classList.contains("up") ? "up" : "down");
      say(`${name} moved to gate ${to + 1}.`);
    });

    addButton.addEventListener("click", () => {
      if (data.runners.length >= T.maxRunners) {
        return;
      }
      data.runners.push(T.newRunner(data.runners.length + 1));
      showField();
      focusRow(data.runners.length - 1, "name");
      say(`Runner added in gate ${data.runners.length}.`);
    });

    // ---- Advice -----------------------------------------------------------

    function showAdvice() {
      const advice = T.advise(data.runners);
      const items = [];
      const bestNames = [];
      const worstNames = [];
      Array.from(tbody.rows).forEach((tr, index) => {
        const speed = advice.speeds[index];
        const runner = data.runners[index];
        tr.querySelector("output.base").textContent = String(speed);
        tr.querySelector(".covers").textContent = `covers about ${T.coverage(speed)}`;
        const warnings = [];
        if (speed <= 0) {
          warnings.push("base speed 0 or less: stays in the gate");
        } else if (speed >= T.runsPastEnd) {
          warnings.push(`${T.runsPastEnd} or more: still running when the race ends`);
        } else if (speed > T.tiresAtOnce) {
          warnings.push(`above ${T.tiresAtOnce}: tires from the first stride`);
        }
        if (speed === advice.best) {
          bestNames.push(runnerName(runner));
          if (advice.cameraStill) {
            warnings.push(`best is ${speed}, not above ${T.cameraThreshold}: the camera never locks`);
          }
          if (advice.dropsOff) {
            warnings.push(`best: ${advice.best - advice.worst} faster than the worst`);
          }
        }
        if (speed === advice.worst) {
          worstNames.push(runnerName(runner));
          if (advice.dropsOff) {
            warnings.push(`worst: ${advice.best - advice.worst} slower than the best, drops off the screen`);
          }
        }
        tr.querySelector(".warnings").replaceChildren(
          ...warnings.map((text) => element("span", { className: "row-warning", text: "⚠ " + text })));
        tr.classList.toggle("warned", warnings.length > 0);
      });
      if (data.runners.length > 0) {
        if (advice.cameraStill) {
          items.push(["warning", `The camera locks onto the leader only once it is 400 units out, ` +
            `so the best base speed must be above ${T.cameraThreshold}. Here it is ${advice.best} ` +
            `(${bestNames.join(", ")}): the leader covers only about ${T.coverage(advice.best)} ` +
            "units and " +
            "the camera never moves."]);
        }
        if (advice.dropsOff) {
          items.push(["warning", `The best base speed (${advice.best}) and the worst ` +
            `(${advice.worst}) are ${advice.best - advice.worst} apart, ${T.spreadLimit} or more: ` +
            `${worstNames.join(", ")} ends about ` +
            `${T.coverage(advice.best) - T.coverage(advice.worst)} units behind ` +
            "the leader and drops off the screen."]);
        }
        items.push(["note", `Every horse covers about 5 × its base speed before it stops: ` +
          `the best about ${T.coverage(advice.best)} units, the worst about ` +
          `${T.coverage(advice.worst)}.`]);
      }
      adviceList.replaceChildren(...items.map(([kind, text]) =>
        element("li", { className: kind }, [(kind === "warning" ? "⚠ " : "") + text])));
      explainStart();
    }

    // ---- The swatch picker ------------------------------------------------

    function choice(kind, value, checked) {
      const text = kind === "coat" ? `${value} ${coatName(value)}` : String(value);
      const input = element("input", { type: "radio", name: "pick", value: String(value),
        "aria-label": kind === "coat" ? `${coatName(value)} (${value})` : `Silks ${value}` });
      input.checked = checked;
      return element("label", { className: "choice " + kind }, [input,
        element("span", { className: "look" }, [swatchPicture(kind, value),
          element("span", { className: "choice-text", text })])]);
    }

    function openPicker(index, kind, opener) {
      const runner = data.runners[index];
      const current = T.runnerValue(runner, kind);
      const count = swatches === null ? 0 : kind === "coat" ? swatches.coatCount :
        swatches.silksCount;
      picking = { index, kind, opener };
      byId("picker-title").textContent =
        `${kind === "coat" ? "Coat" : "Silks"} for gate ${index + 1}, ${runnerName(runner)}`;
      const values = Array.from({ length: count }, (_, value) => value);
      if (!values.includes(current)) {
        values.unshift(current);
      }
      pickerChoices.className = "choices " + kind;
      pickerChoices.replaceChildren(...values.map((value) => choice(kind, value, value === current)));
      picker.returnValue = "";
      picker.showModal();
      pickerChoices.querySelector("input:checked").focus();
    }

    function choose() {
      const picked = pickerChoices.querySelector("input:checked");
      if (picking === null || picked === null) {
        return;
      }
      const { index, kind } = picking;
      T.setRunnerValue(data.runners[index], kind, Number(picked.value));
      const tr = tbody.rows[index];
      const button = pickButton(kind, index, data.runners[index], true);
      tr.querySelector("button.pick." + kind).replaceWith(button);
      picking.opener = button;
      say(`Gate ${index + 1}: ${kind === "coat" ? coatName(Number(picked.value)) :
        "silks " + picked.value}.`);
    }

    // A click on a swatch picks it at once; arrow keys only move the choice,
    // and Enter or the Choose button picks it.
    pickerChoices.addEventListener("click", (event) => {
      if (event.target.matches("input") && event.detail > 0) {
        picker.close("choose");
      }
    });
    pickerChoices.addEventListener("keydown", (event) => {
      if (event.key === "Enter") {
        event.preventDefault();
        picker.close("choose");
      }
    });
    byId("picker-cancel").addEventListener("click", () => picker.close("cancel"));
    byId("picker-choose").addEventListener("click", () => picker.close("choose"));
    picker.addEventListener("close", () => {
      if (picker.returnValue === "choose") {
        choose();
      }
      if (picking !== null) {
        picking.opener.focus();
        picking = null;
      }
      pickerChoices.replaceChildren();
    });

    // ---- Run, Download, Share, shipped ------------------------------------

    // The first field that cannot be used, after saying why; null when all can.
    function firstInvalid() {
      const invalid = document.querySelector('#editor [aria-invalid="true"]');
      if (invalid !== null) {
        say("Some values cannot be used yet: correct the fields marked in red first.");
        invalid.focus();
      }
      return invalid;
    }

    byId("run").addEventListener("click", () => {
      if (firstInvalid() === null) {
        say("Your race is running.");
        host.play(T.copyData(data));
      }
    });

    function save(name, bytes, type = "text/plain") {
      const url = URL.createObjectURL(new Blob([bytes], { type }));
      const link = element("a", { href: url, download: name });
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(url), 60000);
    }

    byId("download").addEventListener("click", () => {
      if (firstInvalid() !== null) {
        return;
      }
      const files = T.writeTables(data);
      save("courseDeta.txt", files.course);
      save("rival.txt", files.rivals);
      say("courseDeta.txt and rival.txt saved: put them in the deta folder beside the program.");
    });

    // The link of the race being edited, with a start time or without: the
    // shipped race as it stands is linked by its start time alone.
    function linkOfRace(at = null) {
      const race = T.linkOf(data) === T.linkOf(host.shipped()) && at !== null ? null : data;
      return T.linkOf(race, at);
    }

    async function copyLink(said) {
      let copied = false;
      try {
        await navigator.clipboard.writeText(shareLink.value);
        copied = true;
      } catch (error) {
        // No clipboard here: the link stays selected for the visitor to copy.
      }
      say(copied ? `Link copied: ${said}` : `Copy the link below: ${said}`);
    }

    function showLink(link) {
      host.setLink(link);
      shareLink.value = location.href;
      shareBox.hidden = false;
      shareLink.focus();
      shareLink.select();
    }

    // A start time a few minutes ahead, on the minute, as the time field
    // takes it: the visitor's own time.
    function suggestedStart() {
      const at = new Date(Math.ceil((Date.now() + suggestedLeadMs) / 60000) * 60000);
      const two = (n) => String(n).padStart(2, "0");
      return `${at.getFullYear()}-${two(at.getMonth() + 1)}-${two(at.getDate())}T` +
        `${two(at.getHours())}:${two(at.getMinutes())}:00`;
    }

    // The start time in the field, in milliseconds since 1970 UTC; null
    // after saying why when there is none.
    function chosenStart() {
      const at = startAt.value === "" ? NaN : new Date(startAt.value).getTime();
      if (!Number.isFinite(at)) {
        say("Choose a start time first.");
        startAt.focus();
        return null;
      }
      return at;
    }

    byId("share").addEventListener("click", () => {
      if (firstInvalid() !== null) {
        return;
      }
      showLink(T.linkOf(data));
      if (startAt.value === "") {
        startAt.value = suggestedStart();
      }
      copyLink("it opens this page with the race in the editor.");
    });

    byId("copy-link").addEventListener("click", async () => {
      shareLink.select();
      try {
        await navigator.clipboard.writeText(shareLink.value);
        say("Link copied.");
      } catch (error) {
        say("The browser would not copy it: the link is selected, copy it by hand.");
      }
    });

    byId("schedule").addEventListener("click", () => {
      const at = firstInvalid() === null ? chosenStart() : null;
      if (at !== null) {
        showLink(linkOfRace(at));
        copyLink(`everyone who opens it sees the gate open at ${new Date(at).toLocaleString()}.`);
      }
    });

    byId("calendar").addEventListener("click", () => {
      const at = firstInvalid() === null ? chosenStart() : null;
      if (at === null) {
        return;
      }
      showLink(linkOfRace(at));
      const title = (T.courseValue(data, "name") || "GALLOP") + ": the race";
      const name = "gallop-race-" + new Date(at).toISOString().slice(0, 16).replace(/[-:]/g, "") +
        ".ics";
      save(name, T.calendarOf(location.href, at, title), "text/calendar");
      say(`${name} saved: it puts the race in a calendar, with its link.`);
    });

    byId("shipped").addEventListener("click", () => {
      show(host.shipped());
      host.setLink("");
      say("Back to the shipped race, which is running.");
      host.play(T.copyData(data));
    });

    // ---- Entry points -----------------------------------------------------

    function show(race, gradually = false) {
      data = T.copyData(race);
      shareBox.hidden = true;
      showCourse();
      showField(gradually);
    }

    return {
      show,
      useSwatches(found) {
        swatches = found;
        if (data !== null && !fieldComing) {
          showSwatches();
        }
      },
    };
  }

  return { create };
})();
