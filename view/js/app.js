// The application shell: title bar with the window controls, the page navigation, the
// status bar, and the settings everyone reads once.
var app = (function () {
    'use strict';
    var h = ui.h;

    var pages = [];
    var current = null;
    var conf = null;   // promise of the client settings object

    // A page: {id, title, icon, build(root), enter(), device(dev)}; device() runs whenever the
    // chosen mouse changes (null when there is none), enter() each time the page is shown.
    function addPage(page) { pages.push(page); }

    function show(id) {
        var page = pages.filter(function (p) { return p.id === id; })[0];
        if (!page || page === current) return;
        if (current) {
            current.root.hidden = true;
            current.navItem.classList.remove('on');
            if (current.leave) current.leave();
        }
        current = page;
        page.root.hidden = false;
        page.navItem.classList.add('on');
        document.getElementById('pages').scrollTop = 0;
        if (page.enter) page.enter();
    }

    function buildNav() {
        var nav = document.getElementById('nav');
        var container = document.getElementById('pages');
        pages.forEach(function (page) {
            page.navItem = h('button.nav-item', { id: 'nav-' + page.id, on: { click: function () { show(page.id); } } },
                             ui.icon(page.icon), h('span', page.title));
            nav.appendChild(page.navItem);
            page.root = h('section.page', { id: 'page-' + page.id, hidden: true },
                          h('header.page-head', h('h1', page.title), page.subtitle ? h('p', page.subtitle) : null));
            container.appendChild(page.root);
            page.build(page.root);
        });
        nav.appendChild(h('div.nav-foot', h('span.dot'), h('span#nav-foot-text', 'Driver connected')));
        if (!driver.connected) {
            nav.querySelector('.nav-foot').classList.add('off');
            document.getElementById('nav-foot-text').textContent = 'Driver not connected';
        }
    }

    // ---- title bar ----

    var maximised = false;

    function setMaxButton() {
        var b = document.getElementById('btn-max');
        ui.clear(b).appendChild(ui.icon(maximised ? 'restore' : 'maximise'));
        b.title = maximised ? 'Restore' : 'Maximise';
        b.setAttribute('aria-label', b.title);
    }

    function toggleMaximise() {
        // The driver answers neither request.
        driver.send(maximised ? '{"funcname":"restoreWindow"}' : '{"funcname":"maxsizeWindow"}');
        maximised = !maximised;
        setMaxButton();
    }

    function initTitleBar() {
        document.getElementById('btn-min').appendChild(ui.icon('minimise'));
        document.getElementById('btn-close').appendChild(ui.icon('close'));
        setMaxButton();
        document.getElementById('btn-min').addEventListener('click', function () {
            driver.request('{"funcname":"minisizeWindow"}').catch(function () {});
        });
        document.getElementById('btn-max').addEventListener('click', toggleMaximise);
        document.getElementById('btn-close').addEventListener('click', function () {
            driver.command('closeApp').catch(function (err) { ui.failed('Close', err); });
        });

        // Dragging the bar moves the window; moves are batched to one request per frame.
        var bar = document.getElementById('titlebar');
        var drag = null;
        var pending = { dx: 0, dy: 0 };
        var scheduled = false;
        function flush() {
            scheduled = false;
            if (!pending.dx && !pending.dy) return;
            var text = 'moveWindow:' + pending.dx + ',' + pending.dy + ',' + window.innerWidth + ',' + window.innerHeight;
            pending = { dx: 0, dy: 0 };
            driver.request(text).catch(function () {});
        }
        bar.addEventListener('mousedown', function (e) {
            if (e.button !== 0 || e.target.closest('button') || maximised) return;
            drag = { x: e.screenX, y: e.screenY };
            e.preventDefault();
        });
        bar.addEventListener('dblclick', function (e) {
            if (!e.target.closest('button')) toggleMaximise();
        });
        window.addEventListener('mousemove', function (e) {
            if (!drag) return;
            pending.dx += e.screenX - drag.x;
            pending.dy += e.screenY - drag.y;
            drag = { x: e.screenX, y: e.screenY };
            if (!scheduled) {
                scheduled = true;
                requestAnimationFrame(flush);
            }
        });
        window.addEventListener('mouseup', function () { drag = null; });
    }

    // ---- status and device chip ----

    function deviceLabel(dev) {
        return dev.productName || dev.DeviceID || 'Mouse';
    }

    function showDeviceState(state) {
        var chip = ui.clear(document.getElementById('title-device'));
        var status = ui.clear(document.getElementById('status-device'));
        var dev = mouse.current();
        if (dev) {
            chip.appendChild(h('span.dot.ok'));
            chip.appendChild(h('span', deviceLabel(dev)));
            status.textContent = deviceLabel(dev) + ' · firmware ' + dev.Version + ' · ' + state.devices.length +
                (state.devices.length === 1 ? ' mouse' : ' mice');
        } else if (state.selected && mouse.isLoader(state.selected)) {
            chip.appendChild(h('span.dot.warn'));
            chip.appendChild(h('span', 'Updating firmware…'));
            status.textContent = 'A mouse is in firmware update mode';
        } else {
            chip.appendChild(h('span.dot'));
            chip.appendChild(h('span', state.status === 'loading' ? 'Looking for mice…' : 'No mouse'));
            status.textContent = state.status === 'error' ? 'Device list unavailable: ' + driver.describeError(state.error)
                : 'No mouse connected';
        }
        pages.forEach(function (p) { if (p.device) p.device(dev); });
    }

    function initActivity() {
        var el = document.getElementById('status-activity');
        var pendingCount = 0;
        var seen = new WeakSet();
        var shown = false;
        var timer = null;
        // Only a request that takes a while is shown: quick ones would repaint the window for nothing.
        function show(on) {
            if (on === shown) return;
            shown = on;
            el.textContent = on ? 'Talking to the driver…' : '';
            el.classList.toggle('active', on);
        }
        driver.on('request', function (entry) {
            if (entry.state === 'pending' && !seen.has(entry)) { seen.add(entry); pendingCount++; }
            else if (entry.state !== 'pending' && entry.state !== 'sent' && seen.has(entry)) { seen.delete(entry); pendingCount--; }
            if (pendingCount > 0 && !timer && !shown)
                timer = setTimeout(function () { timer = null; show(pendingCount > 0); }, 400);
            if (pendingCount === 0) {
                if (timer) { clearTimeout(timer); timer = null; }
                show(false);
            }
        });
    }

    function settings() { return conf; }

    function loadSettings() {
        conf = driver.command('getConf').then(function (text) {
            var list = JSON.parse(text);
            return list[0] || {};
        });
        conf.then(function (c) {
            document.getElementById('status-version').textContent = c.version ? 'Driver ' + c.version : '';
        }, function () {});
        return conf;
    }

    function start() {
        initTitleBar();
        initActivity();
        loadSettings();
        buildNav();
        mouse.onChange(showDeviceState);
        showDeviceState(mouse.state);
        show(pages[0].id);
        mouse.start();
    }

    return { addPage: addPage, show: show, start: start, settings: settings, reloadSettings: loadSettings,
             deviceLabel: deviceLabel };
})();
