// The editor's page logic: building the category forms, loading the page
// data, switching categories, locks, the four commands and saving.
//
// Everything but the shown form works from the properties themselves: a
// category's form is built only when it is first shown, since building all of
// them made up most of the page's start-up.

var loaded = false;
var currentCategory = null;
var currentTreeId = null;
var tocTree = null;
var lockImgs = ["images/unlock.gif", "images/lock.gif", "images/no_lock.gif"];

// Tree entries in document order; zf0, z18 and zf1 are folders that only
// open and close, every category has an entry of its own.
var treeIds = ["zf0", "z0", "z1", "z2", "z3", "z4", "z5", "z6", "z18", "z7", "z8", "z9", "z10", "z11", "zf1", "z12",
    "z13", "z14", "z15", "z16", "z17"];

// Category name -> number of its tree entry.
var treeEntryOf = {
    "Kestrix Options": 0, "Internet Privacy": 1, "Playback": 2, "Hardware": 3, "Network Transports": 4,
    "Proxy": 5, "Connection": 6, "Windows Media Options": 7, "Streaming Protocol": 8, "Streaming Proxy": 9,
    "Performance": 10, "QuickTime Options": 11, "Player Options": 12, "Favorites Menu": 13, "Help Menu": 14,
    "Installation Options": 15, "Uninstallation Options": 16, "Datatypes": 17
};

// Categories whose form was built (shown at least once); only they can hold
// typed values.
var built = {};
var formContainer = null;

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
    var events = " onchange=\"onCtrlChange(this)\" aria-describedby=\"DESC_" + name + " ERR_" + name + "\"";
    var html;
    var i;
    if (row.kind == "select") {
        html = "<select name=\"" + name + "\" id=\"CTRL_" + name + "\"" + events + ">";
        for (i = 0; i < row.choices.length; i++) {
            html += "<option value=\"" + htmlText(row.choices[i][0]) + "\">" + htmlText(row.choices[i][1]) + "</option>";
        }
        return html + "</select>";
    }
    if (row.kind == "area") {
        return "<textarea name=\"" + name + "\" id=\"CTRL_" + name + "\" rows=\"3\" cols=\"40\"" + events +
            "></textarea>";
    }
    return "<input type=\"text\" class=\"text\" name=\"" + name + "\" id=\"CTRL_" + name + "\" maxlength=\"255\"" +
        events + ">";
}

function lockCellHtml(prop) {
    var name = htmlText(prop.propName);
    var img = "<img name=\"" + name + "LOCKIMG\" id=\"" + name + "LOCKIMG\" src=\"" + lockImgs[prop.getLockState()] +
        "\" width=\"16\" height=\"16\" border=\"0\" alt=\"\"";
    if (!prop.lockable) {
        return img + " title=\"Property cannot be locked\">";
    }
    return "<a href=\"#\" title=\"toggle the lock state of this property\" onclick=\"toggleStatus('" +
        htmlText(jsText(prop.propName)) + "');return false\" id=\"LOCK_" + name + "\" role=\"checkbox\"" +
        " aria-checked=\"" + (prop.getLockState() == 1 ? "true" : "false") + "\" aria-label=\"Locked: " +
        htmlText(settingLabel(prop)) + "\">" + img + "></a>";
}

function categoryHeadline(categoryName) {
    return hasOwn(categoryHeadlines, categoryName) ? categoryHeadlines[categoryName] : categoryName;
}

// Property name -> its form row, for the properties that have one.
var rowOfProp = {};

// The name a setting goes by in messages and lists: its label, or its key
// when it has no row of its own.
function settingLabel(prop) {
    var row = hasOwn(rowOfProp, prop.propName) ? rowOfProp[prop.propName] : null;
    return (row && row.label) ? row.label : settingKey(prop);
}

// The configuration keys a setting is written under, as the file names them.
function settingKey(prop) {
    var row = hasOwn(rowOfProp, prop.propName) ? rowOfProp[prop.propName] : null;
    var pairs;
    var names = [];
    var i;
    if (row && row.key) {
        return row.key;
    }
    pairs = prop.getPairs();
    for (i = 0; i < pairs.length; i++) {
        names[i] = String(pairs[i][0]).replace(/-/g, ".");
    }
    return names.join(", ");
}

function settingDescription(prop) {
    var row = hasOwn(rowOfProp, prop.propName) ? rowOfProp[prop.propName] : null;
    return (row && row.description) ? row.description : "";
}

