// Small DOM helpers shared by the pages: an element builder, toasts, a confirmation sheet,
// segmented controls and the "not available" and "no mouse" panels.
var ui = (function () {
    'use strict';

    // h('div.card#id', {attrs, on: {click: fn}}, children...)
    function h(selector, attrs) {
        var m = /^([a-z0-9]+)?((?:[.#][\w-]+)*)$/i.exec(selector);
        var el = document.createElement((m && m[1]) || 'div');
        ((m && m[2]) || '').replace(/([.#])([\w-]+)/g, function (_, kind, name) {
            if (kind === '.') el.classList.add(name); else el.id = name;
        });
        var children = Array.prototype.slice.call(arguments, 2);
        if (attrs && (typeof attrs !== 'object' || attrs.nodeType || Array.isArray(attrs))) {
            children.unshift(attrs);
            attrs = null;
        }
        Object.keys(attrs || {}).forEach(function (k) {
            var v = attrs[k];
            if (k === 'on') Object.keys(v).forEach(function (ev) { el.addEventListener(ev, v[ev]); });
            else if (k === 'text') el.textContent = v;
            else if (k === 'html') el.innerHTML = v;
            else if (k === 'dataset') Object.keys(v).forEach(function (d) { el.dataset[d] = v[d]; });
            else if (k in el && typeof v !== 'string') el[k] = v;
            else if (v !== false && v !== null && v !== undefined) el.setAttribute(k, v === true ? '' : v);
        });
        append(el, children);
        return el;
    }

    function append(el, children) {
        children.forEach(function (c) {
            if (c === null || c === undefined || c === false) return;
            if (Array.isArray(c)) append(el, c);
            else el.appendChild(c.nodeType ? c : document.createTextNode(String(c)));
        });
    }

    function clear(el) {
        while (el.firstChild) el.removeChild(el.firstChild);
        return el;
    }

    function icon(name) {
        var span = document.createElement('span');
        span.className = 'icon';
        span.innerHTML = icons[name] || '';
        return span;
    }

    var toastBox = null;
    function toast(text, kind) {
        if (!toastBox) toastBox = document.getElementById('toasts');
        var t = h('div.toast.' + (kind || 'info'), { role: 'status' }, icon(kind === 'error' ? 'alert' : 'check'),
                  h('span', text));
        toastBox.appendChild(t);
        setTimeout(function () { t.classList.add('leaving'); }, kind === 'error' ? 5000 : 2600);
        setTimeout(function () { t.remove(); }, kind === 'error' ? 5400 : 3000);
    }

    function failed(what, err) {
        toast(what + ': ' + driver.describeError(err), 'error');
    }

    // Runs `work` (returning a promise) with the button shown busy; the button stays usable
    // for the rest of the page, and always comes back.
    function busy(button, work) {
        button.classList.add('busy');
        button.disabled = true;
        var done = function () { button.classList.remove('busy'); button.disabled = false; };
        var p = Promise.resolve().then(work);
        p.then(done, done);
        return p;
    }

    // An in-page confirmation; resolves true or false.
    function confirmSheet(title, text, okLabel, danger) {
        return new Promise(function (resolve) {
            var veil;
            function close(answer) { veil.remove(); resolve(answer); }
            veil = h('div.veil', { on: { click: function (e) { if (e.target === veil) close(false); } } },
                h('div.sheet', { role: 'dialog' },
                    h('h3', title), h('p', text),
                    h('div.sheet-actions',
                        h('button.btn.ghost', { on: { click: function () { close(false); } } }, 'Cancel'),
                        h('button.btn.' + (danger ? 'danger' : 'primary') + '.sheet-ok',
                          { on: { click: function () { close(true); } } }, okLabel || 'OK'))));
            document.body.appendChild(veil);
            veil.querySelector('.sheet-ok').focus();
        });
    }

    // A row of buttons of which one is chosen. options: [{value, label}]
    function segmented(options, value, onChange, extraClass) {
        var group = h('div.segmented' + (extraClass ? '.' + extraClass : ''), { role: 'radiogroup' });
        function set(v) {
            Array.prototype.forEach.call(group.children, function (b) {
                var on = b.dataset.value === String(v);
                b.classList.toggle('on', on);
                b.setAttribute('aria-checked', on ? 'true' : 'false');
            });
        }
        options.forEach(function (o) {
            group.appendChild(h('button', {
                type: 'button', role: 'radio', dataset: { value: String(o.value) },
                on: { click: function () { set(o.value); onChange(o.value); } }
            }, o.label));
        });
        set(value);
        group.setValue = set;
        return group;
    }

    function toggle(checked, onChange, label) {
        var input = h('input', { type: 'checkbox', checked: !!checked, on: { change: function () { onChange(input.checked); } } });
        return h('label.switch', input, h('span.slider'), label ? h('span.switch-label', label) : null);
    }

    function panel(kind, title, text, actions) {
        return h('div.empty.' + kind, icon(kind === 'nodevice' ? 'mouse' : 'alert'), h('h3', title), h('p', text),
                 actions ? h('div.empty-actions', actions) : null);
    }

    function unavailable(what, err, retry) {
        return panel('unavailable', what + ' is not available',
                     driver.describeError(err) + '. The driver may not support this yet.',
                     retry ? h('button.btn', { on: { click: retry } }, icon('refresh'), 'Try again') : null);
    }

    function noDevice() {
        return panel('nodevice', 'No mouse connected',
                     'Plug in your Brimlock mouse. Its settings appear here as soon as the driver sees it.');
    }

    // Calls fn once the calls have paused for `ms`, with the latest arguments.
    function debounce(fn, ms) {
        var timer = null;
        return function () {
            var args = arguments;
            clearTimeout(timer);
            timer = setTimeout(function () { fn.apply(null, args); }, ms);
        };
    }

    // Small stroke icons, drawn for this bundle.
    var icons = {
        mouse: '<svg viewBox="0 0 24 24"><rect x="6" y="2.5" width="12" height="19" rx="6"/><path d="M12 2.5v6M6 9h12"/></svg>',
        gauge: '<svg viewBox="0 0 24 24"><path d="M4 16a8 8 0 1 1 16 0"/><path d="M12 16l4-5"/><circle cx="12" cy="16" r="1.2"/></svg>',
        buttons: '<svg viewBox="0 0 24 24"><rect x="3" y="3" width="7" height="7" rx="1.5"/><rect x="14" y="3" width="7" height="7" rx="1.5"/><rect x="3" y="14" width="7" height="7" rx="1.5"/><rect x="14" y="14" width="7" height="7" rx="1.5"/></svg>',
        macro: '<svg viewBox="0 0 24 24"><circle cx="6" cy="12" r="2.5"/><circle cx="18" cy="6" r="2.5"/><circle cx="18" cy="18" r="2.5"/><path d="M8.5 11l7-4M8.5 13l7 4"/></svg>',
        profile: '<svg viewBox="0 0 24 24"><path d="M4 5h16v14H4z"/><path d="M8 9h8M8 13h8M8 17h4"/></svg>',
        modes: '<svg viewBox="0 0 24 24"><rect x="3" y="4" width="18" height="12" rx="2"/><path d="M8 20h8M12 16v4"/></svg>',
        settings: '<svg viewBox="0 0 24 24"><circle cx="12" cy="12" r="3"/><path d="M12 2v3M12 19v3M2 12h3M19 12h3M4.9 4.9l2.1 2.1M17 17l2.1 2.1M4.9 19.1L7 17M17 7l2.1-2.1"/></svg>',
        pulse: '<svg viewBox="0 0 24 24"><path d="M2 12h4l3-7 4 14 3-7h6"/></svg>',
        check: '<svg viewBox="0 0 24 24"><path d="M5 12.5l4.5 4.5L19 7.5"/></svg>',
        alert: '<svg viewBox="0 0 24 24"><path d="M12 3l10 18H2z"/><path d="M12 10v5M12 18v.5"/></svg>',
        refresh: '<svg viewBox="0 0 24 24"><path d="M20 11a8 8 0 1 0-2.3 5.7"/><path d="M20 4v7h-7"/></svg>',
        record: '<svg viewBox="0 0 24 24"><circle cx="12" cy="12" r="6" class="fill"/></svg>',
        stop: '<svg viewBox="0 0 24 24"><rect x="7" y="7" width="10" height="10" rx="1.5" class="fill"/></svg>',
        plus: '<svg viewBox="0 0 24 24"><path d="M12 5v14M5 12h14"/></svg>',
        trash: '<svg viewBox="0 0 24 24"><path d="M4 7h16M9 7V4h6v3M6 7l1 13h10l1-13"/></svg>',
        close: '<svg viewBox="0 0 24 24"><path d="M6 6l12 12M18 6L6 18"/></svg>',
        upload: '<svg viewBox="0 0 24 24"><path d="M12 16V4M7 9l5-5 5 5M4 20h16"/></svg>',
        download: '<svg viewBox="0 0 24 24"><path d="M12 4v12M7 11l5 5 5-5M4 20h16"/></svg>',
        save: '<svg viewBox="0 0 24 24"><path d="M5 4h11l3 3v13H5z"/><path d="M8 4v5h7V4M8 20v-6h8v6"/></svg>',
        bolt: '<svg viewBox="0 0 24 24"><path d="M13 2L4 14h7l-1 8 9-12h-7z"/></svg>',
        eye: '<svg viewBox="0 0 24 24"><path d="M2 12s4-7 10-7 10 7 10 7-4 7-10 7S2 12 2 12z"/><circle cx="12" cy="12" r="3"/></svg>',
        link: '<svg viewBox="0 0 24 24"><path d="M10 14a4 4 0 0 0 5.7 0l3-3a4 4 0 0 0-5.7-5.7l-1 1M14 10a4 4 0 0 0-5.7 0l-3 3a4 4 0 0 0 5.7 5.7l1-1"/></svg>',
        minimise: '<svg viewBox="0 0 24 24"><path d="M6 12h12"/></svg>',
        maximise: '<svg viewBox="0 0 24 24"><rect x="6" y="6" width="12" height="12" rx="1"/></svg>',
        restore: '<svg viewBox="0 0 24 24"><rect x="5" y="9" width="10" height="10" rx="1"/><path d="M9 9V5h10v10h-4"/></svg>',
        app: '<svg viewBox="0 0 24 24"><rect x="4" y="4" width="16" height="16" rx="3"/><path d="M4 9h16"/></svg>'
    };

    return {
        h: h, clear: clear, icon: icon, toast: toast, failed: failed, busy: busy, confirm: confirmSheet,
        segmented: segmented, toggle: toggle, unavailable: unavailable, noDevice: noDevice, panel: panel,
        debounce: debounce
    };
})();
