// The setup page. It asks the native side through
// app.jsInvokeCPlusPlus(command, argument), both as strings; the native
// side answers only by calling the global functions under "Called by the
// native side". Command numbers are those of the tool's page command table.
'use strict';

const CMD = {
  sendSetup: 0,
  setTime: 1,
  fetchSetup: 2,
  resendSetup: 3,
  passStart: 7,
  passEnd: 8,
  keepSetup: 9,
  scanLan: 10,
  connectMode: 11,
  boxAddress: 12,
  sendProject: 14,
  fetchProject: 15,
  setMode: 16,
  saveWifi: 19,
  removeWifi: 20,
  firstSeen: 21,
  timeZone: 22,
  editorCheck: 23,
  hmiDownload: 24,
};
const SEP = '\u0002';
let texts = {};
let configLoaded = false;  // the form holds the page settings file's values
let operable = false;      // the box worker's last word: operations may run
// The tool's transfer file is the local setup.xml: this page last built
// (0, 9) or fetched (2) it, and no project transfer (14, 15) chose another
// file since. Only then may command 3 send "the current transfer file".
let transferIsSetup = false;

function $(id) { return document.getElementById(id); }

// A text of the string table, or the English fallback.
function text(key, fallback) { return texts[key] || fallback; }

function call(cmd, arg) {
  if (!window.app || !app.jsInvokeCPlusPlus) {
    AddText(text('page_no_bridge', 'This page has no connection to the tool.'));
    return undefined;
  }
  return app.jsInvokeCPlusPlus(String(cmd), arg === undefined ? '' : String(arg));
}

// ---- Called by the native side ----

function AddText(line) {
  const log = $('log');
  log.textContent += line + '\n';
  log.scrollTop = log.scrollHeight;
}

// true while the box worker runs an operation (or the box is gone): the
// operations wait and the page shows it is busy; false gives them back.
function DisableOperate(disabled) {
  operable = !disabled;
  document.body.classList.toggle('busy', !operable);
  refreshOperations();
  if (operable) ShowProgress(0, 0);
}

function refreshOperations() {
  document.querySelectorAll('button.op').forEach(b => {
    b.disabled = !operable || (b.id === 'sendcfg' && !configLoaded) ||
        (b.id === 'resendcfg' && !transferIsSetup);
  });
}

// Page calls that choose the tool's transfer file.
function callTransfer(cmd, arg) {
  transferIsSetup = cmd === CMD.sendSetup || cmd === CMD.keepSetup || cmd === CMD.fetchSetup;
  call(cmd, arg);
  refreshOperations();
}

// Byte counts of a long transfer; done == total ends the bar.
function ShowProgress(done, total) {
  const box = $('progress');
  done = Number(done);
  total = Number(total);
  if (!(total > 0) || !(done >= 0) || done >= total) {
    box.classList.remove('active');
    return;
  }
  box.classList.add('active');
  $('progress-bar').value = done / total;
  const kib = n => Math.round(n / 1024).toLocaleString();
  $('progress-text').textContent =
      kib(done) + ' / ' + kib(total) + ' KiB (' + Math.floor((100 * done) / total) + '%)';
}

function DetectBox(type, mode) {
  const state = $('box-state');
  if (type === 'UNKNOWN') {
    state.textContent = text('page_box_unknown', 'unknown box');
    state.className = 'unknown';
    return;
  }
  state.textContent = type + ' (' + text('page_mode', 'Mode') + ' ' + mode + ')';
  state.className = 'found';
  if (mode >= 0) $('mode').value = String(mode);
}

// Addresses, each followed by ";".
function RefreshList(list) {
  const boxes = $('boxes');
  boxes.innerHTML = '';
  list.split(';').filter(a => a.length > 0).forEach(a => {
    const o = document.createElement('option');
    o.textContent = a;
    boxes.appendChild(o);
  });
  if (boxes.options.length === 0) AddText(text('page_no_boxes', 'No box answered.'));
}

// A setup.xml lies beside the tool (fetched from the box, or kept from an
// earlier session): offer to load it into the form.
function ShowUpLoadSetup() { $('offer').hidden = false; }

// The page is being left: keep the form as the local setup.xml.
function SaveSetting() {
  if (configLoaded) callTransfer(CMD.keepSetup, configFormText());
}

