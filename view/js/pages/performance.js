// Performance: DPI stages, polling rate, lift-off distance, debounce and lighting, written to
// the mouse as soon as they change.
(function () {
    'use strict';
    var h = ui.h;
    var P = protocol.PROP;
    var STAGE_COLORS = ['#ff4d4d', '#ffb84d', '#3ddc97', '#4da6ff', '#b84dff'];

    var body;
    var dev = null;
    var values = null; // {dpi, polling, liftOff, debounce, lighting}
    var loadToken = 0;
    var showActive = null; // marks the active stage on the page shown now

    function rangeFill(input) {
        var min = Number(input.min), max = Number(input.max);
        input.style.setProperty('--fill', ((Number(input.value) - min) / (max - min) * 100) + '%');
    }

    function range(min, max, step, value, onInput) {
        var input = h('input', { type: 'range', min: min, max: max, step: step, value: value });
        input.addEventListener('input', function () { rangeFill(input); onInput(Number(input.value)); });
        rangeFill(input);
        return input;
    }

    function saveState() { return h('span.save-state', ''); }

    // Writes one property and shows how it went in `indicator`.
    function writer(prop, indicator) {
        var generation = 0;
        return function (bytes) {
            var mine = ++generation;
            indicator.className = 'save-state writing';
            indicator.textContent = 'Writing…';
            return mouse.writeProp(dev, prop, bytes).then(function () {
                if (mine !== generation) return;
                indicator.className = 'save-state saved';
                indicator.textContent = 'Saved to mouse';
            }, function (err) {
                if (mine !== generation) return;
                indicator.className = 'save-state failed';
                indicator.textContent = 'Not saved: ' + driver.describeError(err);
            });
        };
    }

    function dpiCard() {
        var indicator = saveState();
        var write = writer(P.DPI, indicator);
        var writeSoon = ui.debounce(function () { write(protocol.encodeDpi(values.dpi)); }, 350);
        var stages = h('div.stages');
        function mark() {
            Array.prototype.forEach.call(stages.children, function (c, i) { c.classList.toggle('on', i === values.dpi.active); });
        }
        values.dpi.stages.forEach(function (dpi, i) {
            var number = h('input', { type: 'number', min: protocol.DPI_MIN, max: protocol.DPI_MAX, step: protocol.DPI_STEP, value: dpi,
                                      'aria-label': 'Stage ' + (i + 1) + ' DPI' });
            var slider = range(protocol.DPI_MIN, protocol.DPI_MAX, protocol.DPI_STEP, dpi, function (v) {
                number.value = v;
                values.dpi.stages[i] = v;
                writeSoon();
            });
            number.addEventListener('change', function () {
                var v = protocol.clampDpi(number.value);
                number.value = v;
                slider.value = v;
                rangeFill(slider);
                values.dpi.stages[i] = v;
                writeSoon();
            });
            number.addEventListener('click', function (e) { e.stopPropagation(); });
            slider.addEventListener('click', function (e) { e.stopPropagation(); });
            stages.appendChild(h('div.stage', { dataset: { stage: i }, on: { click: function () { activate(i); } } },
                h('div.stage-top', h('span', 'Stage ' + (i + 1)), h('span.stage-dot', { style: 'background:' + STAGE_COLORS[i] })),
                number, h('div.stage-unit', 'DPI'), slider));
        });
        function activate(i) {
            if (i === values.dpi.active) return;
            values.dpi.active = i;
            mark();
            // The notification switches the stage and makes the mouse report it.
            mouse.notify(dev, protocol.NOTIFY.DPI, i).catch(function () { write(protocol.encodeDpi(values.dpi)); });
        }
        mark();
        showActive = function (stage) { values.dpi.active = stage; mark(); };
        return h('div.card.span-2',
            h('div.card-head', h('h2', 'Sensitivity'), h('span.hint', 'Click a stage to make it active; the DPI buttons step through them'),
              h('div.right', indicator)),
            stages);
    }

    function pollingCard() {
        var pollingState = saveState();
        var writePolling = writer(P.POLLING, pollingState);
        var liftState = saveState();
        var writeLift = writer(P.LIFT_OFF, liftState);
        var debounceState = saveState();
        var writeDebounce = writer(P.DEBOUNCE, debounceState);
        var debounceValue = h('span.value', values.debounce + ' ms');
        var interval = h('b');
        function showInterval() {
            var hz = protocol.pollingHz(values.polling);
            interval.textContent = hz ? (1000 / hz).toFixed(1) + ' ms' : '—';
        }
        showInterval();
        var writeDebounceSoon = ui.debounce(function () { writeDebounce([values.debounce]); }, 300);
        return [
            h('div.card#perf-polling',
                h('div.card-head', h('h2', 'Polling rate'), h('div.right', pollingState)),
                ui.segmented(protocol.POLLING_RATES.map(function (r) { return { value: r.code, label: r.hz + ' Hz' }; }),
                             values.polling, function (code) {
                                 values.polling = code;
                                 showInterval();
                                 writePolling([code]);
                             }, 'wide'),
                h('div.interval', interval, h('span.muted', 'between two reports')),
                h('p.faint.small', { style: 'margin:12px 0 0' }, 'How often the mouse reports its position. 1000 Hz reacts fastest.')),
            h('div.card',
                h('div.card-head', h('h2', 'Sensor and buttons')),
                h('div.setting',
                    h('div.setting-text', h('b', 'Lift-off distance'), h('span', 'Height at which the sensor stops tracking')),
                    liftState,
                    ui.segmented([1, 2, 3].map(function (mm) { return { value: mm, label: mm + ' mm' }; }), values.liftOff,
                                 function (mm) { values.liftOff = mm; writeLift([mm]); })),
                h('div.setting',
                    h('div.setting-text', h('b', 'Button debounce'), h('span', 'Ignores switch bounce shorter than this')),
                    debounceState,
                    range(0, 32, 1, values.debounce, function (v) {
                        values.debounce = v;
                        debounceValue.textContent = v + ' ms';
                        writeDebounceSoon();
                    }), debounceValue))
        ];
    }

    function lightingCard() {
        var indicator = saveState();
        var write = writer(P.LIGHTING, indicator);
        var l = values.lighting;
        var writeSoon = ui.debounce(function () { write(protocol.encodeLighting(l)); }, 250);
        var preview = h('div.light-preview');
        var brightnessValue = h('span.value', l.brightness + ' %');
        var speedValue = h('span.value', String(l.speed));
        function showPreview() {
            preview.className = 'light-preview' + (l.effect === 2 ? ' breathing' : l.effect === 3 ? ' cycle' : '');
            preview.style.background = l.effect ? l.color : 'var(--surface-3)';
            preview.style.opacity = l.effect ? String(0.25 + 0.75 * l.brightness / 100) : '1';
            preview.style.boxShadow = l.effect ? '0 0 14px ' + l.color : 'none';
        }
        var color = h('input', { type: 'color', value: l.color, 'aria-label': 'Colour' });
        color.addEventListener('input', function () { l.color = color.value; showPreview(); writeSoon(); });
        showPreview();
        return h('div.card.span-2',
            h('div.card-head', h('h2', 'Lighting'), h('div.right', indicator)),
            h('div.row.wrap', { style: 'gap:18px' },
                ui.segmented(protocol.LIGHTING_EFFECTS.map(function (name, i) { return { value: i, label: name }; }), l.effect,
                             function (v) { l.effect = v; showPreview(); writeSoon(); }),
                h('div.row', h('span.field-label', 'Colour'), color)),
            h('div.grid', { style: 'margin-top:8px' },
                h('div.setting', h('div.setting-text', h('b', 'Brightness')),
                  range(0, 100, 1, l.brightness, function (v) { l.brightness = v; brightnessValue.textContent = v + ' %'; showPreview(); writeSoon(); }),
                  brightnessValue),
                h('div.setting', h('div.setting-text', h('b', 'Effect speed')),
                  range(1, 5, 1, l.speed, function (v) { l.speed = v; speedValue.textContent = String(v); writeSoon(); }),
                  speedValue)),
            preview);
    }

    function render() {
        ui.clear(body);
        showActive = null;
        if (!dev) { body.appendChild(ui.noDevice()); return; }
        body.appendChild(h('div.grid', dpiCard(), pollingCard(), lightingCard()));
    }

    function load() {
        var token = ++loadToken;
        ui.clear(body).appendChild(h('div.empty', h('p', 'Reading the mouse…')));
        if (!dev) { render(); return; }
        var d = dev;
        Promise.all([P.DPI, P.POLLING, P.LIFT_OFF, P.DEBOUNCE, P.LIGHTING].map(function (p) { return mouse.readProp(d, p); }))
            .then(function (r) {
                if (token !== loadToken) return;
                values = {
                    dpi: protocol.decodeDpi(r[0]), polling: r[1][0], liftOff: r[2][0], debounce: r[3][0],
                    lighting: protocol.decodeLighting(r[4])
                };
                render();
            }, function (err) {
                if (token !== loadToken) return;
                ui.clear(body).appendChild(ui.unavailable('Reading the mouse', err, load));
            });
    }

    app.addPage({
        id: 'performance', title: 'Performance', icon: 'gauge', subtitle: 'Sensitivity, polling and lighting',
        build: function (root) {
            body = h('div');
            root.appendChild(body);
            driver.on('onDeviceData', function (args) {
                var r = protocol.decodeReport(String(args[0] || ''));
                if (r.kind === 'dpi' && values && showActive) showActive(r.stage);
            });
        },
        device: function (d) {
            var changed = d !== dev;
            dev = d;
            if (!changed) return;
            values = null;
            showActive = null;
            if (!body.parentNode.hidden) load(); else ui.clear(body);
        },
        enter: load
    });
})();
