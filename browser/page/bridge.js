// Page protocol, isolated world of the top view-folder document: the only holder of the
// channel to the native side. The page's own scripts cannot reach it.
(function () {
    'use strict';
    var viewPath = '%VIEW_PATH%';
    var path;
    try { path = decodeURIComponent(location.pathname); } catch (e) { return; }
    if (location.protocol !== 'file:' || path.indexOf(viewPath) !== 0 || window !== window.top)
        return;
    if (typeof qt === 'undefined' || !qt.webChannelTransport)
        return;

    var token = Math.random().toString(36).slice(2) + Date.now().toString(36);
    var prefix = token + ':';
    var native = null;
    var waiting = [];

    function toPage(kind, data) {
        document.dispatchEvent(new CustomEvent('vesk:' + kind, { detail: JSON.stringify(data) }));
    }

    function forward(kind, m) {
        if (kind === 'query') {
            // An answer given at once rides on the call's own reply; a later one comes as a signal.
            native.query(prefix + m.id, m.request, function (r) {
                if (r) toPage('reply', { id: m.id, ok: r.ok, code: r.code, text: r.text });
            });
        } else {
            native.cancel(prefix + m.id);
        }
    }

    ['query', 'cancel'].forEach(function (kind) {
        document.addEventListener('vesk:' + kind, function (e) {
            var m = JSON.parse(e.detail);
            if (native) forward(kind, m);
            else waiting.push([kind, m]);
        });
    });

    var channel = new QWebChannel(qt.webChannelTransport, function (channel) {
        native = channel.objects.vesk;
        native.answer.connect(function (id, ok, code, text) {
            if (id.indexOf(prefix) !== 0) return;
            toPage('reply', { id: Number(id.slice(prefix.length)), ok: ok, code: code, text: text });
        });
        native.pageEvent.connect(function (name, args) {
            toPage('event', { name: name, args: args });
        });
        waiting.forEach(function (w) { forward(w[0], w[1]); });
        waiting = [];
        native.ready(token);
    });

    // The transport outlives documents: an answer to a call of the previous document may
    // still arrive here, and has nobody to go to.
    var handleResponse = channel.handleResponse;
    channel.handleResponse = function (message) {
        if (typeof channel.execCallbacks[message.id] === 'function') handleResponse(message);
    };

    // Until the next document says it is ready, the native side holds its events back.
    window.addEventListener('pagehide', function () {
        if (native) native.gone(token);
    });
})();
