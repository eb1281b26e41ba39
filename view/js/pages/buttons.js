// Buttons: what each of the eight buttons does in each of the five modes, read from and
// written to the button map in the mouse's memory.
(function () {
    'use strict';
    var h = ui.h;
    var A = protocol.ACTION;

    var body;
    var dev = null;
    var mode = 0;
    var map = null;
    var selected = 0;
    var dirty = false;
    var loadToken = 0;
    var els = {};

    function option(value, label, current) {
        return h('option', { value: String(value), selected: value === current }, label);
    }

    function select(options, current, onChange, label) {
        var s = h('select', { 'aria-label': label || '' }, options.map(function (o) { return option(o.value, o.label, current); }));
        s.addEventListener('change', function () { onChange(Number(s.value)); });
        return s;
    }

    function setDirty(value) {
        dirty = value;
        if (els.dirty) els.dirty.hidden = !dirty;
    }

    function change(fields) {
        Object.keys(fields).forEach(function (k) { map[selected][k] = fields[k]; });
        setDirty(true);
        showRows();
    }

    // Sensible parameters when the action kind changes.
    function defaultsFor(action) {
        switch (action) {
        case A.MOUSE: return { p1: 1, p2: 0, p3: 0 };
        case A.KEY: return { p1: 0, p2: 0x04, p3: 0 };
        case A.DPI: return { p1: 1, p2: 0, p3: 0 };
        case A.MACRO: return { p1: 0, p2: 0, p3: 0 };
        case A.MODE: return { p1: 0, p2: 0, p3: 0 };
        default: return { p1: 0, p2: 0, p3: 0 };
        }
    }

    function parameterEditor(e) {
        switch (e.action) {
        case A.MOUSE:
            return h('div.row', h('span.field-label', 'Button'),
                     select([1, 2, 3, 4, 5].map(function (b) { return { value: b, label: protocol.MOUSE_BUTTONS[b] }; }), e.p1,
                            function (v) { change({ p1: v }); }, 'Mouse button'));
        case A.KEY:
            return [
                h('div.row', h('span.field-label', 'Key'),
                  select(protocol.KEYS.map(function (k) { return { value: k.usage, label: k.name }; }), e.p2,
                         function (v) { change({ p2: v }); }, 'Key')),
                h('div.row.wrap', h('span.field-label', 'With'),
                  protocol.MODIFIERS.slice(0, 4).map(function (m) {
                      var box = h('input', { type: 'checkbox', checked: !!(e.p1 & m.bit) });
                      box.addEventListener('change', function () { change({ p1: box.checked ? e.p1 | m.bit : e.p1 & ~m.bit }); });
                      return h('label.check', box, m.name);
                  }))
            ];
        case A.DPI:
            return h('div.row', h('span.field-label', 'Step'),
                     ui.segmented([{ value: 1, label: 'Next stage' }, { value: 2, label: 'Previous stage' }], e.p1,
                                  function (v) { change({ p1: v }); }));
        case A.MACRO:
            var slot = h('input', { type: 'number', min: 0, max: protocol.MACRO_SLOTS - 1, value: e.p1, 'aria-label': 'Macro slot' });
            slot.addEventListener('change', function () {
                var v = Math.max(0, Math.min(protocol.MACRO_SLOTS - 1, Math.round(Number(slot.value) || 0)));
                slot.value = v;
                change({ p1: v });
            });
            return [
                h('div.row', h('span.field-label', 'Macro slot'), slot,
                  h('button.btn.ghost.small', { on: { click: function () { app.show('macros'); } } }, 'Edit macros…')),
                h('div.row', h('span.field-label', 'Runs'),
                  ui.segmented(protocol.MACRO_RUN.map(function (n, i) { return { value: i, label: n }; }), e.p2,
                               function (v) { change({ p2: v }); }))
            ];
        case A.MODE:
            return h('div.row', h('span.field-label', 'Switch to'),
                     select([{ value: 0, label: 'Next mode' }].concat([1, 2, 3, 4, 5].map(function (m) {
                         return { value: m, label: 'Mode ' + m };
                     })), e.p1, function (v) { change({ p1: v }); }, 'Mode'));
        default:
            return h('p.faint.small', { style: 'margin:0' }, 'The button does nothing.');
        }
    }

    function showEditor() {
        var e = map[selected];
        ui.clear(els.editor).appendChild(h('div.row',
            h('b', 'Button ' + (selected + 1)), h('span.muted', protocol.BUTTON_NAMES[selected])));
        els.editor.appendChild(h('div.row', h('span.field-label', 'Action'),
            select(protocol.ACTION_NAMES.map(function (n, i) { return { value: i, label: n }; }), e.action, function (v) {
                var fields = defaultsFor(v);
                fields.action = v;
                change(fields);
                showEditor();
            }, 'Action')));
        [].concat(parameterEditor(e)).forEach(function (n) { els.editor.appendChild(n); });
    }

    function choose(i) {
        selected = i;
        showRows();
        showEditor();
    }

    function showRows() {
        ui.clear(els.rows);
        map.forEach(function (e, i) {
            els.rows.appendChild(h('div.button-row' + (i === selected ? '.on' : ''), { dataset: { button: i + 1 },
                                   on: { click: function () { choose(i); } } },
                h('span.num', String(i + 1)), h('span.what', protocol.BUTTON_NAMES[i]),
                h('span.assign', protocol.describeAction(e))));
        });
        Array.prototype.forEach.call(els.art.querySelectorAll('.hot'), function (g) {
            g.classList.toggle('on', Number(g.dataset.button) === selected + 1);
        });
    }

    function save(e) {
        var d = dev;
        return ui.busy(e.currentTarget, function () {
            return mouse.write(d, protocol.buttonMapAddress(mode), protocol.encodeButtonMap(map)).then(function () {
                setDirty(false);
                ui.toast('Buttons of mode ' + (mode + 1) + ' saved to the mouse');
            }, function (err) { ui.failed('Saving the buttons', err); });
        });
    }

    function render() {
        ui.clear(body);
        if (!dev) { body.appendChild(ui.noDevice()); return; }
        els.art = h('div.mouse-map', { html: art.mouseSvg({ numbers: true }) });
        els.art.addEventListener('click', function (e) {
            var g = e.target.closest('.hot');
            if (g) choose(Number(g.dataset.button) - 1);
        });
        els.rows = h('div.button-rows');
        els.editor = h('div.editor');
        els.dirty = h('span.badge.warn', { hidden: !dirty }, 'Unsaved changes');
        body.appendChild(h('div.toolbar', { style: 'margin-bottom:16px' },
            ui.segmented([0, 1, 2, 3, 4].map(function (m) { return { value: m, label: 'Mode ' + (m + 1) }; }), mode, function (m) {
                if (m === mode) return;
                var go = function () { mode = m; setDirty(false); load(); };
                if (!dirty) { go(); return; }
                ui.confirm('Discard changes?', 'The buttons of mode ' + (mode + 1) + ' have changes that are not saved.',
                           'Discard', true).then(function (ok) { if (ok) go(); else render(); });
            }),
            h('span.grow'), els.dirty,
            h('button.btn.ghost', { on: { click: function () { map = protocol.factoryButtonMap(); setDirty(true); showRows(); showEditor(); } } },
              ui.icon('refresh'), 'Factory layout'),
            h('button.btn.primary#buttons-save', { on: { click: save } }, ui.icon('download'), 'Save to mouse')));
        body.appendChild(h('div.buttons-layout',
            h('div.card', els.art),
            h('div.card', els.rows, els.editor)));
        showRows();
        showEditor();
    }

    function load() {
        var token = ++loadToken;
        var d = dev;
        if (!d) { render(); return; }
        ui.clear(body).appendChild(h('div.empty', h('p', 'Reading the button map…')));
        mouse.read(d, protocol.buttonMapAddress(mode), protocol.BUTTON_COUNT * 4).then(function (bytes) {
            if (token !== loadToken) return;
            map = protocol.decodeButtonMap(bytes);
            render();
        }, function (err) {
            if (token !== loadToken) return;
            ui.clear(body).appendChild(ui.unavailable('The button map', err, load));
        });
    }

    app.addPage({
        id: 'buttons', title: 'Buttons', icon: 'buttons', subtitle: 'Assign an action to every button, per mode',
        build: function (root) { body = h('div'); root.appendChild(body); },
        device: function (d) {
            if (d === dev) return;
            dev = d;
            map = null;
            setDirty(false);
            if (!body.parentNode.hidden) load(); else ui.clear(body);
        },
        enter: function () { if (!dirty) load(); }
    });
})();