// ---- Configuration form ----

function loadProfile(announce) {
  readPageFile('Default.xml', xml => {
    const doc = parseXml(xml);
    if (!doc || doc.documentElement.tagName !== 'QXBoxSet') {
      configLoaded = false;
      AddText(text(
          'page_profile_unreadable',
          'html/Default.xml could not be read; the configuration cannot be sent.'));
    } else {
      configLoaded = fillConfigForm(doc, true) > 0;
      if (announce) AddText(text('page_profile_loaded', 'The form shows the profile\'s values.'));
    }
    refreshOperations();
  });
}

function loadFetchedSetup() {
  readPageFile('../setup.xml', xml => {
    const doc = parseXml(xml);
    const filled = doc ? fillConfigForm(doc, false) : 0;
    if (filled === 0) {
      AddText(text('page_setup_unreadable', 'setup.xml could not be read into the form.'));
      return;
    }
    $('offer').hidden = true;
    AddText(
        text('page_setup_loaded', 'The form shows the values of setup.xml. Fields:') + ' ' +
        filled);
  });
}

// ---- Pass-through and panel download ----

function passThroughUrl() {
  const typed = $('pt-url').value.trim();
  if (typed) return typed;
  const host = $('address').value.trim();
  const port = $('pass-tcp-port') ? $('pass-tcp-port').value.trim() : '';
  return host && port ? host + ':' + port : '';
}

// A TCP port number 1..65535 from text, or 0.
function portNumber(textValue) {
  const n = /^\d{1,5}$/.test(textValue.trim()) ? Number(textValue) : 0;
  return n >= 1 && n <= 65535 ? n : 0;
}

// True for "host:port" with a host and a port number.
function isEndpoint(url) {
  const colon = url.lastIndexOf(':');
  return colon > 0 && portNumber(url.substring(colon + 1)) > 0;
}

// The parameters of command 7, or null (and a log line) when the endpoint
// or the local port is not usable.
function passThroughJson() {
  const p = {type: Number($('pt-type').value)};
  const url = passThroughUrl();
  if (url && !isEndpoint(url)) {
    AddText(text('page_pass_bad', 'Enter the endpoint as address:port.'));
    return null;
  }
  if (url) p.url = url;
  if (p.type === 1) {
    p.e_port = portNumber($('pt-eport').value);
    if (p.e_port === 0) {
      AddText(text('page_pass_bad_port', 'Enter a local TCP port from 1 to 65535.'));
      return null;
    }
  } else {
    p.baudrate = Number($('pt-baud').value);
    p.data_length = Number($('pt-data').value);
    p.stop_bit = Number($('pt-stop').value);
    p.check_bit = $('pt-parity').value;
  }
  return JSON.stringify(p);
}

function startHmiDownload() {
  const url = passThroughUrl();
  if (!isEndpoint(url)) {
    AddText(text('page_hmi_no_url', 'Enter the box endpoint (address:port) first.'));
    return;
  }
  if (call(CMD.editorCheck, '') !== 1) {
    AddText(text('hmi_down_disabled', 'Panel download: no panel editor found'));
    return;
  }
  AddText(
      call(CMD.hmiDownload, JSON.stringify({url})) === 1 ?
          text('page_hmi_started', 'The panel download tool was started.') :
          text('page_hmi_failed', 'The panel download tool could not be started.'));
}

// ---- Remembered Wi-Fi networks ----

let wifiList = [];

function showWifiList() {
  const list = $('wifis');
  const names = $('wifi-names');
  list.innerHTML = '';
  names.innerHTML = '';
  wifiList.forEach(w => {
    const o = document.createElement('option');
    o.textContent = w.name;
    list.appendChild(o);
    const n = document.createElement('option');
    n.value = w.name;
    names.appendChild(n);
  });
}

function loadWifiList() {
  readPageFile('../WifiList.xml', xml => {
    const doc = parseXml(xml);
    wifiList = doc ?
        Array.from(doc.getElementsByTagName('wifi'))
            .map(w => ({name: w.getAttribute('Name') || '', psw: w.getAttribute('Psw') || ''})) :
        [];
    showWifiList();
  });
}

