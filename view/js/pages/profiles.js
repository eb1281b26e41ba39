// Profiles: named sets of mouse settings kept in the profile document; saved from the mouse,
// applied to it, exported to and imported from .pfd files.
(function () {
    'use strict';
    var h = ui.h;
    var P = protocol.PROP;
    var DOC = xmldocs.PROFILES;

    var body, listEl, unsavedBadge;
    var profiles = [];
    var selected = null;   // index attribute of the chosen profile
    var renaming = false;

    function xpathOf(index) { return '/profiles/profile[@index=' + xmldocs.literal(index) + ']'; }

    function num(el, name, fallback) {
        var v = el && el.getAttribute(name);
        return v === null || v === undefined || v === '' || isNaN(Number(v)) ? fallback : Number(v);
    }

    function readProfile(el) {
        var perf = el.querySelector('performance');
        var stages = Array.prototype.map.call(el.querySelectorAll('performance > stage'), function (s) { return num(s, 'dpi', 0); });
        var light = el.querySelector('lighting');
        var buttonModes = Array.prototype.map.call(el.querySelectorAll('buttons > mode'), function (m) {
            var map = protocol.factoryButtonMap();
            Array.prototype.forEach.call(m.querySelectorAll('button'), function (b) {
                var i = num(b, 'index', -1);
                if (i >= 0 && i < protocol.BUTTON_COUNT)
                    map[i] = { action: num(b, 'action', 0), p1: num(b, 'p1', 0), p2: num(b, 'p2', 0), p3: num(b, 'p3', 0) };
            });
            return { mode: num(m, 'index', 0), map: map };
        });
        return {
            index: el.getAttribute('index') || '',
            name: el.getAttribute('name') || 'Profile',
            active: el.getAttribute('active') === 'true',
            dpi: stages.length === protocol.DPI_STAGES ? { active: num(perf, 'currentStage', 0), stages: stages } : null,
            pollingHz: num(perf, 'pollingRate', 0),
            liftOff: num(perf, 'liftOff', 0),
            debounce: num(perf, 'debounce', null),
            lighting: light ? { effect: num(light, 'effect', 1), color: light.getAttribute('color') || '#ff3000',
                                brightness: num(light, 'brightness', 80), speed: num(light, 'speed', 3) } : null,
            buttons: buttonModes
        };
    }

    // The profile's content as the page stores it, from the mouse's current settings.
    function fragmentFrom(s, colors) {
        var x = xmldocs.escapeXml;
        var out = '<performance dpiStages="' + s.dpi.stages.length + '" currentStage="' + s.dpi.active + '" pollingRate="' +
                  protocol.pollingHz(s.polling) + '" liftOff="' + s.liftOff + '" debounce="' + s.debounce + '">';
        s.dpi.stages.forEach(function (dpi, i) {
            out += '<stage index="' + i + '" dpi="' + dpi + '"' + (colors[i] ? ' color="' + x(colors[i]) + '"' : '') + ' />';
        });
        out += '</performance>';
        out += '<lighting effect="' + s.lighting.effect + '" color="' + x(s.lighting.color) + '" brightness="' +
               s.lighting.brightness + '" speed="' + s.lighting.speed + '" />';
        out += '<buttons>';
        s.maps.forEach(function (map, m) {
            out += '<mode index="' + m + '">';
            map.forEach(function (e, b) {
                out += '<button index="' + b + '" action="' + e.action + '" p1="' + e.p1 + '" p2="' + e.p2 + '" p3="' + e.p3 + '" />';
            });
            out += '</mode>';
        });
        return out + '</buttons><macros />';
    }

    function readMouse(d) {
        var props = [P.DPI, P.POLLING, P.LIFT_OFF, P.DEBOUNCE, P.LIGHTING].map(function (p) { return mouse.readProp(d, p); });
        var maps = [];
        for (var m = 0; m < protocol.MODE_COUNT; m++)
            maps.push(mouse.read(d, protocol.buttonMapAddress(m), protocol.BUTTON_COUNT * 4).then(protocol.decodeButtonMap));
        return Promise.all([Promise.all(props), Promise.all(maps)]).then(function (r) {
            return { dpi: protocol.decodeDpi(r[0][0]), polling: r[0][1][0], liftOff: r[0][2][0], debounce: r[0][3][0],
                     lighting: protocol.decodeLighting(r[0][4]), maps: r[1] };
        });
    }

    function current() { return profiles.filter(function (p) { return p.index === selected; })[0] || null; }

    function load() {
        return xmldocs.query(DOC, '/profiles/profile').then(function (els) {
            profiles = els.map(readProfile);
            if (!current()) selected = (profiles.filter(function (p) { return p.active; })[0] || profiles[0] || {}).index || null;
            render();
        }, function (err) {
            ui.clear(body).appendChild(ui.unavailable('The profile document', err, load));
        });
    }

    function run(button, what, work, done) {
        return ui.busy(button, function () {
            return Promise.resolve().then(work).then(function (message) {
                if (message) ui.toast(message);
                return done === false ? null : load();
            }, function (err) { ui.failed(what, err); });
        });
    }

    // ---- actions ----

    function saveFromMouse(e) {
        var p = current();
        var d = mouse.current();
        if (!p || !d) { ui.toast(d ? 'Choose a profile first' : 'Connect a mouse first', 'error'); return; }
        run(e.currentTarget, 'Saving the profile', function () {
            // The stage colours are the profile's own; they are kept.
            var colors = xmldocs.query(DOC, xpathOf(p.index) + '/performance/stage').then(function (els) {
                return els.map(function (s) { return s.getAttribute('color'); });
            }, function () { return []; });
            return Promise.all([readMouse(d), colors]).then(function (r) {
                return xmldocs.replaceContent(DOC, xpathOf(p.index), fragmentFrom(r[0], r[1]));
            }).then(function () { return '"' + p.name + '" now holds the mouse\'s settings'; });
        });
    }

    function applyToMouse(e) {
        var p = current();
        var d = mouse.current();
        if (!p || !d) { ui.toast(d ? 'Choose a profile first' : 'Connect a mouse first', 'error'); return; }
        run(e.currentTarget, 'Applying the profile', function () {
            var writes = [];
            if (p.dpi) writes.push(mouse.writeProp(d, P.DPI, protocol.encodeDpi(p.dpi)));
            if (protocol.pollingCode(p.pollingHz)) writes.push(mouse.writeProp(d, P.POLLING, [protocol.pollingCode(p.pollingHz)]));
            if (p.liftOff >= 1 && p.liftOff <= 3) writes.push(mouse.writeProp(d, P.LIFT_OFF, [p.liftOff]));
            if (p.debounce !== null) writes.push(mouse.writeProp(d, P.DEBOUNCE, [p.debounce]));
            if (p.lighting) writes.push(mouse.writeProp(d, P.LIGHTING, protocol.encodeLighting(p.lighting)));
            p.buttons.forEach(function (b) {
                writes.push(mouse.write(d, protocol.buttonMapAddress(b.mode), protocol.encodeButtonMap(b.map)));
            });
            return Promise.all(writes).then(function () {
                return xmldocs.modify(DOC, '/profiles/profile', { active: 'false' });
            }).then(function () {
                return xmldocs.modify(DOC, xpathOf(p.index), { active: 'true' });
            }).then(function () { return '"' + p.name + '" applied to the mouse'; });
        });
    }

    function addProfile(e) {
        var next = profiles.reduce(function (m, p) { return Math.max(m, Number(p.index) || 0); }, -1) + 1;
        run(e.currentTarget, 'Adding a profile', function () {
            return xmldocs.add(DOC, '/profiles', 'profile', { index: String(next), name: 'Profile ' + (next + 1), active: 'false' })
                .then(function () { selected = String(next); return 'Profile ' + (next + 1) + ' added'; });
        });
    }

    function removeProfile(e) {
        var p = current();
        if (!p) return;
        if (profiles.length < 2) { ui.toast('The last profile cannot be deleted', 'error'); return; }
        var button = e.currentTarget;
        ui.confirm('Delete "' + p.name + '"?', 'The profile is removed from the document when you save.', 'Delete', true)
            .then(function (ok) {
                if (!ok) return;
                run(button, 'Deleting the profile', function () {
                    return xmldocs.remove(DOC, xpathOf(p.index)).then(function () { selected = null; return '"' + p.name + '" deleted'; });
                });
            });
    }

    function rename(p, name) {
        renaming = false;
        name = name.trim();
        if (!name || name === p.name) { render(); return; }
        Promise.resolve().then(function () { return xmldocs.modify(DOC, xpathOf(p.index), { name: name }); })
            .then(load, function (err) { ui.failed('Renaming', err); render(); });
    }

    function exportProfile(e) {
        var p = current();
        if (!p) return;
        // The dialog's answer can take as long as the user likes; cancelling it gives none.
        var button = e.currentTarget;
        driver.command('saveFileDialog', {}, { timeout: 0 }).then(function (path) {
            if (!/\.pfd$/i.test(path)) path += '.pfd';
            run(button, 'Exporting', function () {
                return xmldocs.exportTo(DOC, xpathOf(p.index), path).then(function () { return '"' + p.name + '" exported to ' + path; });
            }, false);
        }, function (err) { ui.failed('The file dialog', err); });
    }

    function importProfile(e) {
        var p = current();
        if (!p) return;
        var button = e.currentTarget;
        driver.command('openFileDialog', {}, { timeout: 0 }).then(function (path) {
            run(button, 'Importing', function () {
                return xmldocs.importInto(DOC, xpathOf(p.index), path).then(function () { return 'Imported into "' + p.name + '"'; });
            });
        }, function (err) { ui.failed('The file dialog', err); });
    }

    function resetAll(e) {
        var button = e.currentTarget;
        ui.confirm('Reset all profiles?', 'Every profile goes back to the factory profile. Your own profiles are lost when you save.',
                   'Reset', true).then(function (ok) {
            if (!ok) return;
            run(button, 'Resetting', function () {
                return xmldocs.reset(xmldocs.FACTORY_PROFILES, DOC).then(function () { selected = null; return 'Profiles reset'; });
            });
        });
    }

    function saveDocument(e) {
        run(e.currentTarget, 'Saving', function () { return xmldocs.save().then(function () { return 'Profiles saved'; }); }, false);
    }

    // ---- drawing ----

    function card(p) {
        var name;
        if (renaming && p.index === selected) {
            name = h('input', { type: 'text', value: p.name, 'aria-label': 'Profile name' });
            name.addEventListener('keydown', function (e) {
                if (e.key === 'Enter') rename(p, name.value);
                if (e.key === 'Escape') { renaming = false; render(); }
            });
            name.addEventListener('blur', function () { if (renaming) rename(p, name.value); });
            name.addEventListener('click', function (e) { e.stopPropagation(); });
            setTimeout(function () { name.focus(); name.select(); }, 0);
        } else {
            name = p.name;
        }
        var strip = p.dpi ? h('div.dpi-strip', p.dpi.stages.map(function (dpi, i) {
            return h('span' + (i === p.dpi.active ? '.on' : ''), String(dpi));
        })) : h('div.faint.small', 'No DPI stages stored');
        return h('div.profile' + (p.index === selected ? '.on' : ''), { dataset: { index: p.index },
                 on: { click: function () { if (selected !== p.index) { selected = p.index; renaming = false; render(); } } } },
            h('div.profile-top', ui.icon('profile'), h('div.profile-name', name),
              p.active ? h('span.badge.ok', 'Active') : null),
            strip,
            h('div.summary',
                h('span', p.pollingHz ? p.pollingHz + ' Hz' : 'Polling —'),
                h('span', p.liftOff ? 'Lift-off ' + p.liftOff + ' mm' : 'Lift-off —'),
                h('span', p.lighting ? 'Lighting ' + protocol.LIGHTING_EFFECTS[p.lighting.effect].toLowerCase() : 'No lighting stored'),
                h('span', p.buttons.length ? p.buttons.length + ' button maps' : 'No button maps')));
    }

    function render() {
        ui.clear(body);
        unsavedBadge = h('span.badge.warn', { hidden: !xmldocs.isUnsaved() }, 'Unsaved changes');
        body.appendChild(h('div.toolbar', { style: 'margin-bottom:16px' },
            h('button.btn.primary#profile-apply', { on: { click: applyToMouse } }, ui.icon('upload'), 'Apply to mouse'),
            h('button.btn#profile-capture', { on: { click: saveFromMouse } }, ui.icon('download'), 'Store mouse settings'),
            h('span.sep'),
            h('button.btn.ghost', { on: { click: addProfile } }, ui.icon('plus'), 'New'),
            h('button.btn.ghost', { on: { click: function () { if (current()) { renaming = true; render(); } } } }, 'Rename'),
            h('button.btn.ghost#profile-export', { on: { click: exportProfile } }, 'Export…'),
            h('button.btn.ghost#profile-import', { on: { click: importProfile } }, 'Import…'),
            h('button.btn.ghost.icon-only', { title: 'Delete profile', on: { click: removeProfile } }, ui.icon('trash'))));
        listEl = h('div.profile-list#profile-list', profiles.map(card));
        body.appendChild(listEl);
        body.appendChild(h('div.row', { style: 'margin-top:18px' },
            h('button.btn#profile-save', { on: { click: saveDocument } }, ui.icon('save'), 'Save profiles'),
            unsavedBadge, h('span.grow'),
            h('button.btn.danger', { on: { click: resetAll } }, ui.icon('refresh'), 'Reset to factory')));
    }

    app.addPage({
        id: 'profiles', title: 'Profiles', icon: 'profile', subtitle: 'Keep and switch complete setups',
        build: function (root) {
            body = h('div');
            root.appendChild(body);
            xmldocs.onUnsaved(function (unsaved) { if (unsavedBadge) unsavedBadge.hidden = !unsaved; });
        },
        enter: load
    });
})();
