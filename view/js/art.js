// The mouse drawn from above, with its eight buttons as zones numbered 1-8 (the numbers the
// device uses). Shared by the device page (as a picture) and the buttons page (as a map).
var art = (function () {
    'use strict';

    var ZONES = [
        { n: 1, shape: '<path class="zone" d="M77 13C44 15 20 40 18 92L18 108H77Z"/>', x: 46, y: 68 },
        { n: 2, shape: '<path class="zone" d="M83 13C116 15 140 40 142 92L142 108H83Z"/>', x: 114, y: 68 },
        { n: 3, shape: '<rect class="zone" x="71" y="28" width="18" height="36" rx="9"/>', x: 80, y: 46 },
        { n: 4, shape: '<rect class="zone" x="3" y="150" width="11" height="28" rx="4"/>', x: 8.5, y: 164 },
        { n: 5, shape: '<rect class="zone" x="3" y="118" width="11" height="28" rx="4"/>', x: 8.5, y: 132 },
        { n: 6, shape: '<rect class="zone" x="71" y="70" width="18" height="13" rx="3"/>', x: 80, y: 76.5 },
        { n: 7, shape: '<rect class="zone" x="71" y="86" width="18" height="13" rx="3"/>', x: 80, y: 92.5 },
        { n: 8, shape: '<circle class="zone" cx="80" cy="132" r="10"/>', x: 80, y: 132 }
    ];

    var BODY = '<defs><linearGradient id="body" x1="0" y1="0" x2="0" y2="1">' +
               '<stop offset="0" stop-color="#343940"/><stop offset="1" stop-color="#24282d"/></linearGradient>' +
               '<filter id="glow" x="-50%" y="-200%" width="200%" height="500%"><feGaussianBlur stdDeviation="4"/></filter></defs>' +
               '<path d="M80 8C122 8 146 40 148 92L150 170C150 225 120 252 80 252C40 252 10 225 10 170L12 92C14 40 38 8 80 8Z" ' +
               'fill="url(#body)" stroke="#4a5159" stroke-width="2"/>';

    function light(color) {
        return '<rect x="48" y="206" width="64" height="5" rx="2.5" fill="' + color + '" filter="url(#glow)" opacity="0.9"/>' +
               '<rect x="52" y="207" width="56" height="3" rx="1.5" fill="' + color + '"/>';
    }

    // options.numbers: draw the button numbers; options.light: the lighting colour or null.
    function mouseSvg(options) {
        options = options || {};
        var parts = [BODY];
        ZONES.forEach(function (z) {
            parts.push('<g class="hot" data-button="' + z.n + '">' + z.shape +
                       (options.numbers ? '<text class="num" x="' + z.x + '" y="' + z.y + '">' + z.n + '</text>' : '') +
                       '</g>');
        });
        if (options.light) parts.push(light(options.light));
        return '<svg viewBox="0 0 160 260" xmlns="http://www.w3.org/2000/svg">' + parts.join('') + '</svg>';
    }

    return { mouseSvg: mouseSvg };
})();
