// Device: the connected mice with their product information, their state, and the data
// reports they send, live.
(function () {
    'use strict';
    var h = ui.h;
    var P = protocol.PROP;

    var root, body, reports;
    var dev = null;
    var live = { mode: null, stage: null, dpi: null, polling: null };
    var reportItems = [];

    function stat(label, value, id) {
        return h('div.stat', h('b', { id: id }, value), h('span', label));
    }

    function setStat(id, text) {
        var el = document.getElementById(id);
        if (el) el.textContent = text;
    }

    function showLive() {
        setStat('dev-mode', live.mode === null ? '—' : 'Mode ' + (live.mode + 1));
        setStat('dev-dpi', live.dpi === null ? '—' : live.dpi + ' DPI');
        setStat('dev-polling', live.polling ? live.polling + ' Hz' : '—');
        var stageChip = document.getElementById('dev-stage-chip');
        if (stageChip) stageChip.textContent = live.stage === null ? 'DPI stage —' : 'DPI stage ' + (live.stage + 1);
    }

    function pickers(state) {
        if (state.devices.length < 2 && !(state.selected && mouse.isLoader(state.selected))) return null;
        return h('div.device-list', state.devices.map(function (d) {
            return h('div.device-pick' + (state.selected && d.HardwareID === state.selected.HardwareID ? '.on' : ''),
                     { on: { click: function () { mouse.select(d.HardwareID); } } },
                     h('span.dot.' + (mouse.isLoader(d) ? 'warn' : 'ok')),
                     h('span', app.deviceLabel(d)), h('span.faint.small', d.SN));
        }));
    }

    function render() {
        var state = mouse.state;
        ui.clear(body);
        if (state.status === 'error') {
            body.appendChild(ui.unavailable('The device list', state.error, mouse.refresh));
            return;
        }
        var list = pickers(state);
        if (list) body.appendChild(list);
        if (!dev) {
            if (state.selected && mouse.isLoader(state.selected)) {
                body.appendChild(ui.panel('nodevice', 'Firmware update in progress',
                    'The mouse restarted into its update mode. Leave it plugged in; it comes back by itself.'));
            } else {
                body.appendChild(ui.noDevice());
            }
            return;
        }
        var art = h('div.device-art#dev-art', { html: window.art.mouseSvg({ light: '#ff3000' }) });
        body.appendChild(h('div.card.device-hero',
            art,
            h('div.grow',
                h('h2#dev-name', app.deviceLabel(dev)),
                h('p.desc', dev.description || 'Brimlock gaming mouse'),
                h('div.chips',
                    h('span.badge.ok', h('span.dot.ok'), 'Connected'),
                    h('span.badge', 'Firmware ' + (dev.Version || '—')),
                    h('span.badge.accent#dev-stage-chip', 'DPI stage —')),
                h('div.stat-row', stat('Active mode', '—', 'dev-mode'), stat('Sensitivity', '—', 'dev-dpi'),
                  stat('Polling rate', '—', 'dev-polling')),
                h('div.row', { style: 'margin-top:16px' },
                    h('button.btn#dev-identify', { on: { click: identify } }, ui.icon('eye'), 'Identify'),
                    h('button.btn.ghost', { on: { click: function (e) { ui.busy(e.currentTarget, loadState); } } },
                      ui.icon('refresh'), 'Refresh')))));

        body.appendChild(h('div.grid', { style: 'margin-top:16px' },
            h('div.card',
                h('div.card-head', h('h2', 'Details')),
                h('dl.kv',
                    h('dt', 'Product'), h('dd', [dev.productName, dev.productCN].filter(Boolean).join(' · ') || '—'),
                    h('dt', 'Type'), h('dd', dev.productType || '—'),
                    h('dt', 'Device ID'), h('dd.mono', dev.DeviceID),
                    h('dt', 'Serial number'), h('dd.mono#dev-sn', dev.SN),
                    h('dt', 'Onboard firmware'), h('dd#dev-firmware', '—'),
                    h('dt', 'Mask'), h('dd.mono', dev.MASK || '—'),
                    h('dt', 'Hardware ID'), h('dd.mono', { title: dev.HardwareID }, dev.HardwareID),
                    h('dt', 'Device path'), h('dd.mono', { title: dev.DevicePath }, dev.DevicePath))),
            h('div.card',
                h('div.card-head', h('h2', 'Live reports'), h('span.hint', 'what the mouse tells the driver')),
                reports = h('ul.report-list#dev-reports'))));
        showReports();
        showLive();
        loadState();
    }

    function loadState() {
        var d = dev;
        if (!d) return Promise.resolve();
        function read(prop, apply) {
            return mouse.readProp(d, prop).then(function (bytes) { if (d === dev) apply(bytes); }, function () {});
        }
        return Promise.all([
            read(P.INFO, function (b) {
                var info = protocol.decodeInfo(b);
                var el = document.getElementById('dev-firmware');
                if (el) el.textContent = 'Model ' + info.model + ' · ' + info.firmware;
            }),
            read(P.MODE, function (b) { live.mode = b[0]; }),
            read(P.DPI, function (b) {
                var dpi = protocol.decodeDpi(b);
                live.stage = dpi.active;
                live.dpi = dpi.stages[dpi.active] || null;
            }),
            read(P.POLLING, function (b) { live.polling = protocol.pollingHz(b[0]); }),
            read(P.LIGHTING, function (b) {
                var l = protocol.decodeLighting(b);
                var el = document.getElementById('dev-art');
                if (el) el.innerHTML = window.art.mouseSvg({ light: l.effect ? l.color : null });
            })
        ]).then(showLive);
    }

    function identify(e) {
        ui.busy(e.currentTarget, function () {
            return mouse.notify(dev, protocol.NOTIFY.IDENTIFY, 0).then(function () {
                ui.toast('The mouse is blinking');
            }, function (err) { ui.failed('Identify', err); });
        });
    }

    function showReports() {
        if (!reports) return;
        ui.clear(reports);
        if (!reportItems.length) {
            reports.appendChild(h('li.faint', { style: 'display:block' }, 'Nothing yet. Change the DPI stage or the mode on the mouse.'));
            return;
        }
        reportItems.forEach(function (r) {
            reports.appendChild(h('li', h('span.faint', r.time), h('span.mono', r.hex), h('span', r.text)));
        });
    }

    function onReport(args) {
        var hex = String(args[0] || '');
        var report = protocol.decodeReport(hex);
        if (report.kind === 'mode') live.mode = report.mode;
        if (report.kind === 'dpi') { live.stage = report.stage; live.dpi = report.dpi; }
        reportItems.unshift({ time: new Date().toLocaleTimeString(), hex: hex, text: report.text });
        if (reportItems.length > 50) reportItems.pop();
        showReports();
        showLive();
    }

    app.addPage({
        id: 'device', title: 'Device', icon: 'mouse', subtitle: 'Your mouse and what it reports',
        build: function (r) {
            root = r;
            body = h('div');
            root.appendChild(body);
            driver.on('onDeviceData', onReport);
        },
        device: function (d) {
            if (d !== dev) live = { mode: null, stage: null, dpi: null, polling: null };
            dev = d;
            render();
        },
        enter: function () { if (dev) loadState(); }
    });
})();
