// Requests to the driver as promises. A request the driver does not answer stays pending.
var driver = (function () {
    function request(text) {
        return new Promise(function (resolve, reject) {
            window.cefQuery({
                request: text,
                persistent: false,
                onSuccess: resolve,
                onFailure: function (code, message) { reject({ code: code, message: message }); }
            });
        });
    }
    function command(funcname, args) {
        var o = { funcname: funcname };
        for (var k in args || {}) o[k] = args[k];
        return request(JSON.stringify(o));
    }
    return { request: request, command: command };
})();
