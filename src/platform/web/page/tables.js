// The two data tables as the program reads them, and as the page writes them
// again: the course table, of which the race reads record 5, and the rival
// table, whose first eighteen records run in gate order. Also the advice on
// a field's speeds and the race link, the field and the course in the part
// of the page's address after '#'.
//
// A table is read byte for byte the way the program reads it: a record ends
// at ';' and the two bytes after it (CR LF) are skipped unseen, a column
// ends at ',', a zero byte ends the text, and numbers are read as C's atoi
// reads them. Columns are kept as the bytes they were, so that everything
// the race does not read is written back unchanged.
"use strict";

const GallopTables = (function () {
  const semicolon = 0x3b;
  const comma = 0x2c;
  const courseRecord = 5;
  const maxRunners = 18;
  // Rival columns the race reads, and the course columns it reads.
  const rivalColumns = { name: 0, coat: 4, silks: 5, grade: 7, adjust: 11 };
  const rivalColumnCount = 12;
  const courseColumns = { name: 0, direction: 2, style: 3, section: 4, start: 5 };
  const courseColumnCount = 10;
  // Record 5 when a course table has none.
  const defaultCourse = "Your course,6,0,1,6,1000,1200,400,30,18,";
  const coatNames = ["bay", "chestnut", "dark bay", "black", "grey", "palomino"];
  // A coat as the page names it: its name, or its column of the horse sheet.
  const coatName = (coat) => coatNames[coat] || "coat " + coat;

  // What a value may be in the editor and in a link. The race copes with any
  // number, but these keep every sum well inside 32 bits. Coats and silks are
  // picked from the sheets, or kept as the files give them.
  const limits = {
    coat: [-2147483648, 2147483647],
    silks: [-2147483648, 2147483647],
    grade: [0, 99],
    adjust: [-999, 999],
    direction: [0, 1],
    style: [0, 1],
    section: [-999, 999],
    start: [0, 999999],
  };
  const maxNameLength = 60;
  const maxColumnLength = 200;

  const encoder = new TextEncoder();
  const decoder = new TextDecoder("utf-8");

  const bytesOf = (text) => encoder.encode(text);
  const textOf = (bytes) => decoder.decode(bytes);

  // The records of a table's bytes, each a view of its own bytes.
  function splitRecords(bytes) {
    let end = bytes.indexOf(0);
    if (end < 0) {
      end = bytes.length;
    }
    const records = [];
    let start = 0;
    for (let p = 0; p < end; ) {
      if (bytes[p] === semicolon) {
        records.push(bytes.slice(start, p));
        p += 3;
        start = p;
      } else {
        p += 1;
      }
    }
    return records;
  }

  // The columns of a record: each that a ',' ends; what follows the last ','
  // is no column.
  function splitColumns(record) {
    const columns = [];
    let start = 0;
    for (let q = 0; q < record.length; ++q) {
      if (record[q] === comma) {
        columns.push(record.slice(start, q));
        start = q + 1;
      }
    }
    return columns;
  }

  // A column read as atoi reads it: leading blanks, one optional sign, digits
  // up to the first non-digit, 32-bit wrap-around; 0 without digits or when
  // the column is missing.
  function toNumber(column) {
    if (column === undefined) {
      return 0;
    }
    let i = 0;
    while (i < column.length && (column[i] === 0x20 || (column[i] >= 0x09 && column[i] <= 0x0d))) {
      i += 1;
    }
    let negative = false;
    if (column[i] === 0x2b || column[i] === 0x2d) {
      negative = column[i] === 0x2d;
      i += 1;
    }
    let value = 0;
    for (; i < column.length && column[i] >= 0x30 && column[i] <= 0x39; ++i) {
      value = (value * 10 + (column[i] - 0x30)) | 0;
    }
    return negative ? -value | 0 : value;
  }

  const toFlag = (column) => (toNumber(column) !== 0 ? 1 : 0);

  // A name as a column may hold it: no ',' or ';' (they would end the column
  // or the record), no control characters, and not too long.
  const notInColumns = /[,;\u0000-\u001f\u007f]/g;
  function cleanName(text) {
    return Array.from(text.replace(notInColumns, "")).slice(0, maxNameLength).join("");
  }

  // A runner of the editor: its columns as bytes, at least the twelve of a
  // rival record; the race reads 4, 5, 7 and 11, the page also shows 0.
  function runnerFrom(columns) {
    const padded = columns.slice();
    while (padded.length < rivalColumnCount) {
      padded.push(new Uint8Array(0));
    }
    return { columns: padded };
  }

  function runnerValue(runner, what) {
    const column = runner.columns[rivalColumns[what]];
    return what === "name" ? textOf(column) : toNumber(column);
  }

  function setRunnerValue(runner, what, value) {
    runner.columns[rivalColumns[what]] = bytesOf(what === "name" ? cleanName(value) : String(value));
  }

  const baseSpeedOf = (grade, adjust) => (Math.imul(24, grade) + adjust) | 0;
  const runnerBaseSpeed = (runner) =>
    baseSpeedOf(runnerValue(runner, "grade"), runnerValue(runner, "adjust"));

  function newRunner(number) {
    const runner = runnerFrom([]);
    setRunnerValue(runner, "name", "Runner " + number);
    setRunnerValue(runner, "coat", (number - 1) % coatNames.length);
    setRunnerValue(runner, "silks", number - 1);
    setRunnerValue(runner, "grade", 5);
    setRunnerValue(runner, "adjust", 0);
    return runner;
  }

  // The race's data as the editor holds it: every course record (record 5
  // split into columns, the others kept whole) and the runners.
  function readTables(courseBytes, rivalBytes) {
    const records = courseBytes ? splitRecords(courseBytes) : [];
    while (records.length <= courseRecord) {
      records.push(bytesOf(records.length === courseRecord ? defaultCourse : "(no course),"));
    }
    const course = splitColumns(records[courseRecord]);
    while (course.length < courseColumnCount) {
      course.push(new Uint8Array(0));
    }
    const rivals = rivalBytes ? splitRecords(rivalBytes) : [];
    return {
      records,
      course,
      runners: rivals.slice(0, maxRunners).map((record) => runnerFrom(splitColumns(record))),
      leftOut: Math.max(0, rivals.length - maxRunners),
    };
  }

  function courseValue(data, what) {
    const column = data.course[courseColumns[what]];
    if (what === "name") {
      return textOf(column);
    }
    return what === "direction" || what === "style" ? toFlag(column) : toNumber(column);
  }

  function setCourseValue(data, what, value) {
    data.course[courseColumns[what]] = bytesOf(what === "name" ? cleanName(value) : String(value));
  }

  function concat(parts) {
    const out = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
    let at = 0;
    for (const part of parts) {
      out.set(part, at);
      at += part.length;
    }
    return out;
  }

  const commaBytes = bytesOf(",");
  const recordEnd = bytesOf(";\r\n");

  // A record's bytes: every column ended by ','.
  const recordOf = (columns) => concat(columns.flatMap((column) => [column, commaBytes]));

  // The two files as the program reads them: CR LF line ends, every column
  // ended by ',' and every record by ';'. The course records the race does
  // not read are written as they were.
  function writeTables(data) {
    const courseParts = data.records.map((record, index) =>
      index === courseRecord ? recordOf(data.course) : record);
    return {
      course: concat(courseParts.flatMap((record) => [record, recordEnd])),
      rivals: concat(data.runners.flatMap((runner) => [recordOf(runner.columns), recordEnd])),
    };
  }

  function copyData(data) {
    return {
      records: data.records.slice(),
      course: data.course.slice(),
      runners: data.runners.map((runner) => ({ columns: runner.columns.slice() })),
      leftOut: data.leftOut,
    };
  }

  // The view side and the screen direction, as the view works them out.
  function courseView(data) {
    const oddSide = courseValue(data, "section") % 2 !== 0;
    const direction = courseValue(data, "direction");
    return { oddSide, rightward: oddSide ? direction === 1 : direction === 0 };
  }

  // The advice on a field's speeds: the best and worst base speed, whether the
  // camera will lock onto the leader, and whether the spread lets runners drop
  // off the screen. A horse covers about 5 × its base speed before it stops;
  // the camera locks once the leader is 400 units out, and a runner 640 units
  // (5 × 128) behind the leader is wholly off the screen.
  // Above a base speed of 500 a horse tires from its first stride and slows
  // by 1 a step from its base speed, so it covers about base² / 100; from 600
  // on it is still running when the race ends.
  const tiresAtOnce = 500;
  const runsPastEnd = 600;
  const coverage = (speed) =>
    speed <= 0 ? 0 : speed <= tiresAtOnce ? 5 * speed : Math.round((speed * speed) / 100);
  const cameraThreshold = 80;
  const spreadLimit = 128;
  function advise(runners) {
    const speeds = runners.map(runnerBaseSpeed);
    if (speeds.length === 0) {
      return { speeds, best: 0, worst: 0, cameraStill: false, dropsOff: false };
    }
    const best = Math.max(...speeds);
    const worst = Math.min(...speeds);
    return {
      speeds,
      best,
      worst,
      cameraStill: best <= cameraThreshold,
      dropsOff: best - worst >= spreadLimit,
    };
  }

  // ---- The race link ------------------------------------------------------

  const linkPrefix = "race=";
  const linkVersion = 1;

  function toBase64Url(bytes) {
    let binary = "";
    for (const byte of bytes) {
      binary += String.fromCharCode(byte);
    }
    return btoa(binary).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "");
  }

  function fromBase64Url(text) {
    if (!/^[A-Za-z0-9_-]*$/.test(text)) {
      throw new Error("it holds characters that a race link never has");
    }
    let binary;
    try {
      binary = atob(text.replace(/-/g, "+").replace(/_/g, "/"));
    } catch (error) {
      throw new Error("it is cut short");
    }
    return Uint8Array.from(binary, (c) => c.charCodeAt(0));
  }

  // At most `count` characters of `text`, counted in code points, so that no
  // character is cut in half.
  const firstCodePoints = (text, count) => Array.from(text).slice(0, count).join("");
  const codePointCount = (text) => Array.from(text).length;

  // The field and the course as a link's race: course record 5's columns,
  // and each runner's name, coat, silks, speed grade and speed adjustment,
  // as JSON in base64url.
  function raceLinkOf(data) {
    const course = data.course.slice(0, courseColumnCount).map((column) =>
      firstCodePoints(textOf(column).replace(notInColumns, ""), maxColumnLength));
    for (const what of ["direction", "style", "section", "start"]) {
      course[courseColumns[what]] = String(courseValue(data, what));
    }
    const race = {
      v: linkVersion,
      course,
      field: data.runners.map((runner) => ["name", "coat", "silks", "grade", "adjust"].map(
        (what) => (what === "name" ? cleanName(runnerValue(runner, what)) : runnerValue(runner, what)))),
    };
    return linkPrefix + toBase64Url(bytesOf(JSON.stringify(race)));
  }

  // A start time as a link holds it: UTC to the millisecond, as
  // 2026-12-24T17:00:00.000Z.
  const startTimePrefix = "at=";
  const startTimeText = (at) => new Date(at).toISOString();

  // The link of a race and its start time, the part of the address after
  // '#': "race=…" for a race, "at=…" for the shipped race at a set time,
  // "race=…&at=…" for both. `data` null is the shipped race; `at` null, no
  // set time. Every link this makes, readLink reads back to the same race
  // and time.
  function linkOf(data, at = null) {
    const parts = [];
    if (data !== null) {
      parts.push(raceLinkOf(data));
    }
    if (at !== null) {
      parts.push(startTimePrefix + startTimeText(at));
    }
    return parts.join("&");
  }

  const isWhole = (value, [low, high]) => Number.isInteger(value) && value >= low && value <= high;
  const isColumnText = (text) => typeof text === "string" &&
    codePointCount(text) <= maxColumnLength && text.replace(notInColumns, "") === text;

  // The race of a link's "race=…" part, on the shipped data's other course
  // records; throws an Error that says why when it cannot be read.
  function readRace(text, shipped) {
    let race;
    try {
      race = JSON.parse(textOf(fromBase64Url(text.slice(linkPrefix.length))));
    } catch (error) {
      throw new Error(error instanceof SyntaxError ? "its contents are garbled" : error.message);
    }
    if (race === null || typeof race !== "object" || race.v !== linkVersion) {
      throw new Error("it was made by another version of this page");
    }
    const { course, field } = race;
    if (!Array.isArray(course) || course.length !== courseColumnCount ||
        !course.every((text) => isColumnText(text))) {
      throw new Error("its course is not a course record");
    }
    const data = copyData(shipped);
    data.course = course.map(bytesOf);
    data.leftOut = 0;
    for (const what of ["direction", "style", "section", "start"]) {
      const text = course[courseColumns[what]];
      if (!/^-?\d+$/.test(text) || !isWhole(Number(text), limits[what])) {
        throw new Error("its course has no usable " + what);
      }
    }
    if (!Array.isArray(field) || field.length < 1 || field.length > maxRunners) {
      throw new Error("its field does not hold 1 to " + maxRunners + " runners");
    }
    data.runners = field.map((entry, index) => {
      const [name, ...numbers] = Array.isArray(entry) ? entry : [];
      const whats = ["coat", "silks", "grade", "adjust"];
      if (!Array.isArray(entry) || entry.length !== 5 || !isColumnText(name) ||
          codePointCount(name) > maxNameLength ||
          !numbers.every((value, i) => isWhole(value, limits[whats[i]]))) {
        throw new Error("runner " + (index + 1) + " of its field cannot be read");
      }
      const runner = runnerFrom([]);
      setRunnerValue(runner, "name", name);
      whats.forEach((what, i) => setRunnerValue(runner, what, numbers[i]));
      return runner;
    });
    return data;
  }

  // The time of a link's "at=…" part, in milliseconds since 1970 UTC; throws
  // an Error that says why when it is not such a time.
  function readStartTime(text) {
    const time = text.slice(startTimePrefix.length);
    const at = /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$/.test(time) ? Date.parse(time) : NaN;
    if (!Number.isFinite(at) || startTimeText(at) !== time) {
      throw new Error("its start time is not a UTC time such as 2026-12-24T17:00:00.000Z");
    }
    return at;
  }

  // The race and the start time of a link (the part of the address after
  // '#'): { race, at }, where race null is the shipped race and at null
  // means no set time. A link is read only when it reads back to itself, so
  // that two visitors of one link always see the same race at the same
  // time; otherwise this throws an Error that says why, whose `part` is
  // "at" when only the start time is at fault.
  function readLink(hash, shipped) {
    const parts = hash.split("&");
    const raceText = parts[0].startsWith(linkPrefix) ? parts.shift() : null;
    const atText = parts.length > 0 && parts[0].startsWith(startTimePrefix) ? parts.shift() : null;
    if (raceText === null && atText === null) {
      throw new Error("it does not start with “" + linkPrefix + "” or “" + startTimePrefix + "”");
    }
    if (parts.length > 0) {
      throw new Error("it has more after its " + (atText === null ? "race" : "start time"));
    }
    const race = raceText === null ? null : readRace(raceText, shipped);
    let at = null;
    if (atText !== null) {
      try {
        at = readStartTime(atText);
      } catch (error) {
        error.part = "at";
        throw error;
      }
    }
    if (linkOf(race, at) !== hash) {
      throw new Error("it has been changed since it was made");
    }
    return { race, at };
  }

  // The race link without its start time: what a visitor still gets to see
  // when only the time cannot be read.
  const withoutStartTime = (hash) => hash.split("&").filter((part) =>
    !part.startsWith(startTimePrefix)).join("&");

  // A 32-bit FNV-1a hash of `bytes` in hex: one race's calendar event keeps
  // one identity, whoever saves it again.
  function fnv1a(bytes) {
    let hash = 0x811c9dc5;
    for (const byte of bytes) {
      hash = Math.imul(hash ^ byte, 0x01000193);
    }
    return (hash >>> 0).toString(16).padStart(8, "0");
  }

  // A calendar file (iCalendar) with one event: the race at `at`, lasting
  // its 21 seconds, rounded up to a minute, with `url` to watch it.
  function calendarOf(url, at, title) {
    const stamp = (ms) => new Date(ms).toISOString().replace(/[-:]/g, "").replace(/\.\d{3}/, "");
    // Text values escape '\', ';', ',' and line ends; lines are folded at 75
    // bytes, a continuation starting with a space.
    const escape = (text) => text.replace(/[\\;,]/g, (c) => "\\" + c).replace(/\r?\n/g, "\\n");
    const fold = (line) => {
      const out = [];
      let current = "";
      let size = 0;
      for (const character of line) {
        const bytes = bytesOf(character).length;
        if (size + bytes > 75) {
          out.push(current);
          current = " ";
          size = 1;
        }
        current += character;
        size += bytes;
      }
      out.push(current);
      return out.join("\r\n");
    };
    const lines = [
      "BEGIN:VCALENDAR",
      "VERSION:2.0",
      "PRODID:-//gallop//race day//EN",
      "CALSCALE:GREGORIAN",
      "METHOD:PUBLISH",
      "BEGIN:VEVENT",
      "UID:" + stamp(at) + "-" + fnv1a(bytesOf(url)) + "@gallop",
      "DTSTAMP:" + stamp(Date.now()),
      "DTSTART:" + stamp(at),
      "DTEND:" + stamp(at + 60000),
      "SUMMARY:" + escape(title),
      "DESCRIPTION:" + escape("The gate opens at the start. Watch it here: " + url),
      "URL:" + url,
      "END:VEVENT",
      "END:VCALENDAR",
    ];
    return lines.map(fold).join("\r\n") + "\r\n";
  }

  return {
    maxRunners,
    coatName,
    limits,
    maxNameLength,
    cameraThreshold,
    spreadLimit,
    cleanName,
    readTables,
    writeTables,
    copyData,
    newRunner,
    runnerValue,
    setRunnerValue,
    courseValue,
    setCourseValue,
    courseView,
    advise,
    coverage,
    tiresAtOnce,
    runsPastEnd,
    linkOf,
    readLink,
    withoutStartTime,
    calendarOf,
  };
})();
