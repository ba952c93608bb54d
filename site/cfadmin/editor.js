// The editor's page logic: building the category forms, loading the page
// data, switching categories, locks, the four commands and saving.

var loaded = false;
var currentCategory = null;
var currentTreeId = null;
var tocTree = null;
var lockImgs = ["images/unlock.gif", "images/lock.gif", "images/no_lock.gif"];

// Tree entries in document order; z18 is the folder of the other players'
// categories (z7 to z11).
var treeIds = ["z0", "z1", "z2", "z3", "z4", "z5", "z6", "z18", "z7", "z8", "z9", "z10", "z11", "z12", "z13",
    "z14", "z15", "z16", "z17"];

// Configuration sections in file order, each with the categories it holds.
var saveGroups = [
    ["kx_preferences", ["Internet Privacy", "Playback", "Connection", "Network Transports", "Proxy", "Hardware"]],
    [null, ["Kestrix Options"]],
    ["favorites", ["Favorites Menu"]],
    ["helpmenu", ["Help Menu"]],
    ["setup", ["Player Options", "Installation Options", "Uninstallation Options"]],
    ["datatypes", ["Datatypes"]],
    ["wm_preferences", ["Windows Media Options", "Streaming Protocol", "Streaming Proxy", "Performance"]],
    ["qt_preferences", ["QuickTime Options"]]
];

function hasOwn(map, name) {
    return Object.prototype.hasOwnProperty.call(map, name);
}

function enumPaths(map, callback, maxDepth, depth, prefix) {
    var name;
    var member;
    var path;
    var result;
    depth = depth || 0;
    prefix = prefix || "";
    for (name in map) {
        if (!hasOwn(map, name) || !isObj(map[name])) {
            continue;
        }
        member = map[name];
        path = (prefix === "") ? name : prefix + "." + name;
        result = callback(map, name, depth, path);
        if (result) {
            return result;
        }
        if (!(member instanceof Prop) && (!maxDepth || depth + 1 < maxDepth)) {
            result = enumPaths(member, callback, maxDepth, depth + 1, path);
            if (result) {
                return result;
            }
        }
    }
    return false;
}

function eachProp(categoryName, action) {
    var props = paths[categoryName];
    var name;
    for (name in props) {
        if (hasOwn(props, name)) {
            action(props[name]);
        }
    }
}

// Form building

function htmlText(text) {
    return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
}

