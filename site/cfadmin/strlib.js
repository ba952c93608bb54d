// String helpers shared by the form and save logic.

function trim(text) {
    return String(text).replace(/^\s+/, "").replace(/\s+$/, "");
}

// The part of text before the first occurrence of sep (all of it when absent).
function leftProp(text, sep) {
    var at = text.indexOf(sep);
    return (at == -1) ? text : text.substring(0, at);
}

// Binary search in a sorted array of strings; the index, or -1.
function bSearch(list, key) {
    var lo = 0;
    var hi = list.length - 1;
    var mid;
    while (lo <= hi) {
        mid = (lo + hi) >> 1;
        if (list[mid] < key) {
            lo = mid + 1;
        } else if (list[mid] > key) {
            hi = mid - 1;
        } else {
            return mid;
        }
    }
    return -1;
}

// escape() leaves '+', '.' and '/' alone; the save format splits on '.' and
// '&', so a value must not carry any of them raw.
function escapeAll(text) {
    return escape(String(text)).replace(/\+/g, "%2B").replace(/\./g, "%2E").replace(/\//g, "%2F");
}

// unescape() already decodes %2B, %2E and %2F; decoding them a second time
// would turn a typed "%2B" into "+", so this is a plain unescape.
function unescapeAll(text) {
    return unescape(String(text));
}

function escapePlus(text) {
    return escape(String(text)).replace(/\+/g, "%2B");
}
