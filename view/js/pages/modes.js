// Modes: bind programs to the mouse's modes. The driver watches the bound programs and tells
// the page when one starts or stops; the page then switches the mouse's mode.
(function () {
    'use strict';
    var h = ui.h;
    var DOC = xmldocs.BINDINGS;
    var AUTO_KEY = 'autoModeSwitch';

    var body;
    var modes = {};          // mode index text -> [{path, icon}]
    var activeMode = null;   // the mouse's mode, as far as the page knows
    var baseMode = null;     // the mode to go back to when no bound program runs
    var running = [];        // mode indexes of the bound programs running now, latest last

    function autoSwitch() { return localStorage.getItem(AUTO_KEY) !== 'false'; }

    function modeXpath(index) { return '/conf/modeSetting/mode[@index=' + xmldocs.literal(index) + ']'; }

    function fileUrl(path) {
        var p = String(path).replace(/\\/g, '/');
        return 'file://' + (p.charAt(0) === '/' ? '' : '/') + p.split('/').map(encodeURIComponent).join('/');
    }

    function baseName(path) { return String(path).split(/[\\/]/).pop(); }

    // ---- switching ----

    function switchMode(mode, why) {
        var d = mouse.current();
        if (!d || mode === null || isNaN(mode) || mode < 0 || mode >= protocol.MODE_COUNT) return Promise.resolve();
        return mouse.notify(d, protocol.NOTIFY.MODE, mode).then(function () {
            activeMode = mode;
            if (why) ui.toast(why);
            render();
        }, function (err) { ui.failed('Switching the mode', err); });
    }

    function onProcessChanged(args) {
        var mode = Number(args[0]);
        var started = args[1] === true;
        var i = running.indexOf(mode);
        if (started) {
            if (!running.length) baseMode = activeMode;
            if (i >= 0) running.splice(i, 1);
            running.push(mode);
        } else if (i >= 0) {
            running.splice(i, 1);
        }
        if (autoSwitch()) {
            if (started) switchMode(mode, 'A program bound to mode ' + (mode + 1) + ' started');
            else if (running.length) switchMode(running[running.length - 1], 'Back to mode ' + (running[running.length - 1] + 1));
            else if (baseMode !== null) switchMode(baseMode, 'Bound programs closed; back to mode ' + (baseMode + 1));
        }
        render();
    }

    function onReport(args) {
        var r = protocol.decodeReport(String(args[0] || ''));
        if (r.kind !== 'mode') return;
        activeMode = r.mode;
        render();
    }

    // ---- bindings ----

    function load() {
        var d = mouse.current();
        if (d) mouse.readProp(d, protocol.PROP.MODE).then(function (b) { activeMode = b[0]; render(); }, function () {});
        return xmldocs.query(DOC, '/conf/modeSetting/mode').then(function (els) {
            modes = {};
            els.forEach(function (m) {
                var index = m.getAttribute('index') || '';
                modes[index] = Array.prototype.map.call(m.children, function (c) {
                    return { path: c.getAttribute('bindingProcess') || '', icon: c.getAttribute('icon') || '' };
                }).filter(function (p) { return p.path; });
            });
            render();
        }, function (err) {
            ui.clear(body).appendChild(ui.unavailable('The program bindings', err, load));
        });
    }

    // The driver writes the bindings and restarts its watcher; without a watcher it does not
    // answer, and the bindings are written anyway.
    function commit(message) {
        return driver.command('confChanged').then(function () {
            xmldocs.setUnsaved(false);
        }, function (err) {
            if (!err.timeout) throw err;
            return xmldocs.save();
        }).then(function () { ui.toast(message); return load(); });
    }

    function bind(index, button) {
        driver.command('openFileDialogExe', {}, { timeout: 0 }).then(function (reply) {
            var cut = reply.lastIndexOf('|');
            var path = cut >= 0 ? reply.slice(0, cut) : reply;
            var icon = cut >= 0 ? reply.slice(cut + 1) : '';
            if (path.indexOf(';') >= 0) { ui.toast('Program paths with ";" cannot be bound', 'error'); return; }
            if ((modes[index] || []).some(function (p) { return p.path === path; })) {
                ui.toast(baseName(path) + ' is bound to this mode already');
                return;
            }
            ui.busy(button, function () {
                var ready = modes[index] ? Promise.resolve()
                    : xmldocs.add(DOC, '/conf/modeSetting', 'mode', { index: index });
                return ready.then(function () {
                    var attributes = { bindingProcess: path };
                    if (icon) attributes.icon = icon;
                    return xmldocs.add(DOC, modeXpath(index), 'program', attributes);
                }).then(function () { return commit(baseName(path) + ' now switches to mode ' + (Number(index) + 1)); })
                  .catch(function (err) { ui.failed('Binding the program', err); });
            });
        }, function (err) { ui.failed('The file dialog', err); });
    }

    function unbind(index, program) {
        xmldocs.remove(DOC, modeXpath(index) + '/*[@bindingProcess=' + xmldocs.literal(program.path) + ']')
            .then(function () { return commit(baseName(program.path) + ' unbound'); })
            .catch(function (err) { ui.failed('Unbinding the program', err); });
    }

    // ---- drawing ----

    function programChip(index, p) {
        var img = p.icon ? h('img', { src: fileUrl(p.icon) + '?' + Date.now(), alt: '' }) : ui.icon('app');
        if (p.icon) img.addEventListener('error', function () { img.replaceWith(ui.icon('app')); });
        return h('div.program', { title: p.path }, img, h('span', baseName(p.path)),
                 h('button', { title: 'Unbind', on: { click: function () { unbind(index, p); } } }, ui.icon('close')));
    }

    function render() {
        if (!body) return;
        ui.clear(body);
        var d = mouse.current();
        if (running.length) {
            body.appendChild(h('div.banner', ui.icon('bolt'),
                h('span', 'A bound program is running: mode ' + (running[running.length - 1] + 1) +
                  (autoSwitch() ? ' is switched on.' : ' (automatic switching is off).'))));
        }
        body.appendChild(h('div.card', { style: 'margin-bottom:16px' },
            h('div.setting',
                h('div.setting-text', h('b', 'Switch modes automatically'),
                  h('span', 'When a bound program starts, the mouse changes to its mode; when it stops, the mouse goes back.')),
                ui.toggle(autoSwitch(), function (on) { localStorage.setItem(AUTO_KEY, on ? 'true' : 'false'); render(); }))));
        var list = h('div.mode-list#mode-list');
        for (var m = 0; m < protocol.MODE_COUNT; m++) {
            (function (m) {
                var index = String(m);
                var programs = modes[index] || [];
                var add = h('button.btn.small', { dataset: { mode: index } }, ui.icon('plus'), 'Bind program…');
                add.addEventListener('click', function () { bind(index, add); });
                var isActive = activeMode === m;
                list.appendChild(h('div.mode-card' + (isActive ? '.on' : ''), { dataset: { mode: index } },
                    h('div.mode-title', h('b', 'Mode ' + (m + 1)),
                      isActive ? h('span.badge.accent', 'Active on the mouse') : h('span.faint.small', programs.length + ' program(s)')),
                    h('div.programs', programs.length ? programs.map(function (p) { return programChip(index, p); })
                                                      : h('span.faint', 'No programs bound')),
                    h('div.row', add,
                      h('button.btn.small.ghost', { disabled: !d || isActive, on: { click: function () { switchMode(m); } } },
                        'Switch now'))));
            })(m);
        }
        body.appendChild(list);
    }

    app.addPage({
        id: 'modes', title: 'Modes', icon: 'modes', subtitle: 'Bind programs to mouse modes',
        build: function (root) {
            body = h('div');
            root.appendChild(body);
            driver.on('onProcessChanged', onProcessChanged);
            driver.on('onDeviceData', onReport);
        },
        device: function (d) {
            activeMode = null;
            if (d) mouse.readProp(d, protocol.PROP.MODE).then(function (b) { activeMode = b[0]; render(); }, function () {});
        },
        enter: load
    });
})();