function hasLockable(categoryName) {
    var props = paths[categoryName];
    var name;
    for (name in props) {
        if (hasOwn(props, name) && props[name].lockable) {
            return true;
        }
    }
    return false;
}

function categoryHtml(categoryName) {
    var rows = formRows[categoryName];
    var id = htmlText(categoryName);
    var html = "<div class=\"category\" id=\"DIV_" + id + "\" style=\"display:none\">" +
        "<h1 class=\"headline\" id=\"HEADLINE_" + id + "\">" + htmlText(categoryHeadline(categoryName)) + "</h1>" +
        "<form id=\"FORM_" + id + "\" name=\"FORM_" + id + "\" action=\"\" onsubmit=\"return false\">" +
        "<table class=\"commands\" cellspacing=\"0\" cellpadding=\"0\"><tr>" +
        commandLink("askDefaultAll()", "apply_defaults.gif", "Apply defaults") +
        commandLink("onResetAll()", "reset_preferences_dk.gif", "Reset");
    var i;
    var j;
    var row;
    var prop;
    var name;
    // Locking needs something lockable: the commands would otherwise do nothing.
    if (hasLockable(categoryName)) {
        html += commandLink("onLockAll(1)", "lock_section.gif", "Lock all") +
            commandLink("onLockAll(0)", "unlock_section.gif", "Unlock all");
    }
    html += "</tr></table><table class=\"props\" cellspacing=\"0\" cellpadding=\"0\">";
    for (i = 0; i < rows.length; i++) {
        row = rows[i];
        if (row.heading !== undefined) {
            html += "<tr class=\"group\"><th colspan=\"3\">" + htmlText(row.heading) + "</th></tr>";
            continue;
        }
        prop = paths[categoryName][row.prop];
        name = htmlText(prop.propName);
        html += "<tr class=\"prop\" id=\"ROW_" + name + "\"><td class=\"label\"><label for=\"CTRL_" + name + "\">" +
            htmlText(row.label) + "</label><span class=\"mark\" id=\"MARK_" + name + "\"></span>" +
            "<div class=\"desc\" id=\"DESC_" + name + "\">" + htmlText(settingDescription(prop)) +
            " <span class=\"key\">" + htmlText(settingKey(prop)) + "</span></div></td><td class=\"lock\">" +
            lockCellHtml(prop) + "</td><td class=\"ctl\">" + controlHtml(row, prop);
        if (row.hint) {
            html += "<span class=\"hint\">" + htmlText(row.hint) + "</span>";
        }
        for (j = 0; j < row.notes.length; j++) {
            html += "<div class=\"note\">" + htmlText(row.notes[j]) + "</div>";
        }
        html += "<a href=\"#\" class=\"reset\" id=\"RESET_" + name + "\" style=\"display:none\" onclick=\"resetSetting('" +
            htmlText(jsText(prop.propName)) + "');return false\" aria-label=\"Reset " + htmlText(row.label) +
            " to the installer's value\">Reset to installer's value</a>" +
            "<div class=\"error\" id=\"ERR_" + name + "\" role=\"alert\" style=\"display:none\"></div></td></tr>";
    }
    return html + "</table></form></div>";
}

function buildForms(containerId) {
    var i;
    var j;
    var rows;
    for (i = 0; i < headings.length; i++) {
        rows = formRows[headings[i]];
        for (j = 0; j < rows.length; j++) {
            if (rows[j].prop !== undefined) {
                rowOfProp[rows[j].prop] = rows[j];
            }
        }
    }
    formContainer = getElem(containerId);
    formContainer.innerHTML = "<div id=\"results\" class=\"category\" style=\"display:none\"></div>";
}

// Builds a category's form the first time it is needed, showing the values,
// locks and marks its properties hold by then.
function ensureForm(categoryName) {
    var holder;
    if (hasOwn(built, categoryName) || !hasOwn(paths, categoryName) || !formContainer) {
        return;
    }
    built[categoryName] = true;
    holder = document.createElement("div");
    holder.innerHTML = categoryHtml(categoryName);
    formContainer.insertBefore(holder.firstChild, getElem("results"));
    eachProp(categoryName, function (prop) {
        prop.fillForm();
        markRow(prop);
    });
    refreshDependents();
    if (categoryName == "QuickTime Options" && typeof showQuickTimeFile == "function") {
        showQuickTimeFile();
    }
}

// Locks

