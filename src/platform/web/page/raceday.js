// Race day around the picture: the countdown to a race link's start time,
// the race card on which a visitor backs a runner before the gate opens, the
// marker that follows that runner over the picture, and what became of it at
// the end. Nothing here draws into the canvas: the marker and the countdown
// lie on a layer over it.
//
//   const raceDay = GallopRaceDay.create(host);
//   raceDay.clear()                 a race is starting: no card, no marker
//   raceDay.showCard(runners, swatches, link)
//                                   the card of the race of `link`, picks open;
//                                   the pick kept for that link is taken again
//   raceDay.closeCard()             the gate has opened: the pick stays as it is
//   raceDay.follow(tick)            a frame of `tick` has been drawn
//   raceDay.countdown(start, now)   the countdown to `start`, or none once it
//                                   has come (start null: none)
//   raceDay.finished(order, rows)   the finishing order and its table rows
//   raceDay.ranBefore(at, now)      the race set for `at` had ended before the
//                                   page opened it
//
// The host says where runner `index` (gate order) was drawn last:
// host.place(index) is { x, y }, the top left of its silks' cell in canvas
// pixels.
"use strict";

const GallopRaceDay = (function () {
  const byId = (id) => document.getElementById(id);
  const storagePrefix = "gallop-pick:";
  // Where the marker points: just above the rider's cap, over the middle of
  // the silks' 38-pixel cell, which the cap sits 14 pixels above.
  const silksMiddle = 19;
  const capRise = 14;

  const ordinal = (n) => {
    const tens = n % 100;
    const suffix = tens >= 11 && tens <= 13 ? "th" : ["th", "st", "nd", "rd"][n % 10] || "th";
    return n + suffix;
  };

  // "4:32" or "1:04:32" for a number of whole seconds.
  function duration(seconds) {
    const h = Math.floor(seconds / 3600);
    const m = Math.floor((seconds % 3600) / 60);
    const s = seconds % 60;
    const two = (n) => String(n).padStart(2, "0");
    return h > 0 ? `${h}:${two(m)}:${two(s)}` : `${m}:${two(s)}`;
  }

  // A start time in the visitor's own time: "17:00", or "17:00 on Thu 24
  // Dec" when it is not today.
  function localTime(at, now) {
    const start = new Date(at);
    const time = start.toLocaleTimeString([], start.getSeconds() === 0 ?
      { hour: "2-digit", minute: "2-digit" } :
      { hour: "2-digit", minute: "2-digit", second: "2-digit" });
    if (start.toDateString() === new Date(now).toDateString()) {
      return time;
    }
    return `${time} on ${start.toLocaleDateString([], { weekday: "short", day: "numeric", month: "short" })}`;
  }

  const nameOf = (runner) => runner.name || "no name";
  const runnerText = (runner) => `${runner.gate} ${nameOf(runner)}`;

  function readKept(key) {
    try {
      return localStorage.getItem(key);
    } catch (error) {
      return null; // storage refused: the pick lasts this visit
    }
  }

  function keep(key, value) {
    try {
      localStorage.setItem(key, value);
    } catch (error) {
      // Storage refused or full: the pick still holds for this visit.
    }
  }

  function create(host) {
    const canvas = byId("screen");
    const marker = byId("marker");
    const markerNumber = marker.querySelector(".number");
    const banner = byId("countdown");
    const card = byId("race-card");
    const cardRows = byId("race-card-runners");
    const cardNote = byId("race-card-note");
    const pickLine = byId("pick-line");
    let runners = [];
    let storageKey = "";
    let pick = null;
    let open = false;
    // The tick of the last frame drawn; null before the first.
    let shownTick = null;


    function sayPick() {
      const runner = runners.find((r) => r.gate === pick);
      if (runner === undefined) {
        pickLine.textContent = open ? "Back a runner on the card before the gate opens." : "";
      } else {
        pickLine.textContent = open ? `You back ${runnerText(runner)}. You may change it until the gate opens.` :
          `You back ${runnerText(runner)}.`;
      }
    }

    function choose(gate) {
      pick = gate;
      keep(storageKey, String(gate));
      sayPick();
      if (shownTick !== null) {
        follow(shownTick);
      }
    }

    function cardRow(runner, swatches) {
      const label = document.createElement("label");
      label.className = "card-runner";
      label.dataset.gate = String(runner.gate);
      const radio = document.createElement("input");
      radio.type = "radio";
      radio.name = "pick";
      radio.value = String(runner.gate);
      radio.checked = runner.gate === pick;
      radio.addEventListener("change", () => {
        if (radio.checked) {
          choose(runner.gate);
        }
      });
      const gate = document.createElement("span");
      gate.className = "card-gate";
      gate.textContent = String(runner.gate);
      const name = document.createElement("span");
      name.className = "card-name";
      name.textContent = nameOf(runner);
      const coat = GallopTables.coatName(runner.coat);
      const looks = document.createElement("span");
      looks.className = "card-looks";
      looks.append(GallopSwatches.image(swatches.bracket(runner.bracket), "", 0.5),
        GallopSwatches.image(swatches.coat(runner.coat), "", 0.4),
        GallopSwatches.image(swatches.silks(runner.silks), "", 1));
      const words = document.createElement("span");
      words.className = "card-words";
      words.textContent = `bracket ${runner.bracket}, ${coat}, silks ${runner.silks}`;
      label.append(radio, gate, looks, name, words);
      return label;
    }

    function follow(tick) {
      shownTick = tick;
      const runner = runners.find((r) => r.gate === pick);
      if (runner === undefined) {
        marker.hidden = true;
        return;
      }
      const place = host.place(runner.gate - 1);
      const scale = canvas.clientWidth / canvas.width;
      const x = place.x + silksMiddle;
      const y = Math.max(0, place.y - capRise);
      // Off the picture, the marker waits at the edge the runner went out by.
      const edge = x < 0 ? "left" : x >= canvas.width ? "right" : "";
      const shownX = Math.min(Math.max(x, 0), canvas.width);
      marker.dataset.edge = edge;
      marker.dataset.x = String(x);
      marker.dataset.y = String(y);
      marker.dataset.tick = String(tick);
      markerNumber.textContent = String(runner.gate);
      marker.style.transform = `translate(${canvas.offsetLeft + shownX * scale}px, ` +
        `${canvas.offsetTop + y * scale}px)`;
      marker.hidden = false;
    }

    return {
      clear() {
        open = false;
        runners = [];
        pick = null;
        shownTick = null;
        marker.hidden = true;
        card.hidden = true;
        cardRows.replaceChildren();
        pickLine.textContent = "";
        banner.hidden = true;
      },

      showCard(field, swatches, link) {
        runners = field;
        storageKey = storagePrefix + link;
        const kept = Number(readKept(storageKey));
        pick = runners.some((runner) => runner.gate === kept) ? kept : null;
        open = true;
        cardRows.replaceChildren(...runners.map((runner) => cardRow(runner, swatches)));
        card.disabled = false;
        cardNote.textContent = "Pick one before the gate opens; you may change it until then.";
        card.hidden = runners.length === 0;
        sayPick();
      },

      closeCard() {
        if (!open) {
          return;
        }
        open = false;
        card.disabled = true;
        cardNote.textContent = "The gate has opened: picks are closed.";
        sayPick();
      },

      follow,

      countdown(start, now) {
        if (start === null || now >= start) {
          banner.hidden = true;
          return;
        }
        const seconds = Math.ceil((start - now) / 1000);
        banner.textContent = `The gate opens in ${duration(seconds)}, at ${localTime(start, now)}`;
        banner.hidden = false;
      },

      finished(order, rows) {
        // The finishing order takes the card's place, in the box the card
        // scrolled in: from the top, or with the pick's row in the middle.
        card.hidden = true;
        const box = card.parentElement;
        const mine = order.findIndex((runner) => runner.gate === pick);
        if (mine < 0) {
          box.scrollTop = 0;
          pickLine.textContent = "";
          return;
        }
        const runner = order[mine];
        box.scrollTop = Math.max(0, rows[mine].offsetTop - box.clientHeight / 2);
        const tied = order.filter((other) => other.place === runner.place).length > 1;
        rows[mine].classList.add("picked");
        rows[mine].setAttribute("aria-current", "true");
        pickLine.textContent = `Your pick, ${runnerText(runner)}, came ` +
          `${tied ? "joint " : ""}${ordinal(runner.place)} of ${order.length}.`;
      },

      ranBefore(at, now) {
        banner.textContent = `This race ran at ${localTime(at, now)}: the result is below.`;
        banner.hidden = false;
      },
    };
  }

  return { create };
})();
