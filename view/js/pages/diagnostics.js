// Diagnostics: every event the driver sent and every request the page made, for support.
// The event list (#events) shows each event as "<name> <JSON arguments>".
(function () {
    'use strict';
    var h = ui.h;
    var MAX_ROWS = 200;

    var events, requests, rows = new Map();

    function time(ms) { return new Date(ms).toLocaleTimeString(); }

    function addEvent(item) {
        events.insertBefore(h('li', h('span.time', time(item.time)),
                              h('span.text', item.name + ' ' + JSON.stringify(item.args))), events.firstChild);
        while (events.children.length > MAX_ROWS) events.removeChild(events.lastChild);
    }

    function requestRow(entry) {
        var row = rows.get(entry);
        if (!row) {
            row = h('li');
            rows.set(entry, row);
            requests.insertBefore(row, requests.firstChild);
            while (requests.children.length > MAX_ROWS) {
                var last = requests.lastChild;
                rows.forEach(function (r, k) { if (r === last) rows.delete(k); });
                requests.removeChild(last);
            }
        }
        ui.clear(row);
        row.appendChild(h('span.time', time(entry.started)));
        row.appendChild(h('span.state.' + entry.state, entry.state + (entry.ms !== undefined ? ' ' + entry.ms + 'ms' : '')));
        row.appendChild(h('span.text', { title: entry.text }, h('span', entry.text),
                                 entry.reply ? h('span.reply', '→ ' + String(entry.reply).slice(0, 160)) : null));
    }

    function sendRaw(input, e) {
        var text = input.value.trim();
        if (!text) return;
        ui.busy(e.currentTarget, function () {
            return driver.request(text).then(function (reply) { ui.toast('Answer: ' + (reply === '' ? '(empty)' : reply.slice(0, 120))); },
                                              function (err) { ui.failed('Request', err); });
        });
    }

    app.addPage({
        id: 'diagnostics', title: 'Diagnostics', icon: 'pulse', subtitle: 'What the page and the driver say to each other',
        build: function (root) {
            events = h('ol.log#events');
            requests = h('ol.log#requests');
            var raw = h('input', { type: 'text', placeholder: '{"funcname":"getConf"}', 'aria-label': 'Request', style: 'flex:1' });
            var sendButton = h('button.btn', { on: { click: function (e) { sendRaw(raw, e); } } }, 'Send');
            raw.addEventListener('keydown', function (e) { if (e.key === 'Enter') sendButton.click(); });
            root.appendChild(h('div.grid',
                h('div.card', h('div.card-head', h('h2', 'Events'), h('span.hint', 'newest first')), events),
                h('div.card', h('div.card-head', h('h2', 'Requests'), h('span.hint', 'newest first')), requests),
                h('div.card.span-2', h('div.card-head', h('h2', 'Send a request')),
                  h('div.row', raw, sendButton,
                    h('button.btn.ghost', { on: { click: function () { driver.send(driver.commandText('loadurl', { url: '/view/index.html' })); } } },
                      ui.icon('refresh'), 'Reload interface')))));
            driver.history.events.slice().reverse().forEach(addEvent);
            driver.history.requests.slice().reverse().forEach(requestRow);
            driver.on('event', addEvent);
            driver.on('request', requestRow);
        }
    });
})();
