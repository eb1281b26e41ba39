// The XML documents the driver keeps for the page (profiles, program bindings), edited through
// its XPath commands. Edits stay in the driver's memory until "savexml" writes them.
var xmldocs = (function () {
    'use strict';

    var PROFILES = 'Resources/profiles/profile1.xml';
    var FACTORY_PROFILES = 'view/defaults/profile1.xml';
    var BINDINGS = 'view/xml/Moniter.xml';

    var unsaved = false;
    var listeners = [];

    function setUnsaved(value) {
        unsaved = value;
        listeners.forEach(function (fn) { fn(unsaved); });
    }

    function onUnsaved(fn) { listeners.push(fn); }

    function edited(promise) {
        return promise.then(function (reply) { setUnsaved(true); return reply; });
    }

    // Elements that `xpath` selects, parsed from the driver's printed nodes.
    function query(path, xpath) {
        return driver.command('queryProfile', { filePath: path, xpath: xpath }).then(function (text) {
            var doc = new DOMParser().parseFromString('<nodes>' + text + '</nodes>', 'application/xml');
            if (doc.getElementsByTagName('parsererror').length) throw { message: 'The document could not be read' };
            return Array.prototype.slice.call(doc.documentElement.children);
        });
    }

    function checkValues(values) {
        values.forEach(function (v) {
            if (String(v).indexOf(';') >= 0) throw { message: 'Texts may not contain ";"' };
        });
    }

    // Sets attributes that the selected elements already have. The driver resets the desktop's
    // double-click time with this command, so the user's own choice is put back afterwards.
    function modify(path, xpath, attributes) {
        var names = Object.keys(attributes);
        var values = names.map(function (n) { return attributes[n]; });
        checkValues(values);
        return edited(driver.command('modifyProfile', {
            filePath: path, xpath: xpath, attribute: names.join(';'), attributeValue: values.join(';')
        })).then(function (reply) {
            var position = localStorage.getItem('doubleClickPosition');
            if (position !== null)
                driver.command('modifyMouseDoubleClick', { position: Number(position) }).catch(function () {});
            return reply;
        });
    }

    function replaceContent(path, xpath, fragment) {
        return edited(driver.command('modifyProfileEx', { filePath: path, xpath: xpath, subTreeString: fragment }));
    }

    function add(path, xpath, name, attributes) {
        var names = Object.keys(attributes);
        var values = names.map(function (n) { return attributes[n]; });
        checkValues(values);
        if (values.some(function (v) { return v === ''; })) throw { message: 'Empty values cannot be stored' };
        return edited(driver.command('modifyAddProfile', {
            filePath: path, xpath: xpath, addNodeName: name, attribute: names.join(';'), attributeValue: values.join(';')
        }));
    }

    function remove(path, xpath) {
        return edited(driver.command('modifyRemoveProfile', { filePath: path, xpath: xpath }));
    }

    function save() {
        return driver.command('savexml').then(function (reply) { setUnsaved(false); return reply; });
    }

    function exportTo(path, xpath, file) {
        return driver.command('saveXmlAs', { srcFilePath: path, desFilePath: file, xpath: xpath });
    }

    function importInto(path, xpath, file) {
        return edited(driver.command('modifyReplaceProfileEx', {
            srcFilePath: file, desFilePath: path, srcXpath: '/', desXpath: xpath
        }));
    }

    function reset(source, destination) {
        return edited(driver.command('resetProfile', { srcFilePath: source, desFilePath: destination }));
    }

    function escapeXml(text) {
        return String(text).replace(/[&<>"']/g, function (c) {
            return { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&apos;' }[c];
        });
    }

    // An XPath string literal for any text.
    function literal(text) {
        text = String(text);
        if (text.indexOf("'") < 0) return "'" + text + "'";
        if (text.indexOf('"') < 0) return '"' + text + '"';
        return 'concat(' + text.split("'").map(function (p) { return "'" + p + "'"; }).join(", \"'\", ") + ')';
    }

    return {
        PROFILES: PROFILES, FACTORY_PROFILES: FACTORY_PROFILES, BINDINGS: BINDINGS,
        query: query, modify: modify, replaceContent: replaceContent, add: add, remove: remove, save: save,
        exportTo: exportTo, importInto: importInto, reset: reset, escapeXml: escapeXml, literal: literal,
        onUnsaved: onUnsaved, isUnsaved: function () { return unsaved; }, setUnsaved: setUnsaved
    };
})();