function rememberWifi() {
  const name = $('ssid').value;
  const psw = $('wifipsw').value;
  if (name.length === 0 || name.includes(SEP) || psw.includes(SEP)) {
    AddText(text('page_wifi_name_needed', 'Enter the network\'s name first.'));
    return;
  }
  call(CMD.saveWifi, name + SEP + psw);
  const entry = wifiList.find(w => w.name === name);
  if (entry) {
    entry.psw = psw;
  } else {
    wifiList.push({name, psw});
  }
  showWifiList();
}

function forgetWifi() {
  const name = $('wifis').value || $('ssid').value;
  if (!name) return;
  call(CMD.removeWifi, name);
  const at = wifiList.findIndex(w => w.name === name);
  if (at >= 0) wifiList.splice(at, 1);
  showWifiList();
}

// ---- Page set-up ----

function on(id, handler) { $(id).addEventListener('click', handler); }

function wire() {
  $('version').textContent = window.CurSoftVer ? 'V' + window.CurSoftVer : '';
  $('vircom').textContent = window.CurVirCom || '';
  $('profile').textContent = window.curserver || '-';
  $('tz').value = window.nTimeZone || '';
  document.querySelectorAll('button[data-cmd]').forEach(b => {
    b.addEventListener('click', () => call(b.dataset.cmd, ''));
  });
  on('connect', () => {
    const mode = document.querySelector('input[name=link]:checked').value;
    if (mode === 'LocalNetwork') call(CMD.boxAddress, $('address').value.trim());
    call(CMD.connectMode, mode);
  });
  on('scan', () => {
    // With an address (or the sweep box) the address's /24 is swept too.
    call(CMD.boxAddress, $('address').value.trim());
    call(CMD.scanLan, $('sweep').checked ? '1' : '0');
  });
  $('boxes').addEventListener('change', e => {
    $('address').value = e.target.value;
    document.querySelector('input[name=link][value=LocalNetwork]').checked = true;
  });
  on('settime', () => {
    call(CMD.timeZone, $('tz').value);
    call(CMD.setTime, '');
  });
  on('setmode', () => call(CMD.setMode, $('mode').value));
  on('sendcfg', () => {
    if (configLoaded) callTransfer(CMD.sendSetup, configFormText());
  });
  on('fetchcfg', () => callTransfer(CMD.fetchSetup, ''));
  on('resendcfg', () => call(CMD.resendSetup, ''));
  on('sendprj', () => callTransfer(CMD.sendProject, ''));
  on('savecfg', () => {
    if (configLoaded) callTransfer(CMD.keepSetup, configFormText());
  });
  on('reloadcfg', () => loadProfile(true));
  on('loadsetup', loadFetchedSetup);
  on('dismiss', () => {
    $('offer').hidden = true;
  });
  on('fetchprj', () => callTransfer(CMD.fetchProject, $('prjpsw').value));
  $('pt-type').addEventListener('change', () => {
    const tcp = $('pt-type').value === '1';
    $('pt-tcp').hidden = !tcp;
    $('pt-serial').hidden = tcp;
  });
  on('pt-start', () => {
    const json = passThroughJson();
    if (json !== null) call(CMD.passStart, json);
  });
  on('pt-end', () => call(CMD.passEnd, ''));
  on('hmidown', startHmiDownload);
  $('wifis').addEventListener('change', e => {
    const entry = wifiList.find(w => w.name === e.target.value);
    if (!entry || $('ssid').dataset.absent) return;
    $('ssid').value = entry.name;
    if (!$('wifipsw').dataset.absent) $('wifipsw').value = entry.psw;
  });
  on('wifisave', rememberWifi);
  on('wififorget', forgetWifi);
  on('clearlog', () => {
    $('log').textContent = '';
  });
  // First start: greet once; the page tells the native side when the user
  // has seen it (a queued page call would otherwise replace the box
  // detection the page starts with).
  if (window.nFirst === 1) {
    $('welcome').hidden = false;
    on('welcome-ok', () => {
      $('welcome').hidden = true;
      call(CMD.firstSeen, '');
    });
  }
}

buildConfigForm($('config-fields'));
wire();
// Operations wait for the box worker's first idle cycle.
refreshOperations();
loadTexts(table => {
  texts = table;
  applyTexts(table);
  document.title = text('page_title', document.title);
  loadProfile(false);
  loadWifiList();
});
