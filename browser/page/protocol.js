// Page protocol, main world of every document of the view folder: cefQuery, cefQueryCancel
// and setMessageCallback. Talks to the isolated-world bridge through DOM events carrying JSON.
(function () {
    'use strict';
    var viewPath = '%VIEW_PATH%';
    var path;
    try { path = decodeURIComponent(location.pathname); } catch (e) { return; }
    if (location.protocol !== 'file:' || path.indexOf(viewPath) !== 0 || window.__veskProtocol)
        return;

    var hub = null; // the top frame's protocol when this frame may share it
    if (window !== window.top) {
        try { hub = window.top.__veskProtocol || null; } catch (e) { hub = null; }
        if (!hub) return;
    }

    var eventNames = ['devicesChanged', 'macroItem', 'currentPropChanged',
                      'navStateChanged', 'onDeviceData', 'onProcessChanged'];

    function own(frameWindow) {
        var pending = {};
        var callbacks = {};
        var lastId = 0;

        function send(kind, data) {
            document.dispatchEvent(new CustomEvent('vesk:' + kind, { detail: JSON.stringify(data) }));
        }

        document.addEventListener('vesk:reply', function (e) {
            var m = JSON.parse(e.detail);
            var q = pending[m.id];
            if (!q) return;
            delete pending[m.id];
            try {
                if (m.ok) { if (q.onSuccess) q.onSuccess(m.text); }
                else if (q.onFailure) q.onFailure(m.code, m.text);
            } catch (err) { setTimeout(function () { throw err; }); }
        });

        document.addEventListener('vesk:event', function (e) {
            var m = JSON.parse(e.detail);
            var entry = callbacks[m.name];
            if (!entry || eventNames.indexOf(m.name) < 0) return;
            try { entry.fn.call(undefined, m.args); } catch (err) { /* swallowed: not handled */ }
        });

        return {
            query: function (options) {
                if (typeof options !== 'object' || options === null || typeof options.request !== 'string')
                    throw new Error('Invalid arguments; expecting a single object with a "request" string');
                var id = ++lastId;
                pending[id] = { onSuccess: options.onSuccess, onFailure: options.onFailure };
                send('query', { id: id, request: options.request });
                return id;
            },
            cancel: function (id) {
                if (!pending[id]) return;
                delete pending[id];
                send('cancel', { id: id });
            },
            register: function (name, fn, context) {
                if (!Object.prototype.hasOwnProperty.call(callbacks, name))
                    callbacks[name] = { fn: fn, context: context };
            },
            release: function (context) {
                for (var name in callbacks) {
                    if (callbacks[name].context === context) delete callbacks[name];
                }
            }
        };
    }

    var protocol = hub || own(window);
    if (!hub) Object.defineProperty(window, '__veskProtocol', { value: protocol });

    window.cefQuery = function (options) { return protocol.query(options); };
    window.cefQueryCancel = function (id) { protocol.cancel(id); };
    window.setMessageCallback = function (name, fn) {
        if (arguments.length === 2 && typeof name === 'string' && typeof fn === 'function')
            protocol.register(name, fn, window);
        return undefined;
    };
    if (hub) window.addEventListener('unload', function () { hub.release(window); });
})();
