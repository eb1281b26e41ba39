// What the Brimlock mouse's memory addresses, property numbers, notifications, data reports
// and device events mean, and how their bytes are read and written. Everything the pages
// know about the device goes through here.
var protocol = (function () {
    'use strict';

    var MODE_COUNT = 5;
    var BUTTON_COUNT = 8;
    var BUTTON_ENTRY_SIZE = 4;          // action, p1, p2, p3
    var BUTTON_MAP_STRIDE = 0x100;      // mode m's map at m * 0x100
    var MACRO_BASE = 0x1000;            // slot n at 0x1000 + n * 0x100
    var MACRO_SLOT_SIZE = 0x100;
    var MACRO_SLOTS = 240;
    var MACRO_STEP_SIZE = 4;            // kind, code, delay (16-bit little-endian)
    var MACRO_MAX_STEPS = Math.floor((MACRO_SLOT_SIZE - 1) / MACRO_STEP_SIZE);
    var MAX_DELAY_MS = 0xFFFF;

    var PROP = { INFO: 0x00, MODE: 0x10, DPI: 0x11, POLLING: 0x12, LIGHTING: 0x13, LIFT_OFF: 0x14, DEBOUNCE: 0x15 };
    var PROP_SIZE = { 0x00: 4, 0x10: 1, 0x11: 11, 0x12: 1, 0x13: 6, 0x14: 1, 0x15: 1 };

    var ACTION = { DISABLED: 0, MOUSE: 1, KEY: 2, DPI: 3, MACRO: 4, MODE: 5 };
    var ACTION_NAMES = ['Disabled', 'Mouse button', 'Keyboard key', 'DPI step', 'Macro', 'Mode switch'];
    var MOUSE_BUTTONS = ['', 'Left click', 'Right click', 'Middle click', 'Back', 'Forward'];
    var MACRO_RUN = ['Run once', 'Repeat while held', 'Toggle'];
    var MODIFIERS = [
        { bit: 0x01, name: 'Ctrl' }, { bit: 0x02, name: 'Shift' }, { bit: 0x04, name: 'Alt' }, { bit: 0x08, name: 'Win' },
        { bit: 0x10, name: 'Right Ctrl' }, { bit: 0x20, name: 'Right Shift' }, { bit: 0x40, name: 'Right Alt' },
        { bit: 0x80, name: 'Right Win' }
    ];
    // Factory map in every mode: buttons 1-5 click 1-5, 6 DPI next, 7 DPI previous, 8 next mode.
    var FACTORY_BUTTONS = [[1, 1], [1, 2], [1, 3], [1, 4], [1, 5], [3, 1], [3, 2], [5, 0]];
    var BUTTON_NAMES = ['Left button', 'Right button', 'Wheel button', 'Back side button', 'Forward side button',
                        'DPI up', 'DPI down', 'Mode button'];

    var POLLING_RATES = [{ code: 1, hz: 125 }, { code: 2, hz: 250 }, { code: 3, hz: 500 }, { code: 4, hz: 1000 }];
    var LIGHTING_EFFECTS = ['Off', 'Steady', 'Breathing', 'Colour cycle'];
    var DPI_MIN = 100, DPI_MAX = 16000, DPI_STEP = 50, DPI_STAGES = 5;

    var NOTIFY = { MODE: 0x01, DPI: 0x02, IDENTIFY: 0x03 };
    var REPORT = { MODE: 0x01, DPI: 0x02 };
    var EVENT = { ARRIVAL: 0x8000, REMOVAL: 0x8004 };
    var LOADER_DEVICE_ID = 'HX-BRIMLOCK-LOADER';

    var MACRO_KIND = { KEY_DOWN: 1, KEY_UP: 2, BUTTON_DOWN: 3, BUTTON_UP: 4 };

    // HID keyboard usages the pages offer and show, in menu order.
    var KEYS = [];
    var KEY_NAMES = {};
    (function () {
        function add(usage, name) { KEYS.push({ usage: usage, name: name }); KEY_NAMES[usage] = name; }
        for (var i = 0; i < 26; i++) add(0x04 + i, String.fromCharCode(65 + i));
        for (i = 1; i <= 9; i++) add(0x1D + i, String(i));
        add(0x27, '0');
        [[0x28, 'Enter'], [0x29, 'Esc'], [0x2A, 'Backspace'], [0x2B, 'Tab'], [0x2C, 'Space'], [0x2D, '-'],
         [0x2E, '='], [0x2F, '['], [0x30, ']'], [0x31, '\\'], [0x33, ';'], [0x34, "'"], [0x35, '`'], [0x36, ','],
         [0x37, '.'], [0x38, '/'], [0x39, 'Caps Lock']].forEach(function (k) { add(k[0], k[1]); });
        for (i = 1; i <= 12; i++) add(0x39 + i, 'F' + i);
        [[0x46, 'Print Screen'], [0x47, 'Scroll Lock'], [0x48, 'Pause'], [0x49, 'Insert'], [0x4A, 'Home'],
         [0x4B, 'Page Up'], [0x4C, 'Delete'], [0x4D, 'End'], [0x4E, 'Page Down'], [0x4F, 'Right'], [0x50, 'Left'],
         [0x51, 'Down'], [0x52, 'Up'], [0x53, 'Num Lock'], [0x54, 'Num /'], [0x55, 'Num *'], [0x56, 'Num -'],
         [0x57, 'Num +'], [0x58, 'Num Enter'], [0x59, 'Num 1'], [0x5A, 'Num 2'], [0x5B, 'Num 3'], [0x5C, 'Num 4'],
         [0x5D, 'Num 5'], [0x5E, 'Num 6'], [0x5F, 'Num 7'], [0x60, 'Num 8'], [0x61, 'Num 9'], [0x62, 'Num 0'],
         [0x63, 'Num .'], [0x65, 'Menu'], [0xE0, 'Left Ctrl'], [0xE1, 'Left Shift'], [0xE2, 'Left Alt'],
         [0xE3, 'Left Win'], [0xE4, 'Right Ctrl'], [0xE5, 'Right Shift'], [0xE6, 'Right Alt'],
         [0xE7, 'Right Win']].forEach(function (k) { add(k[0], k[1]); });
    })();

    // The macro recorder names keys by PC scan code (set 1) and extended flag; the mouse wants
    // HID usages. Key: scan code, or scan code + 0x100 for extended keys.
    var SCAN_TO_USAGE = (function () {
        var t = {};
        var letters = [0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32, 0x31, 0x18,
                       0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C];
        letters.forEach(function (scan, i) { t[scan] = 0x04 + i; });
        for (var d = 0; d < 10; d++) t[0x02 + d] = 0x1E + d;  // 1..9, then 0 at 0x0B
        var plain = [[0x1C, 0x28], [0x01, 0x29], [0x0E, 0x2A], [0x0F, 0x2B], [0x39, 0x2C], [0x0C, 0x2D], [0x0D, 0x2E],
                     [0x1A, 0x2F], [0x1B, 0x30], [0x2B, 0x31], [0x27, 0x33], [0x28, 0x34], [0x29, 0x35], [0x33, 0x36],
                     [0x34, 0x37], [0x35, 0x38], [0x3A, 0x39], [0x57, 0x44], [0x58, 0x45], [0x46, 0x47], [0x45, 0x53],
                     [0x37, 0x55], [0x4A, 0x56], [0x4E, 0x57], [0x4F, 0x59], [0x50, 0x5A], [0x51, 0x5B], [0x4B, 0x5C],
                     [0x4C, 0x5D], [0x4D, 0x5E], [0x47, 0x5F], [0x48, 0x60], [0x49, 0x61], [0x52, 0x62], [0x53, 0x63],
                     [0x1D, 0xE0], [0x2A, 0xE1], [0x38, 0xE2], [0x36, 0xE5]];
        plain.forEach(function (p) { t[p[0]] = p[1]; });
        for (var f = 0; f < 10; f++) t[0x3B + f] = 0x3A + f;  // F1..F10
        var extended = [[0x1C, 0x58], [0x35, 0x54], [0x37, 0x46], [0x52, 0x49], [0x47, 0x4A], [0x49, 0x4B],
                        [0x53, 0x4C], [0x4F, 0x4D], [0x51, 0x4E], [0x4D, 0x4F], [0x4B, 0x50], [0x50, 0x51],
                        [0x48, 0x52], [0x1D, 0xE4], [0x38, 0xE6], [0x5B, 0xE3], [0x5C, 0xE7], [0x5D, 0x65]];
        extended.forEach(function (p) { t[0x100 + p[0]] = p[1]; });
        return t;
    })();

    function scanCodeToUsage(scanCode, extended) {
        var usage = SCAN_TO_USAGE[(extended ? 0x100 : 0) + scanCode];
        return usage === undefined ? null : usage;
    }

    function keyName(usage) {
        return KEY_NAMES[usage] || ('Key 0x' + hex2(usage));
    }

    // ---- byte texts: the driver answers "0x0a,0xff,0x00" and takes the same back ----

    function hex2(n) { return ('0' + (n & 0xFF).toString(16)).slice(-2); }

    function parseBytes(text) {
        if (!text) return [];
        return text.split(',').map(function (item) {
            var n = parseInt(item, 16);
            return isNaN(n) ? 0 : n & 0xFF;
        });
    }

    function formatBytes(bytes) {
        return bytes.map(function (b) { return '0x' + hex2(b); }).join(',');
    }

    function formatAddress(address) {
        return '0x' + ('000' + address.toString(16)).slice(-4);
    }

    function le16(bytes, at) { return (bytes[at] || 0) | ((bytes[at + 1] || 0) << 8); }

    // ---- properties ----

    function decodeInfo(bytes) {
        return { model: bytes[0] || 0, firmware: [bytes[1] || 0, bytes[2] || 0, bytes[3] || 0].join('.') };
    }

    function decodeDpi(bytes) {
        var stages = [];
        for (var i = 0; i < DPI_STAGES; i++) stages.push(le16(bytes, 1 + 2 * i));
        return { active: bytes[0] || 0, stages: stages };
    }

    function encodeDpi(dpi) {
        var bytes = [dpi.active & 0xFF];
        dpi.stages.forEach(function (v) { bytes.push(v & 0xFF, (v >> 8) & 0xFF); });
        return bytes;
    }

    function clampDpi(value) {
        var v = Math.round((Number(value) || DPI_MIN) / DPI_STEP) * DPI_STEP;
        return Math.min(DPI_MAX, Math.max(DPI_MIN, v));
    }

    function pollingHz(code) {
        for (var i = 0; i < POLLING_RATES.length; i++) if (POLLING_RATES[i].code === code) return POLLING_RATES[i].hz;
        return 0;
    }

    function pollingCode(hz) {
        for (var i = 0; i < POLLING_RATES.length; i++) if (POLLING_RATES[i].hz === Number(hz)) return POLLING_RATES[i].code;
        return 0;
    }

    function decodeLighting(bytes) {
        return {
            effect: bytes[0] || 0,
            color: '#' + hex2(bytes[1] || 0) + hex2(bytes[2] || 0) + hex2(bytes[3] || 0),
            brightness: bytes[4] || 0,
            speed: bytes[5] || 1
        };
    }

    function encodeLighting(l) {
        var c = /^#?([0-9a-f]{6})$/i.exec(l.color || '') ? l.color.replace('#', '') : '000000';
        return [l.effect, parseInt(c.slice(0, 2), 16), parseInt(c.slice(2, 4), 16), parseInt(c.slice(4, 6), 16),
                Math.max(0, Math.min(100, l.brightness)), Math.max(1, Math.min(5, l.speed))];
    }

    // ---- button maps ----

    function buttonMapAddress(mode) { return mode * BUTTON_MAP_STRIDE; }

    function decodeButtonMap(bytes) {
        var map = [];
        for (var b = 0; b < BUTTON_COUNT; b++) {
            var at = b * BUTTON_ENTRY_SIZE;
            map.push({ action: bytes[at] || 0, p1: bytes[at + 1] || 0, p2: bytes[at + 2] || 0, p3: bytes[at + 3] || 0 });
        }
        return map;
    }

    function encodeButtonMap(map) {
        var bytes = [];
        map.forEach(function (e) { bytes.push(e.action, e.p1, e.p2, e.p3); });
        return bytes;
    }

    function factoryButtonMap() {
        return FACTORY_BUTTONS.map(function (f) { return { action: f[0], p1: f[1], p2: 0, p3: 0 }; });
    }

    function modifierText(bits) {
        return MODIFIERS.filter(function (m) { return bits & m.bit; }).map(function (m) { return m.name; });
    }

    function describeAction(e) {
        switch (e.action) {
        case ACTION.DISABLED: return 'Disabled';
        case ACTION.MOUSE: return MOUSE_BUTTONS[e.p1] || ('Mouse button ' + e.p1);
        case ACTION.KEY: return modifierText(e.p1).concat([keyName(e.p2)]).join(' + ');
        case ACTION.DPI: return e.p1 === 2 ? 'DPI previous stage' : 'DPI next stage';
        case ACTION.MACRO: return 'Macro ' + e.p1 + ' · ' + (MACRO_RUN[e.p2] || 'run once').toLowerCase();
        case ACTION.MODE: return e.p1 === 0 ? 'Next mode' : 'Mode ' + e.p1;
        default: return 'Unknown action 0x' + hex2(e.action);
        }
    }

    // ---- macros ----

    function macroAddress(slot) { return MACRO_BASE + slot * MACRO_SLOT_SIZE; }

    function decodeMacro(bytes) {
        var count = Math.min(bytes[0] || 0, MACRO_MAX_STEPS);
        var steps = [];
        for (var i = 0; i < count; i++) {
            var at = 1 + i * MACRO_STEP_SIZE;
            steps.push({ kind: bytes[at] || 0, code: bytes[at + 1] || 0, delay: le16(bytes, at + 2) });
        }
        return steps;
    }

    function encodeMacro(steps) {
        if (steps.length > MACRO_MAX_STEPS) throw new Error('A macro holds at most ' + MACRO_MAX_STEPS + ' steps');
        var bytes = [steps.length];
        steps.forEach(function (s) {
            var d = Math.max(0, Math.min(MAX_DELAY_MS, Math.round(s.delay)));
            bytes.push(s.kind, s.code, d & 0xFF, (d >> 8) & 0xFF);
        });
        return bytes;
    }

    function describeStep(s) {
        switch (s.kind) {
        case MACRO_KIND.KEY_DOWN: return { down: true, label: keyName(s.code) };
        case MACRO_KIND.KEY_UP: return { down: false, label: keyName(s.code) };
        case MACRO_KIND.BUTTON_DOWN: return { down: true, label: MOUSE_BUTTONS[s.code] || 'Button ' + s.code };
        case MACRO_KIND.BUTTON_UP: return { down: false, label: MOUSE_BUTTONS[s.code] || 'Button ' + s.code };
        default: return { down: false, label: '?' };
        }
    }

    // ---- data reports (16 hexadecimal digits) ----

    function decodeReport(hexText) {
        var bytes = [];
        for (var i = 0; i + 1 < (hexText || '').length; i += 2) bytes.push(parseInt(hexText.substr(i, 2), 16) || 0);
        if (bytes[0] === REPORT.MODE) return { kind: 'mode', mode: bytes[1], text: 'Mode changed to ' + (bytes[1] + 1) };
        if (bytes[0] === REPORT.DPI) {
            var dpi = le16(bytes, 2);
            return { kind: 'dpi', stage: bytes[1], dpi: dpi, text: 'DPI stage ' + (bytes[1] + 1) + ' · ' + dpi + ' DPI' };
        }
        return { kind: 'other', text: 'Report 0x' + hex2(bytes[0] || 0) };
    }

    function describeDeviceEvent(code) {
        if (code === EVENT.ARRIVAL) return 'A mouse arrived';
        if (code === EVENT.REMOVAL) return 'A mouse left';
        return 'Device event 0x' + (code >>> 0).toString(16);
    }

    return {
        MODE_COUNT: MODE_COUNT, BUTTON_COUNT: BUTTON_COUNT, BUTTON_NAMES: BUTTON_NAMES,
        MACRO_SLOTS: MACRO_SLOTS, MACRO_SLOT_SIZE: MACRO_SLOT_SIZE, MACRO_MAX_STEPS: MACRO_MAX_STEPS,
        MAX_DELAY_MS: MAX_DELAY_MS, MACRO_KIND: MACRO_KIND,
        PROP: PROP, PROP_SIZE: PROP_SIZE, ACTION: ACTION, ACTION_NAMES: ACTION_NAMES,
        MOUSE_BUTTONS: MOUSE_BUTTONS, MACRO_RUN: MACRO_RUN, MODIFIERS: MODIFIERS, KEYS: KEYS,
        POLLING_RATES: POLLING_RATES, LIGHTING_EFFECTS: LIGHTING_EFFECTS,
        DPI_MIN: DPI_MIN, DPI_MAX: DPI_MAX, DPI_STEP: DPI_STEP, DPI_STAGES: DPI_STAGES,
        NOTIFY: NOTIFY, EVENT: EVENT, LOADER_DEVICE_ID: LOADER_DEVICE_ID,
        hex2: hex2, parseBytes: parseBytes, formatBytes: formatBytes, formatAddress: formatAddress,
        decodeInfo: decodeInfo, decodeDpi: decodeDpi, encodeDpi: encodeDpi, clampDpi: clampDpi,
        pollingHz: pollingHz, pollingCode: pollingCode, decodeLighting: decodeLighting, encodeLighting: encodeLighting,
        buttonMapAddress: buttonMapAddress, decodeButtonMap: decodeButtonMap, encodeButtonMap: encodeButtonMap,
        factoryButtonMap: factoryButtonMap, describeAction: describeAction, keyName: keyName,
        macroAddress: macroAddress, decodeMacro: decodeMacro, encodeMacro: encodeMacro, describeStep: describeStep,
        scanCodeToUsage: scanCodeToUsage, decodeReport: decodeReport, describeDeviceEvent: describeDeviceEvent
    };
})();