function setLockImage(prop) {
    var img = getElem(prop.propName + "LOCKIMG");
    var src = lockImgs[prop.getLockState()];
    var link = getElem("LOCK_" + prop.propName);
    if (link) {
        link.setAttribute("aria-checked", prop.getLockState() == 1 ? "true" : "false");
    }
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
    refreshMark(prop);
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
        clearError(prop);
        refreshMark(prop);
    });
    refreshDependents();
}

// Back to the installer's value and lock, on the form as well.
function restoreInstallerValue(prop) {
    prop.clientValue = null;
    if (prop.lockable) {
        prop.clientLocked = null;
    }
    prop.fillForm();
    setLockImage(prop);
    clearError(prop);
    refreshMark(prop);
}

function onResetAll() {
    if (currentCategory === null) {
        return;
    }
    eachProp(currentCategory, restoreInstallerValue);
    refreshDependents();
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

// Says which installer is being edited, when the program told the page.
function showInstallerName() {
    var elem = getElem("installer");
    var name = window.installerName;
    if (elem && typeof name == "string" && name !== "") {
        elem.appendChild(document.createTextNode("Installer: " + name));
        elem.title = name;
    }
}

// The catalogue words the lock legend, when it does.
function showLockLegend() {
    var elem = getElem("legendLocked");
    if (elem && typeof window.catalogueLockLegend == "string" && window.catalogueLockLegend !== "") {
        setText(elem, window.catalogueLockLegend);
    }
}

// Validates every property of a category and shows a message beside each
// bad one; the first bad control gets the focus. The names of the bad
// properties are appended to `bad` when given.
function validateForm(categoryName, bad) {
    var props = paths[categoryName];
    var name;
    var bandwidth;
    var maximum;
    var message;
    var ok = true;
    var first = null;
    for (name in props) {
        if (hasOwn(props, name) && !validateProp(props[name])) {
            ok = false;
            if (first === null) {
                first = props[name];
            }
            if (bad) {
                bad[bad.length] = props[name];
            }
        }
    }
    if (ok && categoryName == "Connection") {
        bandwidth = props["Bandwidth"];
        maximum = props["MaxBandwidth"];
        if (typeof window.checkSettingRelation == "function") {
            // The shared rule names both settings.
            message = window.checkSettingRelation("Bandwidth", bandwidth.getValue(), maximum.getValue());
            if (message !== "") {
                showSettingError(bandwidth, message);
                ok = false;
            }
        } else if (parseInt(bandwidth.getValue(), 10) > parseInt(maximum.getValue(), 10)) {
            ok = rejectInput(bandwidth.getCtrl(), "Normal Bandwidth should not exceed the Maximum Bandwidth.");
        }
        if (!ok) {
            first = bandwidth;
            if (bad) {
                bad[bad.length] = bandwidth;
            }
        }
    }
    if (first !== null) {
        focusCtrl(first.getCtrl());
    }
    return ok;
}

function toggle(entry) {
    var at = String(entry).lastIndexOf(":");
    var name = (at == -1) ? String(entry) : entry.substring(0, at);
    var id = (at == -1) ? "" : entry.substring(at + 1);
    if (!hasOwn(paths, name)) {
        return;
    }
    if (resultsShown && !hideResults()) {
        return;
    }
    if (id === "" && hasOwn(treeEntryOf, name)) {
        id = String(treeEntryOf[name]);
    }
    if (id !== "" && tocTree) {
        tocTree.highlight("z" + id);
    }
    if (name == currentCategory) {
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
    ensureForm(name);
    setDisplay("DIV_" + name, true);
    currentCategory = name;
    // Nothing has scrolled yet while loading, and asking would lay the page
    // out before it is complete.
    if (loaded) {
        scrollContentTop();
    }
    if (id !== "") {
        currentTreeId = id;
    }
}

function toggleFolder(id) {
    if (tocTree) {
        tocTree.toggleFolder(id);
    }
    return false;
}

function onLoad() {
    var categoryName = null;
    tocTree = new TOCTree(treeIds);
    tocTree.openAll();
    Prop.serverData = isObj(window.serverData) ? window.serverData : {};
    enumPaths(paths, function (map, name, depth) {
        if (depth == 0) {
            categoryName = name;
            return false;
        }
        map[name].formName = categoryName;
        map[name].initData();
        return false;
    });
    showCodePage();
    showInstallerName();
    showLockLegend();
    refreshAllCounts();
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
