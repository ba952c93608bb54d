// Cross-browser layer: browser flags, element lookup and showing/hiding.
// Written for the oldest engines the editor meets (ES3 syntax throughout).

var xbAgent = navigator.userAgent;

// The embedded WebBrowser control reports itself as Internet Explorer; in
// its newest document mode only the ActiveX constructor still gives it away.
var isIE = (xbAgent.indexOf("MSIE") != -1) || (xbAgent.indexOf("Trident/") != -1) ||
    (typeof window.ActiveXObject != "undefined") || ("ActiveXObject" in window);
var isNav4 = (navigator.appName == "Netscape") && (parseInt(navigator.appVersion, 10) == 4) &&
    !document.getElementById;
var isMoz5 = !isIE && (xbAgent.indexOf("Mozilla/5") != -1);
var isX11 = xbAgent.indexOf("X11") != -1;
var isMac = xbAgent.indexOf("Mac") != -1;

function getElem(id) {
    if (document.getElementById) {
        return document.getElementById(id);
    }
    if (document.all) {
        return document.all[id];
    }
    return null;
}

function setDisplay(id, show) {
    var elem = (typeof id == "string") ? getElem(id) : id;
    if (elem && elem.style) {
        elem.style.display = show ? "block" : "none";
    }
}