function jsText(text) {
    return String(text).replace(/\\/g, "\\\\").replace(/'/g, "\\'");
}

function commandLink(action, image, label) {
    return "<td><a href=\"#\" class=\"command\" onclick=\"" + action + ";return false\">" +
        "<img src=\"images/" + image + "\" width=\"16\" height=\"16\" alt=\"\" border=\"0\">" + label + "</a></td>";
}

function controlHtml(row, prop) {
    var name = htmlText(prop.propName);
    var html;
    var i;
    if (row.kind == "select") {
        html = "<select name=\"" + name + "\" id=\"CTRL_" + name + "\">";
        for (i = 0; i < row.choices.length; i++) {
            html += "<option value=\"" + htmlText(row.choices[i][0]) + "\">" + htmlText(row.choices[i][1]) + "</option>";
        }
        return html + "</select>";
    }
    if (row.kind == "area") {
        return "<textarea name=\"" + name + "\" id=\"CTRL_" + name + "\" rows=\"3\" cols=\"40\"></textarea>";
    }
    return "<input type=\"text\" class=\"text\" name=\"" + name + "\" id=\"CTRL_" + name + "\" maxlength=\"255\">";
}

function lockCellHtml(prop) {
    var name = htmlText(prop.propName);
    var img = "<img name=\"" + name + "LOCKIMG\" id=\"" + name + "LOCKIMG\" src=\"" + lockImgs[prop.getLockState()] +
        "\" width=\"16\" height=\"16\" border=\"0\" alt=\"\"";
    if (!prop.lockable) {
        return img + " title=\"Property cannot be locked\">";
    }
    return "<a href=\"#\" title=\"toggle the lock state of this property\" onclick=\"toggleStatus('" +
        htmlText(jsText(prop.propName)) + "');return false\">" + img + "></a>";
}

function categoryHtml(categoryName) {
    var rows = formRows[categoryName];
    var id = htmlText(categoryName);
    var headline = hasOwn(categoryHeadlines, categoryName) ? categoryHeadlines[categoryName] : categoryName;
    var html = "<div class=\"category\" id=\"DIV_" + id + "\" style=\"display:none\">" +
        "<h1 class=\"headline\" id=\"HEADLINE_" + id + "\">" + htmlText(headline) + "</h1>" +
        "<form id=\"FORM_" + id + "\" name=\"FORM_" + id + "\" action=\"\" onsubmit=\"return false\">" +
        "<table class=\"commands\" cellspacing=\"0\" cellpadding=\"0\"><tr>" +
        commandLink("onDefaultAll()", "apply_defaults.gif", "Apply defaults") +
        commandLink("onResetAll()", "reset_preferences_dk.gif", "Reset") +
        commandLink("onLockAll(1)", "lock_section.gif", "Lock all") +
        commandLink("onLockAll(0)", "unlock_section.gif", "Unlock all") +
        "</tr></table><table class=\"props\" cellspacing=\"0\" cellpadding=\"0\">";
    var i;
    var j;
    var row;
    var prop;
    for (i = 0; i < rows.length; i++) {
        row = rows[i];
        if (row.heading !== undefined) {
            html += "<tr class=\"group\"><th colspan=\"3\">" + htmlText(row.heading) + "</th></tr>";
            continue;
        }
        prop = paths[categoryName][row.prop];
        html += "<tr class=\"prop\"><td class=\"label\"><label for=\"CTRL_" + htmlText(prop.propName) + "\">" +
            htmlText(row.label) + "</label></td><td class=\"lock\">" + lockCellHtml(prop) + "</td><td class=\"ctl\">" +
            controlHtml(row, prop);
        if (row.hint) {
            html += "<span class=\"hint\">" + htmlText(row.hint) + "</span>";
        }
        for (j = 0; j < row.notes.length; j++) {
            html += "<div class=\"note\">" + htmlText(row.notes[j]) + "</div>";
        }
        html += "</td></tr>";
    }
    return html + "</table></form></div>";
}

function buildForms(containerId) {
    var html = "";
    var i;
    for (i = 0; i < headings.length; i++) {
        html += categoryHtml(headings[i]);
    }
    getElem(containerId).innerHTML = html;
}

// Locks

function setLockImage(prop) {
    var img = getElem(prop.propName + "LOCKIMG");
    var src = lockImgs[prop.getLockState()];
    if (!img) {
        return;
    }
    img.src = src;
    if (!isNav4) {
        // Some engines skip repainting an image swapped during a click. The
        // repeat asks for the state again: a quick second change (a toggle
        // then Reset) must not be undone by the first one's late repeat.
        window.setTimeout(function () {
            img.src = lockImgs[prop.getLockState()];
        }, 100);
    }
}

function toggleStatus(name, state) {
    var prop;
    if (currentCategory === null || !hasOwn(paths[currentCategory], name)) {
        return;
    }
    prop = paths[currentCategory][name];
    if (!prop.lockable) {
        return;
    }
    if (state === undefined || state === null) {
        prop.clientLocked = (prop.getLock() == 0) ? 1 : 0;
    } else {
        prop.clientLocked = state ? 1 : 0;
    }
    setLockImage(prop);
}

function onLockAll(state) {
    if (currentCategory === null) {
        return;
    }
    eachProp(currentCategory, function (prop) {
        toggleStatus(prop.propName, state);
    });
}

function onDefaultAll() {
    if (currentCategory === null) {
        return;
    }
    eachProp(currentCategory, function (prop) {
        if (prop.defaultValue === null) {
            return;
        }
        prop.clientValue = prop.defaultValue;
        if (prop.lockable) {
            prop.clientLocked = 0;
        }
        prop.fillForm();
        setLockImage(prop);
    });
}

function onResetAll() {
    if (currentCategory === null) {
        return;
    }
    eachProp(currentCategory, function (prop) {
        prop.clientValue = null;
        if (prop.lockable) {
            prop.clientLocked = null;
        }
        prop.fillForm();
        setLockImage(prop);
    });
}

// Loading and switching categories

// Names the code page the configuration's values were read in, when the
// program said which.
function showCodePage() {
    var elem = getElem("codepage");
    var codePage = window.configurationCodePage;
    if (elem && typeof codePage == "number" && codePage > 0) {
        elem.innerHTML = "Configuration code page " + codePage;
    }
}

function positionBlocks() {
    var first = getElem(treeIds[0]);
    var top = 0;
    var elem = first;
    var i;
    var block;
    while (elem) {
        top += elem.offsetTop;
        elem = elem.offsetParent;
    }
    for (i = 0; i < headings.length; i++) {
        block = getElem("DIV_" + headings[i]);
        if (block && first) {
            block.style.top = top + "px";
        }
    }
}

function validateForm(categoryName) {
    var props = paths[categoryName];
    var name;
    var bandwidth;
    var maximum;
    for (name in props) {
        if (hasOwn(props, name) && !props[name].validate()) {
            return false;
        }
    }
    if (categoryName == "Connection") {
        bandwidth = props["Bandwidth"];
        maximum = props["MaxBandwidth"];
        if (parseInt(bandwidth.getValue(), 10) > parseInt(maximum.getValue(), 10)) {
            return rejectInput(bandwidth.getCtrl(), "Normal Bandwidth should not exceed the Maximum Bandwidth.");
        }
    }
    return true;
}

function toggle(entry) {
    var at = String(entry).lastIndexOf(":");
    var name = (at == -1) ? String(entry) : entry.substring(0, at);
    var id = (at == -1) ? "" : entry.substring(at + 1);
    if (id !== "" && tocTree) {
        tocTree.highlight("z" + id);
    }
    if (name == currentCategory || !hasOwn(paths, name)) {
        return;
    }
    if (currentCategory !== null) {
        if (!validateForm(currentCategory)) {
            // The user stays on the category with the bad value; so does the tree.
            if (tocTree && currentTreeId !== null) {
                tocTree.highlight("z" + currentTreeId);
            }
            return;
        }
        setDisplay("DIV_" + currentCategory, false);
    }
    setDisplay("DIV_" + name, true);
    currentCategory = name;
    if (id !== "") {
        currentTreeId = id;
    }
}

function onLoad() {
    var categoryName = null;
    tocTree = new TOCTree(treeIds);
    tocTree.openAll();
    Prop.serverData = isObj(window.serverData) ? window.serverData : {};
    enumPaths(paths, function (map, name, depth) {
        var prop;
        if (depth == 0) {
            categoryName = name;
            return false;
        }
        prop = map[name];
        prop.formName = categoryName;
        prop.initData();
        prop.fillForm();
        setLockImage(prop);
        return false;
    });
    showCodePage();
    if (typeof showQuickTimeFile == "function") {
        showQuickTimeFile();
    }
    positionBlocks();
    toggle("Internet Privacy:1");
    loaded = true;
}

// Saving

// The Windows Media section keeps the player's own names and units: the page
// shows its bandwidth under a name of its own and the buffer time in seconds.
function wmFileEntry(name, field, value) {
    var seconds;
    if (name == "WM_MaxBandwidth") {
        return ["MaxBandwidth", value];
    }
    if (name == "CustomBufferTime" && field == "SuggestedValue") {
        // The integer check lets "5.0" or "+5" through, and the player reads
        // only whole digits, so such a text must become plain milliseconds too.
        seconds = parseInt(value, 10);
        if (!isNaN(seconds) && seconds == Number(value)) {
            return [name, String(seconds * 1000)];
        }
    }
    return [name, value];
}

function _createSection(section, text, convert) {
    var items = String(text).split("&");
    var order = [];
    var values = {};
    var locks = {};
    var i;
    var item;
    var dot;
    var eq;
    var name;
    var rest;
    var field;
    var value;
    var entry;
    var out = (section === null || section === undefined) ? "" : "[" + section + "]\r\n";
    var counted = (section == "kx_preferences" || section == "datatypes");
    var keyName = (section == "datatypes") ? "DataType" : "Key";
    var valueName = (section == "datatypes") ? "Status" : "Value";
    for (i = 0; i < items.length; i++) {
        item = items[i];
        dot = item.indexOf(".");
        if (item === "" || dot == -1) {
            continue;
        }
        name = item.substring(0, dot).replace(/-/g, ".");
        rest = item.substring(dot + 1);
        eq = rest.indexOf("=");
        if (eq == -1) {
            continue;
        }
        field = rest.substring(0, eq);
        value = unescapeAll(rest.substring(eq + 1));
        if (convert) {
            entry = convert(name, field, value);
            name = entry[0];
            value = entry[1];
        }
        if (!hasOwn(values, name) && !hasOwn(locks, name)) {
            order[order.length] = name;
        }
        if (field == "IsLocked") {
            locks[name] = value;
        } else {
            values[name] = value;
        }
    }
    for (i = 0; i < order.length; i++) {
        name = order[i];
        value = hasOwn(values, name) ? values[name] : "";
        if (counted) {
            out += keyName + (i + 1) + "=" + name + "\r\n" + valueName + (i + 1) + "=" + value + "\r\n";
            if (hasOwn(locks, name) && !isBlank(locks[name])) {
                out += "Locked" + (i + 1) + "=" + locks[name] + "\r\n";
            }
        } else {
            out += name + "=" + value + "\r\n";
        }
    }
    if (counted) {
        out += ((section == "datatypes") ? "DatatypeCount=" : "PrefsCount=") + order.length + "\r\n";
    }
    return out + "\r\n";
}

// The configuration as saved; with `unedited`, as it would be saved had
// nothing been edited.
function configurationText(unedited) {
    var text = "";
    var g;
    var c;
    var params;
    var addParams = function (prop) {
        params += prop.getParams(true);
    };
    for (g = 0; g < saveGroups.length; g++) {
        params = "";
        Prop.unedited = !!unedited;
        try {
            for (c = 0; c < saveGroups[g][1].length; c++) {
                eachProp(saveGroups[g][1][c], addParams);
            }
        } finally {
            Prop.unedited = false;
        }
        text += _createSection(saveGroups[g][0], params, saveGroups[g][0] == "wm_preferences" ? wmFileEntry : null);
    }
    return text;
}

function onSave() {
    if (!loaded) {
        return false;
    }
    if (currentCategory !== null && !validateForm(currentCategory)) {
        return false;
    }
    // Generation applies only what was edited to the installer's own
    // configuration; the unedited twin tells the edits from the values that
    // merely pass through the editor (defaults, tidied lists, units).
    if (!WriteToFile("kxunedited.ini", configurationText(true))) {
        return false;
    }
    return WriteToFile("kxenterprise.ini", configurationText(false));
}

function pageLocation() {
    var href = String(document.location.href);
    // A query or fragment is no part of the file's path.
    var end = href.search(/[?#]/);
    if (end != -1) {
        href = href.substring(0, end);
    }
    try {
        return decodeURIComponent(href);
    } catch (e) {
        return unescape(href);
    }
}

// Writes text and a closing line break to fileName beside the page: through
// the scripting file system object where the engine has one, otherwise
// through the host's bridge, which adds the line break.
function WriteToFile(fileName, text) {
    var fso;
    var path;
    var target;
    var stream;
    var request;
    if (isIE) {
        try {
            fso = new ActiveXObject("Scripting.FileSystemObject");
            path = pageLocation();
            if (path.length > 7 && path.substring(0, 8).toLowerCase() == "file:///") {
                path = path.substring(8);
            }
            if (isBlank(trim(path))) {
                return false;
            }
            target = fso.BuildPath(fso.GetFile(path).ParentFolder, fileName);
            stream = fso.CreateTextFile(target, true);
            stream.WriteLine(text);
            stream.Close();
            return true;
        } catch (e) {
            alert("Error generating configuration file");
            return false;
        }
    }
    // The host's bridge takes the request by cancelling the event.
    if (document.createEvent) {
        try {
            request = document.createEvent("CustomEvent");
            request.initCustomEvent("kx-write-file", false, true, {name: fileName, text: text});
            return !document.dispatchEvent(request);
        } catch (e2) {
            alert("Error generating configuration file");
            return false;
        }
    }
    return false;
}

// The host catches the navigation to this function's link and generates the
// installer; the page itself has nothing left to do.
function onGenerate() {
}
