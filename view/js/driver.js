// The page's link to the native driver: requests as promises that always settle (the driver
// leaves some requests unanswered, so every wait has a time-out), and one hub for its events.
var driver = (function () {
    'use strict';

    var EVENT_NAMES = ['devicesChanged', 'macroItem', 'currentPropChanged',
                       'navStateChanged', 'onDeviceData', 'onProcessChanged'];
    var DEFAULT_TIMEOUT_MS = 4000;
    var HISTORY_SIZE = 200;

    var listeners = {};      // event name (or 'request' / 'event' for the logs) -> [fn]
    var history = { requests: [], events: [] };

    function emit(name, payload) {
        (listeners[name] || []).slice().forEach(function (fn) {
            try { fn(payload); } catch (e) { console.error(e); }
        });
    }

    function on(name, fn) {
        (listeners[name] = listeners[name] || []).push(fn);
        return function off() {
            var list = listeners[name] || [];
            var i = list.indexOf(fn);
            if (i >= 0) list.splice(i, 1);
        };
    }

    function remember(list, item) {
        list.unshift(item);
        if (list.length > HISTORY_SIZE) list.pop();
    }

    // Sends one request text. options.timeout: milliseconds to wait (0 waits for ever, for
    // requests that open a native dialog). The promise rejects with {code, message} on a
    // failure reply and with {timeout: true, message} when no answer came in time.
    function request(text, options) {
        options = options || {};
        var timeout = options.timeout === undefined ? DEFAULT_TIMEOUT_MS : options.timeout;
        var entry = { text: text, started: Date.now(), state: 'pending', reply: '' };
        remember(history.requests, entry);
        emit('request', entry);
        return new Promise(function (resolve, reject) {
            var settled = false;
            var timer = null;
            var id = null;
            function settle(state, reply, ok, value) {
                if (settled) return;
                settled = true;
                if (timer) clearTimeout(timer);
                entry.state = state;
                entry.reply = reply;
                entry.ms = Date.now() - entry.started;
                emit('request', entry);
                (ok ? resolve : reject)(value);
            }
            if (typeof window.cefQuery !== 'function') {
                settle('unavailable', '', false, { unavailable: true, message: 'The driver is not connected' });
                return;
            }
            id = window.cefQuery({
                request: text,
                persistent: false,
                onSuccess: function (response) { settle('ok', response, true, response); },
                onFailure: function (code, message) {
                    settle('failed', code + ' ' + message, false, { code: code, message: message });
                }
            });
            if (timeout > 0) {
                timer = setTimeout(function () {
                    try { window.cefQueryCancel(id); } catch (e) { /* already gone */ }
                    settle('timeout', '', false, { timeout: true, message: 'The driver did not answer' });
                }, timeout);
            }
        });
    }

    function commandText(funcname, args) {
        var o = { funcname: funcname };
        Object.keys(args || {}).forEach(function (k) { o[k] = args[k]; });
        return JSON.stringify(o);
    }

    function command(funcname, args, options) {
        return request(commandText(funcname, args), options);
    }

    // Requests the driver never answers ("maxsizeWindow", "restoreWindow", "loadurl", ...).
    // They are sent and left alone: cancelling them could drop them before they are handled.
    function send(text) {
        var entry = { text: text, started: Date.now(), state: 'sent', reply: '' };
        remember(history.requests, entry);
        emit('request', entry);
        if (typeof window.cefQuery === 'function')
            window.cefQuery({ request: text, persistent: false, onSuccess: function () {}, onFailure: function () {} });
    }

    function describeError(err) {
        if (!err) return 'Unknown error';
        if (err.timeout) return 'No answer from the driver';
        if (err.unavailable) return 'The driver is not connected';
        return err.message || String(err);
    }

    // The driver calls each registered function with one array of the event's arguments.
    EVENT_NAMES.forEach(function (name) {
        if (typeof window.setMessageCallback !== 'function') return;
        window.setMessageCallback(name, function (args) {
            var item = { name: name, args: args, time: Date.now() };
            remember(history.events, item);
            emit('event', item);
            emit(name, args);
            return true;
        });
    });

    return {
        EVENT_NAMES: EVENT_NAMES,
        request: request,
        command: command,
        commandText: commandText,
        send: send,
        on: on,
        history: history,
        describeError: describeError,
        connected: typeof window.cefQuery === 'function'
    };
})();
