// Settings: the driver's own settings (language, closing, autostart, shortcuts), the
// desktop's mouse settings, and updates.
(function () {
    'use strict';
    var h = ui.h;

    var LANGUAGES = [
        { value: 'en', label: 'English' }, { value: 'zh', label: '简体中文' }, { value: 'zh-TW', label: '繁體中文' },
        { value: 'de-DE', label: 'Deutsch' }, { value: 'ja', label: '日本語' }, { value: 'ru', label: 'Русский' },
        { value: 'ko', label: '한국어' }
    ];
    var SHORTCUTS = [
        { key: 'showConf', title: 'Show the mouse window', text: 'Opens the quick settings window' },
        { key: 'testTool', title: 'Test tool', text: 'Reserved for the button tester' }
    ];
    var REGISTERED = '\u0001';

    var body;
    var conf = null;

    function setConf(key, value) {
        return driver.command('setConf', { confKey: key, confValue: value }).then(function (reply) {
            if (conf) conf[key] = value;
            return reply;
        });
    }

    function saved(what) {
        return function () { ui.toast(what + ' saved'); };
    }

    // "Ctrl+Alt+M,\u0001" -> {keys, registered}
    function shortcutValue(text) {
        var cut = String(text || '').lastIndexOf(',');
        if (cut < 0) return { keys: text || '', registered: false };
        return { keys: text.slice(0, cut), registered: text.slice(cut + 1) === REGISTERED };
    }

    // A key combination in the form the driver parses ("Ctrl+Shift+F5").
    function comboOf(e) {
        var key = e.key;
        if (['Control', 'Shift', 'Alt', 'Meta', 'AltGraph'].indexOf(key) >= 0) return null;
        var parts = [];
        if (e.ctrlKey) parts.push('Ctrl');
        if (e.altKey) parts.push('Alt');
        if (e.shiftKey) parts.push('Shift');
        if (e.metaKey) parts.push('Meta');
        var named = { ' ': 'Space', ArrowUp: 'Up', ArrowDown: 'Down', ArrowLeft: 'Left', ArrowRight: 'Right',
                      Escape: 'Esc', Delete: 'Del', Insert: 'Ins', PageUp: 'PgUp', PageDown: 'PgDown' };
        var name = named[key] || (/^Key[A-Z]$/.test(e.code) ? e.code.slice(3) : /^Digit\d$/.test(e.code) ? e.code.slice(5)
                   : key.length === 1 ? key.toUpperCase() : key);
        if (!parts.length && !/^F\d+$/.test(name)) return null; // a bare key would swallow normal typing
        parts.push(name);
        return parts.join('+');
    }

    function shortcutRow(s) {
        var value = shortcutValue(conf[s.key]);
        var badge = h('span.badge.' + (value.registered ? 'ok' : 'warn'), value.registered ? 'Active' : 'Not registered');
        var input = h('input.shortcut-input', { type: 'text', value: value.keys, readonly: true, id: 'shortcut-' + s.key,
                                                 'aria-label': s.title });
        var before = value.keys;
        input.addEventListener('focus', function () { before = input.value; input.classList.add('listening'); input.value = 'Press keys…'; });
        input.addEventListener('blur', function () { input.classList.remove('listening'); if (input.value === 'Press keys…') input.value = before; });
        input.addEventListener('keydown', function (e) {
            e.preventDefault();
            if (e.key === 'Escape' && !e.ctrlKey && !e.altKey) { input.value = before; input.blur(); return; }
            var combo = comboOf(e);
            if (!combo) return;
            input.value = combo;
            input.blur();
            setConf(s.key, combo).then(function (reply) {
                var ok = reply === REGISTERED;
                conf[s.key] = combo + ',' + reply;
                badge.className = 'badge ' + (ok ? 'ok' : 'warn');
                badge.textContent = ok ? 'Active' : 'Not registered';
                ui.toast(ok ? combo + ' is set' : combo + ' is used by another program', ok ? 'info' : 'error');
            }, function (err) { input.value = before; ui.failed('The shortcut', err); });
        });
        return h('div.setting', h('div.setting-text', h('b', s.title), h('span', s.text)), badge, input);
    }

    // A slider for one of the desktop's mouse settings; the driver cannot read them back, so the
    // page remembers what it last set.
    function desktopSlider(o) {
        var stored = localStorage.getItem(o.storage);
        var start = stored === null ? o.initial : Number(stored);
        var label = h('span.value', o.label(start));
        var input = h('input', { type: 'range', min: o.min, max: o.max, step: 1, value: start, id: o.id, 'aria-label': o.title });
        function fill() { input.style.setProperty('--fill', ((input.value - o.min) / (o.max - o.min) * 100) + '%'); }
        var apply = ui.debounce(function (v) {
            var args = {};
            args[o.arg] = v;
            driver.command(o.command, args).then(function () {
                localStorage.setItem(o.storage, String(v));
            }, function (err) { ui.failed(o.title, err); });
        }, 300);
        input.addEventListener('input', function () { fill(); label.textContent = o.label(Number(input.value)); apply(Number(input.value)); });
        fill();
        return h('div.setting', h('div.setting-text', h('b', o.title), h('span', o.text)), input, label);
    }

    function render() {
        ui.clear(body);
        var closeFunc = conf.closeFunc === 'closeapp' ? 'closeapp' : 'hide';
        var language = h('select#setting-language', { 'aria-label': 'Language' }, LANGUAGES.map(function (l) {
            return h('option', { value: l.value, selected: l.value === conf.language }, l.label);
        }));
        language.addEventListener('change', function () {
            setConf('language', language.value).then(saved('Language'), function (err) { ui.failed('Language', err); });
        });
        body.appendChild(h('div.grid',
            h('div.card',
                h('div.card-head', h('h2', 'General')),
                h('div.setting', h('div.setting-text', h('b', 'Language'), h('span', 'Used by the tray menu')), language),
                h('div.setting', h('div.setting-text', h('b', 'Closing the window'), h('span', 'What the × button does')),
                  ui.segmented([{ value: 'hide', label: 'Keep in tray' }, { value: 'closeapp', label: 'Exit' }], closeFunc, function (v) {
                      setConf('closeFunc', v).then(saved('Close behaviour'), function (err) { ui.failed('Close behaviour', err); });
                  }, 'close-func')),
                h('div.setting', h('div.setting-text', h('b', 'Start with the system'), h('span', 'Runs in the tray after you log in')),
                  ui.toggle(conf.autoStart === 'true', function (on) {
                      setConf('autoStart', on ? 'true' : 'false').then(saved('Autostart'), function (err) { ui.failed('Autostart', err); });
                  }))),
            h('div.card',
                h('div.card-head', h('h2', 'Shortcuts'), h('span.hint', 'click, then press the keys')),
                SHORTCUTS.filter(function (s) { return s.key in conf; }).map(shortcutRow)),
            h('div.card',
                h('div.card-head', h('h2', 'Desktop mouse settings'), h('span.hint', 'for every mouse')),
                desktopSlider({ id: 'setting-speed', title: 'Pointer speed', text: 'How far the pointer travels', command: 'modifyMouseSpeed',
                                arg: 'speednum', storage: 'pointerSpeed', min: 1, max: 20, initial: 10,
                                label: function (v) { return String(v); } }),
                desktopSlider({ id: 'setting-lines', title: 'Scroll lines', text: 'Lines per wheel notch', command: 'modifyMouseScrollLines',
                                arg: 'linenum', storage: 'scrollLines', min: 1, max: 20, initial: 3,
                                label: function (v) { return v + (v === 1 ? ' line' : ' lines'); } }),
                desktopSlider({ id: 'setting-doubleclick', title: 'Double-click speed', text: 'Longest pause between two clicks',
                                command: 'modifyMouseDoubleClick', arg: 'position', storage: 'doubleClickPosition', min: 0, max: 11,
                                initial: 7, label: function (v) { return (970 - 70 * v) + ' ms'; } })),
            h('div.card',
                h('div.card-head', h('h2', 'About')),
                h('div.about', h('span.logo'), h('div', h('b', 'Brimlock Driver'),
                  h('span.muted', 'Version ' + (conf.version || '—')))),
                h('div.row.wrap', { style: 'margin-top:18px' },
                    h('button.btn.primary#check-update', { on: { click: checkUpdate } }, ui.icon('refresh'), 'Check for updates'),
                    conf.updateServer ? h('button.btn.ghost', { on: { click: function () { openUrl(conf.updateServer); } } },
                                          ui.icon('link'), 'Update service') : null),
                h('p.faint.small', { style: 'margin:14px 0 0' },
                  'Updates for the driver, this interface and the mouse firmware come from the update service.'))));
    }

    function checkUpdate(e) {
        ui.busy(e.currentTarget, function () {
            // The driver shows what it finds in a window of its own.
            return driver.command('checkUpdate', {}, { timeout: 15000 }).then(function () {
                ui.toast('Checking for updates…');
            }, function (err) { ui.failed('Update check', err); });
        });
    }

    function openUrl(url) {
        driver.command('openUrl', { url: url }).catch(function (err) { ui.failed('Opening the link', err); });
    }

    function load() {
        app.reloadSettings().then(function (c) {
            conf = c;
            render();
        }, function (err) {
            ui.clear(body).appendChild(ui.unavailable('The driver settings', err, load));
        });
    }

    app.addPage({
        id: 'settings', title: 'Settings', icon: 'settings', subtitle: 'The driver and the desktop',
        build: function (root) { body = h('div'); root.appendChild(body); },
        enter: load
    });
})();
