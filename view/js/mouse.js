// The connected mice: the device commands for one mouse, and the list of mice kept fresh
// from "getDevicesList", "devicesChanged" and a slow poll (the driver reports only some
// device events, so the list is also re-read now and then).
var mouse = (function () {
    'use strict';

    var POLL_MS = 4000;

    function ids(dev) { return { HardwareID: dev.HardwareID, DevicePath: dev.DevicePath }; }

    function withIds(dev, extra) {
        var a = ids(dev);
        Object.keys(extra).forEach(function (k) { a[k] = extra[k]; });
        return a;
    }

    function readProp(dev, prop) {
        var size = protocol.PROP_SIZE[prop];
        return driver.command('readDevicesProp', withIds(dev, { PARAMSIZE: size, PARAMID: prop }))
            .then(protocol.parseBytes);
    }

    function writeProp(dev, prop, bytes) {
        return driver.command('writeDevicesProp', withIds(dev, {
            PARAMSIZE: bytes.length, PARAMID: prop, PARAMDATA: protocol.formatBytes(bytes)
        }));
    }

    function read(dev, address, size) {
        return driver.command('readByAddr', withIds(dev, { PARAMSIZE: size, PARAMADDRESS: protocol.formatAddress(address) }))
            .then(protocol.parseBytes);
    }

    function write(dev, address, bytes) {
        return driver.command('writeByAddr', withIds(dev, {
            PARAMSIZE: bytes.length, PARAMADDRESS: protocol.formatAddress(address), PARAMDATA: protocol.formatBytes(bytes)
        }));
    }

    function notify(dev, type, data) {
        return driver.command('notifyDevice', { HardwareID: dev.HardwareID, NotifyType: type, NotifyData: data });
    }

    function isEmpty(dev, address, size) {
        return driver.command('isPropEmpty', withIds(dev, { PARAMSIZE: size, PARAMADDRESS: protocol.formatAddress(address) }))
            .then(function (text) { return text === 'true'; });
    }

    function clean(dev, address, size) {
        return driver.command('cleanMacroByAddr', withIds(dev, { PARAMSIZE: size, PARAMADDRESS: protocol.formatAddress(address) }));
    }

    // Resolves true when written, false when the memory was in use (nothing written).
    function writeMacro(dev, address, bytes) {
        var addressText = protocol.formatAddress(address);
        return driver.command('writeMacroByAddr', withIds(dev, {
            PARAMSIZE: bytes.length, PARAMADDRESS: addressText, PARAMDATA: protocol.formatBytes(bytes)
        })).then(function (reply) {
            if (reply === 'true') return true;
            if (reply === addressText) return false;
            throw { message: 'Unexpected answer "' + reply + '"' };
        });
    }

    // ---- the list ----

    var state = { devices: [], selected: null, status: 'loading', error: null, subscribed: '' };
    var listeners = [];

    function changed() {
        listeners.forEach(function (fn) { try { fn(state); } catch (e) { console.error(e); } });
    }

    function onChange(fn) { listeners.push(fn); }

    function isLoader(dev) { return dev.DeviceID === protocol.LOADER_DEVICE_ID; }

    function sameList(a, b) {
        return a.length === b.length && a.every(function (d, i) { return d.HardwareID === b[i].HardwareID && d.Version === b[i].Version; });
    }

    // "Version" lists every mouse and subscribes those whose version it names to their data
    // reports. Subscribing again is harmless, and a mouse that restarted needs it, so each
    // refresh names the versions seen last time and asks again when a new one shows up.
    function refresh() {
        return driver.command('getDevicesList', { Version: state.subscribed }).then(function (text) {
            var list = JSON.parse(text);
            if (!Array.isArray(list)) throw { message: 'Unexpected device list' };
            var versions = list.filter(function (d) { return !isLoader(d) && d.Version; })
                               .map(function (d) { return d.Version; })
                               .filter(function (v, i, all) { return all.indexOf(v) === i; }).join(';');
            if (versions && versions !== state.subscribed) {
                state.subscribed = versions;
                driver.command('getDevicesList', { Version: versions }).catch(function () {});
            }
            if (sameList(list, state.devices) && state.status === 'ready') return;
            state.devices = list;
            state.status = 'ready';
            state.error = null;
            var keep = state.selected && list.filter(function (d) { return d.HardwareID === state.selected.HardwareID; })[0];
            state.selected = keep || list.filter(function (d) { return !isLoader(d); })[0] || null;
            changed();
        }, function (err) {
            if (state.status === 'ready' && err.timeout) return; // a slow moment; keep what we know
            state.status = 'error';
            state.error = err;
            state.devices = [];
            state.selected = null;
            changed();
        });
    }

    function select(hardwareId) {
        var d = state.devices.filter(function (x) { return x.HardwareID === hardwareId; })[0];
        if (d && d !== state.selected) {
            state.selected = d;
            changed();
        }
    }

    function start() {
        driver.on('devicesChanged', function () {
            // A mouse that restarts arrives a moment after the event.
            refresh();
            setTimeout(refresh, 1200);
        });
        setInterval(refresh, POLL_MS);
        return refresh();
    }

    function current() { return state.selected && !isLoader(state.selected) ? state.selected : null; }

    return {
        readProp: readProp, writeProp: writeProp, read: read, write: write, notify: notify,
        isEmpty: isEmpty, clean: clean, writeMacro: writeMacro,
        state: state, onChange: onChange, refresh: refresh, select: select, start: start, current: current,
        isLoader: isLoader
    };
})();
