// The race link's reader, start time included, under property tests: for any
// text at all it either reads a race that links back to that very text, or
// fails with a reason a visitor can read; every link the page makes reads
// back to the same race and time; and the calendar file holds that time.
//
//   node link_test.mjs PAGE_DIR
//
// PAGE_DIR holds tables.js (the page's sources or a web build's run folder)
// and deta/ with the shipped race.
import fs from "node:fs";
import path from "node:path";
import vm from "node:vm";
import fc from "fast-check";
import ICAL from "ical.js";

const pageDir = path.resolve(process.argv[2]);
const context = vm.createContext({ TextEncoder, TextDecoder, btoa, atob });
vm.runInContext(`${fs.readFileSync(path.join(pageDir, "tables.js"), "utf8")}
  globalThis.GallopTables = GallopTables;`, context);
const T = context.GallopTables;
const contextError = vm.runInContext("Error", context);
const shipped = T.readTables(fs.readFileSync(path.join(pageDir, "deta", "courseDeta.txt")),
  fs.readFileSync(path.join(pageDir, "deta", "rival.txt")));

let passes = 0;
let failures = 0;
function check(what, property, parameters = {}) {
  try {
    fc.assert(property, { numRuns: 2000, ...parameters });
    passes += 1;
    console.log(`ok: race link: ${what}`);
  } catch (error) {
    failures += 1;
    console.log(`FAIL: race link: ${what}\n  ${String(error.message).split("\n").slice(0, 8).join("\n  ")}`);
  }
}

// A reason a visitor can read: a plain sentence of the page's own, not an
// error of the script engine.
const readableReason = (error) => error instanceof contextError &&
  typeof error.message === "string" &&
  /^(it|its|runner \d+ of its field) [a-z]/.test(error.message) &&
  !/undefined|null|NaN|\[object/.test(error.message);

// The one rule for any text: read back to itself, or a reason.
function keepsTheRule(text) {
  let read;
  try {
    read = T.readLink(text, shipped);
  } catch (error) {
    return readableReason(error);
  }
  return T.linkOf(read.race, read.at) === text;
}

// Times a link may carry: the whole range a four-digit year allows.
const times = fc.integer({ min: -62167219200000, max: 253402300799999 })
  .filter((at) => /^\d{4}-/.test(new Date(at).toISOString()));
const names = fc.string({ unit: "grapheme", maxLength: 80 });
const whole = ([low, high]) => fc.integer({ min: low, max: high });
const runners = fc.array(fc.record({
  name: names,
  coat: whole(T.limits.coat),
  silks: whole(T.limits.silks),
  grade: whole(T.limits.grade),
  adjust: whole(T.limits.adjust),
}), { minLength: 1, maxLength: T.maxRunners });
const courses = fc.record({
  name: names,
  direction: whole(T.limits.direction),
  style: whole(T.limits.style),
  section: whole(T.limits.section),
  start: whole(T.limits.start),
});

function raceOf(course, field) {
  const data = T.copyData(shipped);
  for (const [what, value] of Object.entries(course)) {
    T.setCourseValue(data, what, value);
  }
  data.runners = field.map((entry, index) => {
    const runner = T.newRunner(index + 1);
    for (const [what, value] of Object.entries(entry)) {
      T.setRunnerValue(runner, what, value);
    }
    return runner;
  });
  return data;
}

const shippedLink = T.linkOf(shipped);
const sample = T.linkOf(shipped, Date.UTC(2026, 11, 24, 17));
// Texts near real links: a real link with a few characters changed, cut or
// added, and pieces of links put together.
const alphabet = "race=at&-_:.TZ0123456789ABCDEFabcdefxyzw+/=%#é\u0000";
const nearLinks = fc.tuple(fc.constantFrom(shippedLink, sample, "at=2026-12-24T17:00:00.000Z"),
  fc.array(fc.tuple(fc.nat(), fc.nat(), fc.constantFrom(...alphabet)), { maxLength: 4 }))
  .map(([link, edits]) => edits.reduce((text, [at, cut, character]) => {
    const p = at % (text.length + 1);
    return text.slice(0, p) + character + text.slice(p + (cut % 3 === 0 ? 1 : 0));
  }, link));

check("any text reads back to itself or fails with a readable reason",
  fc.property(fc.string({ unit: "binary", maxLength: 300 }), keepsTheRule));
check("texts shaped like links keep the same rule",
  fc.property(fc.oneof(nearLinks, fc.constantFrom("race=", "at=", "race=&at=", "&", "at=&race="),
    fc.tuple(fc.constantFrom("race=", "at=", "race=e30&at="), fc.string({ maxLength: 60 }))
      .map(([head, tail]) => head + tail)), keepsTheRule), { numRuns: 5000 });
check("every race and start time the page links reads back to the same race and time",
  fc.property(courses, runners, fc.option(times, { nil: null }), (course, field, at) => {
    const race = raceOf(course, field);
    const link = T.linkOf(race, at);
    const read = T.readLink(link, shipped);
    return read.at === at && T.linkOf(read.race) === T.linkOf(race) &&
      T.linkOf(read.race, read.at) === link;
  }));
check("the shipped race at a set time is linked by its time alone",
  fc.property(times, (at) => {
    const read = T.readLink(T.linkOf(null, at), shipped);
    return T.linkOf(null, at) === "at=" + new Date(at).toISOString() && read.race === null &&
      read.at === at;
  }));

// Start times that cannot be read fail on the time alone, so that the page
// can still play the race now.
const badTimes = ["at=2026-13-24T17:00:00.000Z", "at=2026-02-30T17:00:00.000Z",
  "at=2026-12-24T17:00:00Z", "at=2026-12-24T17:00:00.000+01:00", "at=tomorrow", "at=",
  "race=x&at=2026-12-24 17:00"];
for (const text of badTimes) {
  let part = null;
  try {
    T.readLink(text, shipped);
  } catch (error) {
    part = text.startsWith("race=x") ? (readableReason(error) ? "race" : null) : error.part;
  }
  const ok = part === (text.startsWith("race=x") ? "race" : "at");
  passes += ok ? 1 : 0;
  failures += ok ? 0 : 1;
  console.log(`${ok ? "ok" : "FAIL"}: race link: “${text}” fails on ${text.startsWith("race=x") ?
    "its race" : "its start time alone"}`);
}

check("the calendar file parses, with the start in UTC and the link",
  fc.property(times.filter((at) => at >= Date.UTC(1970, 0, 1)), names, (at, title) => {
    const url = `https://example.org/gallop/#${T.linkOf(shipped, at)}`;
    const text = T.calendarOf(url, at, title);
    const event = new ICAL.Component(ICAL.parse(text)).getFirstSubcomponent("vevent");
    const start = event.getFirstPropertyValue("dtstart");
    return text.split("\r\n").every((line) => Buffer.byteLength(line) <= 75) &&
      start.toJSDate().getTime() === Math.floor(at / 1000) * 1000 && start.zone === ICAL.Timezone.utcTimezone &&
      event.getFirstPropertyValue("url") === url && event.getFirstPropertyValue("summary") === title;
  }), { numRuns: 300 });

console.log(`race link: ${passes} passed, ${failures} failed`);
process.exitCode = failures === 0 ? 0 : 1;
