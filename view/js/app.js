(function () {
    'use strict';
    var eventNames = ['devicesChanged', 'macroItem', 'currentPropChanged',
                      'navStateChanged', 'onDeviceData', 'onProcessChanged'];

    function show(id, promise) {
        var el = document.getElementById(id);
        promise.then(function (text) {
            try { el.textContent = JSON.stringify(JSON.parse(text), null, 2); }
            catch (e) { el.textContent = text; }
        }, function (err) { el.textContent = 'failed: ' + err.message; });
    }

    function logEvent(name, args) {
        var list = document.getElementById('events');
        var item = document.createElement('li');
        item.textContent = new Date().toLocaleTimeString() + '  ' + name + ' ' + JSON.stringify(args);
        list.insertBefore(item, list.firstChild);
        while (list.children.length > 200) list.removeChild(list.lastChild);
    }

    eventNames.forEach(function (name) {
        setMessageCallback(name, function (args) { logEvent(name, args); });
    });

    show('conf', driver.command('getConf'));
    show('devices', driver.command('getDevicesList', { PARAMSIZE: 0 }));

    // Title bar: drag moves the window, the buttons minimise and close it.
    var bar = document.getElementById('titlebar');
    var drag = null;
    bar.addEventListener('mousedown', function (e) {
        if (e.button !== 0 || e.target.closest('button')) return;
        drag = { x: e.screenX, y: e.screenY };
    });
    window.addEventListener('mousemove', function (e) {
        if (!drag) return;
        var dx = e.screenX - drag.x, dy = e.screenY - drag.y;
        if (!dx && !dy) return;
        drag = { x: e.screenX, y: e.screenY };
        driver.request('moveWindow:' + dx + ',' + dy + ',' + window.innerWidth + ',' + window.innerHeight);
    });
    window.addEventListener('mouseup', function () { drag = null; });
    document.getElementById('btn-min').addEventListener('click', function () {
        driver.request('{"funcname":"minisizeWindow"}');
    });
    document.getElementById('btn-close').addEventListener('click', function () {
        driver.command('closeApp');
    });
})();
