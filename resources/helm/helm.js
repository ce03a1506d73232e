// The helm page: shows what the program sends over /live and sends nothing
// back. Reconnects by itself; plays the alarm tone once a tap allowed sound.
"use strict";

const $ = (id) => document.getElementById(id);
const kSilence = 6000;   // ms without a message: the link is taken as lost
const kStripMs = 60000;  // the strip shows the last minute
const kLevels = ["#001020", "#003060", "#0050a0", "#0080c0", "#20b0a0", "#c0c000", "#e07000", "#ff2000"];

let texts = JSON.parse(localStorage.getItem("helmTexts") || "null") || {};
let code = localStorage.getItem("helmCode") || "";
let socket = null;
let lastMessage = 0;
let retryMs = 500;
let waitingForCode = false;
let state = null;        // the last state and its arrival (performance.now())
let stateArrival = 0;
let columns = [];        // {time, span, levels}
let audio = null;
let beepTimer = null;

function text(key, fallback) {
  return texts[key] || fallback;
}

function applyTexts() {
  for (const [id, key] of [["sound", audio ? "soundOn" : "sound"], ["codeprompt", "codePrompt"],
                           ["codesubmit", "submit"], ["coderefused", "codeRefused"]]) {
    if (texts[key]) $(id).textContent = texts[key];
  }
}

function setStatus(message, down) {
  $("status").textContent = message;
  $("status").classList.toggle("down", down);
}

function connect() {
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  const query = code ? "?code=" + encodeURIComponent(code) : "";
  socket = new WebSocket(scheme + location.host + "/live" + query);
  socket.binaryType = "arraybuffer";
  lastMessage = performance.now();
  socket.onmessage = (event) => {
    lastMessage = performance.now();
    if (typeof event.data === "string") onText(JSON.parse(event.data));
    else onColumn(new DataView(event.data));
  };
  socket.onclose = () => {
    socket = null;
    if (waitingForCode) return;
    setStatus(text("lost", "连接中断，正在重连"), true);
    setTimeout(connect, retryMs);
    retryMs = Math.min(retryMs * 2, 5000);
  };
}

function onText(message) {
  if (message.texts) {
    texts = message.texts;
    localStorage.setItem("helmTexts", JSON.stringify(texts));
    applyTexts();
  }
  if (message.t === "hello") {
    retryMs = 500;
    $("codeform").hidden = true;
    setStatus(text("connected", "已连接"), false);
  } else if (message.t === "refused") {
    waitingForCode = true;
    $("coderefused").hidden = code === "";
    $("codeform").hidden = false;
    $("code").focus();
  } else if (message.t === "state") {
    state = message;
    stateArrival = performance.now();
    showState();
  }
}

// The depth as large as the screen allows: smaller only when its digits
// would not fit the width.
function fitDepth() {
  const reading = $("reading");
  const depth = $("depth");
  depth.style.fontSize = "";
  let size = parseFloat(getComputedStyle(depth).fontSize);
  while (reading.scrollWidth > reading.clientWidth && size > 16) {
    size *= 0.92;
    depth.style.fontSize = size + "px";
  }
}

function showState() {
  const shown = state.depth === "" ? "--.-" : state.depth;
  const refit = shown.length !== $("depth").textContent.length;
  $("depth").textContent = shown;
  if (refit) fitDepth();
  $("unit").textContent = state.unit;
  const raised = state.alarm !== "";
  $("alarm").textContent = raised ? state.alarm : text("noAlarm", "无报警");
  $("alarm").className = raised ? "raised" : "quiet";
  const fix = state.fix;
  if (!fix) {
    $("fix").textContent = "";
  } else {
    const quality = text("quality_" + fix.quality, fix.quality);
    $("fix").textContent = fix.lat === undefined ? quality
        : quality + "  " + fix.lat.toFixed(6) + ", " + fix.lon.toFixed(6);
  }
  showAge();
  soundAlarm(raised);
}

function showAge() {
  if (!state) return;
  if (state.age < 0) {
    $("age").textContent = text("waiting", "等待水深");
    return;
  }
  const age = (state.age + performance.now() - stateArrival) / 1000;
  const playback = state.live ? "" : text("playback", "回放") + "  ";
  $("age").textContent = playback + age.toFixed(1) + " " + text("ago", "秒前");
  $("age").classList.toggle("stale", age > 5);
}

function onColumn(view) {
  if (view.byteLength < 7 || view.getUint8(0) !== 0x43) return;
  const age = view.getUint32(1, true);
  const span = view.getUint16(5, true) / 10;
  const levels = [];
  for (let i = 7; i < view.byteLength; ++i) {
    levels.push(view.getUint8(i) & 15, view.getUint8(i) >> 4);
  }
  columns.push({time: performance.now() - age, span, levels});
}

function drawStrip() {
  const canvas = $("strip");
  if (canvas.height !== canvas.clientHeight) canvas.height = canvas.clientHeight;
  const g = canvas.getContext("2d");
  const now = performance.now();
  columns = columns.filter((c) => now - c.time <= kStripMs);
  g.fillStyle = kLevels[0];
  g.fillRect(0, 0, canvas.width, canvas.height);
  const deepest = Math.max(1, ...columns.map((c) => c.span));
  const width = Math.max(1, Math.ceil(canvas.width / 600));
  for (const c of columns) {
    const x = Math.floor(canvas.width * (1 - (now - c.time) / kStripMs));
    const cell = canvas.height * (c.span / deepest) / c.levels.length;
    c.levels.forEach((level, i) => {
      if (level === 0) return;
      g.fillStyle = kLevels[level];
      g.fillRect(x, Math.floor(i * cell), width, Math.ceil(cell));
    });
  }
}

// The alarm tone: 880 Hz for 0.3 s every second while an alarm is raised.
function beep() {
  const start = audio.currentTime;
  const tone = audio.createOscillator();
  const gain = audio.createGain();
  tone.frequency.value = 880;
  gain.gain.setValueAtTime(0.5, start);
  gain.gain.setValueAtTime(0, start + 0.3);
  tone.connect(gain).connect(audio.destination);
  tone.start(start);
  tone.stop(start + 0.32);
}

function soundAlarm(raised) {
  if (!audio || raised === (beepTimer !== null)) return;
  if (raised) {
    beep();
    beepTimer = setInterval(beep, 1000);
  } else {
    clearInterval(beepTimer);
    beepTimer = null;
  }
}

$("sound").addEventListener("click", () => {
  if (!audio) audio = new AudioContext();
  audio.resume();
  $("sound").textContent = text("soundOn", "报警声已开启");
  if (state) soundAlarm(state.alarm !== "");
});

$("codeform").addEventListener("submit", (event) => {
  event.preventDefault();
  code = $("code").value.trim();
  localStorage.setItem("helmCode", code);
  waitingForCode = false;
  $("codeform").hidden = true;
  connect();
});

if (location.hash.startsWith("#code=")) {
  code = decodeURIComponent(location.hash.slice(6));
  localStorage.setItem("helmCode", code);
}

setInterval(() => {
  showAge();
  drawStrip();
  if (socket && performance.now() - lastMessage > kSilence) {
    // A link that went silent may take long to report its close: drop it.
    const silent = socket;
    silent.onclose = null;
    silent.onmessage = null;
    silent.close();
    socket = null;
    setStatus(text("lost", "连接中断，正在重连"), true);
    setTimeout(connect, retryMs);
  }
}, 250);
window.addEventListener("resize", fitDepth);
applyTexts();
connect();
