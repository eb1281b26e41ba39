// Macros: record key strokes with the driver's recorder, edit them as a timeline, and keep
// them in the mouse's macro slots.
(function () {
    'use strict';
    var h = ui.h;
    var K = protocol.MACRO_KIND;
    var SHOWN_SLOTS = 16;
    var CLICK_DELAY_MS = 30;

    var body;
    var dev = null;
    var slots = [];          // {empty, steps} per shown slot; null while unknown
    var slot = 0;
    var steps = [];
    var dirty = false;
    var recording = false;
    var skipped = 0;         // recorded keys that have no HID usage
    var loadToken = 0;
    var els = {};

    function address() { return protocol.macroAddress(slot); }

    // ---- recording ----

    function onMacroItem(args) {
        if (!recording) return;
        var kind = String(args[0]);
        if (kind === '2') {
            var ms = Number(args[1]) || 0;
            if (steps.length && ms > 0) {
                var last = steps[steps.length - 1];
                last.delay = Math.min(protocol.MAX_DELAY_MS, last.delay + ms);
            }
        } else if (kind === '0') {
            var usage = protocol.scanCodeToUsage(Number(args[2]), String(args[3]) === '1');
            if (usage === null) { skipped++; return; }
            steps.push({ kind: String(args[1]) === '1' ? K.KEY_DOWN : K.KEY_UP, code: usage, delay: 0 });
            if (steps.length >= protocol.MACRO_MAX_STEPS) {
                stopRecording();
                ui.toast('The macro is full (' + protocol.MACRO_MAX_STEPS + ' steps)', 'error');
            }
        }
        dirty = true;
        showTimeline();
    }

    function startRecording() {
        return driver.command('startRecord').then(function () {
            recording = true;
            steps = [];
            skipped = 0;
            dirty = true;
            showRecordBar();
            showTimeline();
        }, function (err) { ui.failed('Recording', err); });
    }

    function stopRecording() {
        recording = false;
        showRecordBar();
        return driver.command('stopRecord').catch(function (err) { ui.failed('Stopping the recording', err); })
            .then(function () {
                if (skipped) ui.toast(skipped + ' key stroke(s) could not be used in a macro', 'error');
            });
    }

    // ---- slots ----

    function loadSlots() {
        var token = ++loadToken;
        var d = dev;
        slots = [];
        showSlots();
        var reads = [];
        for (var i = 0; i < SHOWN_SLOTS; i++) reads.push(readSlotState(d, i, token));
        return Promise.all(reads);
    }

    function readSlotState(d, i, token) {
        var at = protocol.macroAddress(i);
        return mouse.isEmpty(d, at, protocol.MACRO_SLOT_SIZE).then(function (empty) {
            if (empty) return { empty: true, steps: 0 };
            return mouse.read(d, at, 1).then(function (b) { return { empty: false, steps: b[0] || 0 }; });
        }).then(function (s) {
            if (token !== loadToken) return;
            slots[i] = s;
            showSlots();
        }, function () {
            if (token !== loadToken) return;
            slots[i] = { error: true };
            showSlots();
        });
    }

    function openSlot(i) {
        var go = function () {
            slot = i;
            steps = [];
            dirty = false;
            showSlots();
            showTimeline();
            showHeader();
            var s = slots[i];
            if (!s || s.empty || s.error) return;
            var d = dev;
            mouse.read(d, address(), protocol.MACRO_SLOT_SIZE).then(function (bytes) {
                if (d !== dev || slot !== i || dirty) return;
                steps = protocol.decodeMacro(bytes);
                showTimeline();
            }, function (err) { ui.failed('Reading the macro', err); });
        };
        if (i === slot) return;
        if (recording) stopRecording();
        if (!dirty || !steps.length) { go(); return; }
        ui.confirm('Discard this macro?', 'The macro you are editing is not written to the mouse yet.', 'Discard', true)
            .then(function (ok) { if (ok) go(); });
    }

    function padded(bytes) {
        var out = bytes.slice();
        while (out.length < protocol.MACRO_SLOT_SIZE) out.push(0);
        return out;
    }

    function write(e) {
        if (!steps.length) { ui.toast('Record or add some steps first', 'error'); return; }
        var d = dev;
        var at = address();
        var bytes = padded(protocol.encodeMacro(steps));
        ui.busy(e.currentTarget, function () {
            return mouse.writeMacro(d, at, bytes).then(function (written) {
                if (written) return true;
                return ui.confirm('Replace macro ' + slot + '?', 'This slot already holds a macro. Replace it with the new one?',
                                  'Replace', true).then(function (ok) {
                    if (!ok) return false;
                    return mouse.clean(d, at, protocol.MACRO_SLOT_SIZE).then(function () { return mouse.writeMacro(d, at, bytes); });
                });
            }).then(function (written) {
                if (!written) return;
                dirty = false;
                slots[slot] = { empty: false, steps: steps.length };
                showSlots();
                ui.toast('Macro ' + slot + ' written to the mouse');
            }, function (err) { ui.failed('Writing the macro', err); });
        });
    }

    function clearSlot(e) {
        var d = dev;
        var at = address();
        var button = e.currentTarget;
        ui.confirm('Clear macro ' + slot + '?', 'Buttons that run this macro will do nothing until it is written again.',
                   'Clear', true).then(function (ok) {
            if (!ok) return;
            ui.busy(button, function () {
                return mouse.clean(d, at, protocol.MACRO_SLOT_SIZE).then(function () {
                    slots[slot] = { empty: true, steps: 0 };
                    steps = [];
                    dirty = false;
                    showSlots();
                    showTimeline();
                    ui.toast('Macro ' + slot + ' cleared');
                }, function (err) { ui.failed('Clearing the macro', err); });
            });
        });
    }

    function addClick() {
        if (steps.length + 2 > protocol.MACRO_MAX_STEPS) { ui.toast('The macro is full', 'error'); return; }
        steps.push({ kind: K.BUTTON_DOWN, code: 1, delay: CLICK_DELAY_MS }, { kind: K.BUTTON_UP, code: 1, delay: CLICK_DELAY_MS });
        dirty = true;
        showTimeline();
    }

    // ---- drawing ----

    function showSlots() {
        if (!els.slots) return;
        ui.clear(els.slots);
        for (var i = 0; i < SHOWN_SLOTS; i++) {
            var s = slots[i];
            var badge = !s ? h('span.badge', '…') : s.error ? h('span.badge.bad', 'error')
                : s.empty ? h('span.badge', 'empty') : h('span.badge.accent', s.steps + ' steps');
            els.slots.appendChild(h('div.slot' + (i === slot ? '.on' : ''), { dataset: { slot: i },
                                    on: { click: openSlot.bind(null, i) } },
                                    ui.icon('macro'), h('span.slot-name', 'Macro ' + i), badge));
        }
    }

    function showHeader() {
        if (els.title) els.title.textContent = 'Macro ' + slot;
        if (els.address) els.address.textContent = 'slot at ' + protocol.formatAddress(address());
    }

    function showRecordBar() {
        if (!els.record) return;
        ui.clear(els.record);
        if (recording) {
            els.record.appendChild(h('button.btn.recording#macro-stop', { on: { click: stopRecording } }, ui.icon('stop'), 'Stop'));
            els.record.appendChild(h('span.rec-dot'));
            els.record.appendChild(h('span.muted', 'Recording — press the keys of your macro'));
        } else {
            els.record.appendChild(h('button.btn.record#macro-record', { on: { click: startRecording } }, ui.icon('record'), 'Record'));
            els.record.appendChild(h('button.btn.ghost', { on: { click: addClick } }, ui.icon('plus'), 'Add left click'));
        }
    }

    function gapWidth(ms) { return Math.round(10 + Math.min(50, Math.log(1 + ms) * 7)); }

    function showTimeline() {
        if (!els.timeline) return;
        ui.clear(els.timeline);
        if (!steps.length) {
            els.timeline.appendChild(h('span.placeholder', recording ? 'Waiting for the first key…'
                : 'This macro is empty. Press Record and type, or add clicks.'));
        }
        steps.forEach(function (s, i) {
            var d = protocol.describeStep(s);
            var remove = h('button.remove', { title: 'Remove step', on: { click: function () {
                steps.splice(i, 1);
                dirty = true;
                showTimeline();
            } } }, ui.icon('close'));
            els.timeline.appendChild(h('div.step.' + (d.down ? 'down' : 'up'),
                h('span.arrow', d.down ? '▼ press' : '▲ release'), h('span.key', d.label), remove));
            if (i === steps.length - 1) return;
            var input = h('input', { type: 'text', value: s.delay + ' ms', title: 'Delay after this step' });
            input.addEventListener('focus', function () { input.value = String(s.delay); input.select(); });
            input.addEventListener('change', function () {
                s.delay = Math.max(0, Math.min(protocol.MAX_DELAY_MS, Math.round(Number(input.value) || 0)));
                dirty = true;
                showTimeline();
            });
            els.timeline.appendChild(h('div.gap', h('div.bar', { style: 'width:' + gapWidth(s.delay) + 'px' }), input));
        });
        els.timeline.scrollLeft = els.timeline.scrollWidth;
        if (els.count) els.count.textContent = steps.length + ' / ' + protocol.MACRO_MAX_STEPS + ' steps';
    }

    function render() {
        ui.clear(body);
        els = {};
        if (!dev) { body.appendChild(ui.noDevice()); return; }
        els.slots = h('div.slot-list');
        els.record = h('div.record-bar');
        els.timeline = h('div.timeline#macro-timeline');
        els.title = h('h2');
        els.address = h('span.hint.mono');
        els.count = h('span.hint');
        body.appendChild(h('div.macro-layout',
            h('div.card', h('div.card-head', h('h2', 'Slots'), h('span.hint', 'first ' + SHOWN_SLOTS + ' of ' + protocol.MACRO_SLOTS)),
              els.slots),
            h('div.stack',
                h('div.card',
                    h('div.card-head', els.title, els.address, h('div.right', els.count)),
                    els.record, els.timeline,
                    h('div.legend', h('span', h('i', { style: 'background:var(--accent)' }), 'press'),
                      h('span', h('i', { style: 'background:#4da6ff' }), 'release'),
                      h('span', 'Click a delay to change it')),
                    h('div.row', { style: 'margin-top:16px' },
                        h('button.btn.primary#macro-write', { on: { click: write } }, ui.icon('download'), 'Write to mouse'),
                        h('button.btn.danger', { on: { click: clearSlot } }, ui.icon('trash'), 'Clear slot'),
                        h('span.grow'),
                        h('button.btn.ghost', { on: { click: function () { app.show('buttons'); } } }, 'Assign to a button…'))),
                h('div.card',
                    h('div.card-head', h('h2', 'How macros work')),
                    h('p.muted', { style: 'margin:0' },
                      'A macro plays key strokes and clicks with the delays shown. Record it here, write it to a slot, then ' +
                      'give a button the action "Macro" with that slot on the Buttons page. The mouse keeps its macros ' +
                      'when it is unplugged.')))));
        showSlots();
        showHeader();
        showRecordBar();
        showTimeline();
    }

    app.addPage({
        id: 'macros', title: 'Macros', icon: 'macro', subtitle: 'Record key sequences for your buttons',
        build: function (root) {
            body = h('div');
            root.appendChild(body);
            driver.on('macroItem', onMacroItem);
        },
        device: function (d) {
            if (d === dev) return;
            dev = d;
            steps = [];
            dirty = false;
            render();
            if (dev && !body.parentNode.hidden) loadSlots();
        },
        enter: function () { if (dev) loadSlots(); },
        leave: function () { if (recording) stopRecording(); }
    });
})();
