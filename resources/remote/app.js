'use strict';
// The page of ScanDeck's remote: the status and calls from the WebSocket, keys by POST.
const $ = (id) => document.getElementById(id);
const fields = ['mode', 'frequency', 'channel', 'name', 'type', 'squelch', 'system', 'trunk_bank'];
let control = false;
let socket = null;
let retryMs = 500;
let heardTimer = 0;

function show(status) {
  // Only what changed is written, so a screen reader hears nothing twice.
  const set = (id, text) => { if ($(id).textContent !== text) $(id).textContent = text; };
  for (const f of fields) set(f, status[f] || '-');
  const tg = status.talkgroup ? `Talkgroup ${status.talkgroup}${status.talkgroup_name ? ' ' + status.talkgroup_name : ''}` : '';
  set('talkgroup', tg);
  const ind = status.indicators || {};
  const lit = Object.keys(ind).filter((k) => ind[k]).map((k) => k.replace('_', ' '));
  set('indicators', lit.length ? 'On: ' + lit.join(', ') : '');
  for (const [list, id] of [[status.scan_banks || [], 'banks'], [status.id_banks || [], 'idBanks']]) {
    $(id).querySelectorAll('button').forEach((b) => b.setAttribute('aria-pressed', String(list.includes(Number(b.dataset.bank)))));
  }
}

function when(ms) { return ms ? new Date(ms).toLocaleTimeString() : ''; }

function showHeard(rows) {
  rows.sort((a, b) => b.last - a.last);
  const list = $('heardList');
  list.replaceChildren(...rows.slice(0, 50).map((r) => {
    const li = document.createElement('li');
    const what = r.kind === 'talkgroup' ? `Talkgroup ${r.id}` : `${r.id} MHz`;
    li.textContent = `${what}${r.name ? ' ' + r.name : ''}, ${r.hits} hits, last ${when(r.last)}${r.active ? ', active' : ''}`;
    if (r.active) li.className = 'active';
    return li;
  }));
}

async function loadHeard() {
  const reply = await fetch('/api/heard', { credentials: 'same-origin' });
  if (reply.ok) showHeard((await reply.json()).rows);
}

function keyButton(name, caption, label, bank) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = caption;
  if (label) b.setAttribute('aria-label', label);
  if (bank) { b.dataset.bank = bank; b.setAttribute('aria-pressed', 'false'); }
  b.disabled = !control;
  b.addEventListener('click', () => press(name));
  return b;
}

function buildKeys(names) {
  const panel = [], banks = [], ids = [];
  for (const n of names) {
    let m;
    if ((m = /^BANK(\d+)$/.exec(n))) banks.push(keyButton(n, m[1], `Frequency bank ${m[1]}`, m[1]));
    else if ((m = /^ID(\d+)$/.exec(n))) ids.push(keyButton(n, m[1], `ID bank ${m[1]}`, m[1]));
    else panel.push(keyButton(n, n));
  }
  $('panelKeys').replaceChildren(...panel);
  $('banks').replaceChildren(...banks);
  $('idBanks').replaceChildren(...ids);
  $('keyMsg').textContent = control ? '' : 'Keys are not allowed from this page.';
}

async function press(name) {
  const reply = await fetch('/api/keys/' + encodeURIComponent(name), { method: 'POST', credentials: 'same-origin' });
  $('keyMsg').textContent = reply.ok ? '' : `${name}: ${(await reply.text()).trim()}`;
  if (reply.status === 401) needLogin();
}

function needLogin() {
  $('login').hidden = false;
  $('link').textContent = 'Log in to see the scanner.';
  $('password').focus();
}

function connect() {
  socket = new WebSocket(`ws://${location.host}/api/events`);
  socket.onopen = () => { retryMs = 500; $('link').textContent = 'Connected'; loadHeard(); };
  socket.onmessage = (e) => {
    const m = JSON.parse(e.data);
    if (m.type === 'hello') { control = m.control; buildKeys(m.keys); }
    else if (m.type === 'status') show(m.status);
    else if (m.type === 'call' && !heardTimer) heardTimer = setTimeout(() => { heardTimer = 0; loadHeard(); }, 500);
  };
  socket.onclose = async () => {
    socket = null;
    const check = await fetch('/api/status', { credentials: 'same-origin' }).catch(() => null);
    if (check && check.status === 401) return needLogin();
    $('link').textContent = 'Not connected; trying again...';
    // Back off up to half a minute, so a program that is restarting is found again.
    setTimeout(connect, retryMs);
    retryMs = Math.min(retryMs * 2, 30000);
  };
}

$('login').addEventListener('submit', async (e) => {
  e.preventDefault();
  const body = new URLSearchParams({ password: $('password').value });
  const reply = await fetch('/login', { method: 'POST', body, credentials: 'same-origin' });
  if (reply.ok) {
    $('login').hidden = true;
    $('password').value = '';
    $('loginMsg').textContent = '';
    connect();
  } else if (reply.status === 429) {
    $('loginMsg').textContent = `Too many tries: wait ${reply.headers.get('Retry-After')} seconds.`;
  } else {
    $('loginMsg').textContent = 'Wrong password.';
  }
});

connect();
