// Reviewing edits: messages beside the controls, marks on changed settings
// and counts in the tree, search and the "Changed only" view, dependent
// fields, the change summary before generating and the in-page dialogs.

var invalidMessages = {};
var resultsShown = false;
// What the shown results were found for: leaving the search field repeats
// the search, and the list must not be rebuilt under the pointer.
var resultsQuery = null;
// The settings listed, as [category, property name].
var resultsFound = [];
var lastCategory = null;
// The configuration text last handed to generation, and the one before it;
// null before that.
var generatedText = null;
var previousGeneratedText = null;
var dialogReturnFocus = null;

// Each Apply switch and the categories whose settings apply only while it is Yes.
var applySwitches = [
    ["Kestrix Options", "ApplyKXPrefs",
        ["Internet Privacy", "Playback", "Hardware", "Network Transports", "Proxy", "Connection"]],
    ["Windows Media Options", "ApplyWMPrefs",
        ["Windows Media Options", "Streaming Protocol", "Streaming Proxy", "Performance"]],
    ["QuickTime Options", "ApplyQTPrefs", ["QuickTime Options"]]
];

// Fields that mean something only for some values of a choice: [category,
// choice, values that enable them, fields].
var dependentFields = [
    ["Proxy", "TZVandRTSPProxyFlag", ["1:1:0"], ["TZVProxyHost", "TZVProxyPort", "RTSPProxyHost", "RTSPProxyPort"]],
    ["Proxy", "HTTPProxyFlag", ["1:0:0"], ["HTTPProxyHost", "HTTPProxyPort"]],
    ["Streaming Proxy", "ProxyStyle_HTTP", ["2"], ["ProxyName_HTTP", "ProxyPort_HTTP"]],
    ["Streaming Proxy", "ProxyStyle_MMS", ["2"], ["ProxyName_MMS", "ProxyPort_MMS"]],
    ["Streaming Proxy", "ProxyStyle_RTSP", ["2"], ["ProxyName_RTSP", "ProxyPort_RTSP"]],
    ["QuickTime Options", "ApplyQTPrefs", ["1"], ["QuickTimeLocation"]]
];

function findProp(name) {
    var i;
    for (i = 0; i < headings.length; i++) {
        if (hasOwn(paths[headings[i]], name)) {
            return paths[headings[i]][name];
        }
    }
    return null;
}

function addClass(elem, name) {
    if (!hasClass(elem, name)) {
        elem.className = (elem.className === "") ? name : elem.className + " " + name;
    }
}

function removeClass(elem, name) {
    elem.className = elem.className.replace(new RegExp("(^|\\s+)" + name + "(?=\\s|$)", "g"), "");
}

function hasClass(elem, name) {
    return new RegExp("(^|\\s)" + name + "(\\s|$)").test(elem.className);
}

function setText(elem, text) {
    while (elem.firstChild) {
        elem.removeChild(elem.firstChild);
    }
    elem.appendChild(document.createTextNode(text));
}

function focusCtrl(ctrl) {
    if (!ctrl || ctrl.type == "hidden") {
        return;
    }
    try {
        ctrl.focus();
        if (isTextCtrl(ctrl)) {
            ctrl.select();
        }
    } catch (e) {
        // A control in a hidden block cannot take the focus.
    }
}

function scrollContentTop() {
    var content = getElem("content");
    if (content) {
        content.scrollTop = 0;
    }
}

// Messages

// Called by rejectInput: the message goes beside the control and names the setting.
function showCtrlError(ctrl, message) {
    var prop = ctrl ? findProp(ctrl.name) : null;
    if (!prop) {
        alert(message);
        return;
    }
    showSettingError(prop, settingLabel(prop) + ": " + message);
}

function showSettingError(prop, text) {
    var ctrl = prop.getCtrl();
    var elem;
    invalidMessages[prop.propName] = text;
    elem = getElem("ERR_" + prop.propName);
    if (elem) {
        setText(elem, text);
        elem.style.display = "block";
    }
    if (ctrl && ctrl.setAttribute) {
        ctrl.setAttribute("aria-invalid", "true");
    }
    refreshMark(prop);
}

function clearError(prop) {
    var elem = getElem("ERR_" + prop.propName);
    var ctrl = prop.getCtrl();
    if (hasOwn(invalidMessages, prop.propName)) {
        delete invalidMessages[prop.propName];
    }
    if (elem) {
        elem.style.display = "none";
        setText(elem, "");
    }
    if (ctrl && ctrl.removeAttribute) {
        ctrl.removeAttribute("aria-invalid");
    }
}

// What the shared setting rules say about a typed text: "" when it passes,
// otherwise a message that names the setting. Lists offer only valid
// choices (and keep an imported one), so only typed values are judged, and
// only edits: the installer's own value passes through as it came.
function typedValueMessage(prop, ctrl) {
    var text;
    var installed;
    if (typeof window.checkSetting != "function" || ctrl.options) {
        return "";
    }
    text = getCtrlValue(ctrl);
    Prop.unedited = true;
    try {
        installed = prop.getValue();
    } finally {
        Prop.unedited = false;
    }
    if (text == trim(installed === null ? "" : installed)) {
        return "";
    }
    return window.checkSetting(prop.propName, text) || "";
}

// Validates one property from its control: a field that is switched off
// keeps its value and is not judged.
function validateProp(prop) {
    var ctrl = prop.getCtrl();
    var ok;
    var message;
    if (!ctrl) {
        return true;
    }
    if (ctrl.disabled) {
        clearError(prop);
        return true;
    }
    message = typedValueMessage(prop, ctrl);
    if (message !== "") {
        showSettingError(prop, message);
        return false;
    }
    ok = prop.validate();
    if (ok) {
        clearError(prop);
    }
    refreshMark(prop);
    return ok;
}

function onCtrlChange(ctrl) {
    var prop = findProp(ctrl.name);
    if (!prop) {
        return;
    }
    validateProp(prop);
    refreshDependents();
}

// Changes

// What a property saves, with its lock state, as one text; as the installer
// has it when `unedited`.
function savedForm(prop, unedited) {
    var pairs;
    var text = "";
    var i;
    Prop.unedited = unedited;
    try {
        pairs = prop.getPairs();
        for (i = 0; i < pairs.length; i++) {
            text += "\n" + pairs[i][0] + "=" + (pairs[i][1] === null ? "" : pairs[i][1]);
        }
        return text + "\nlock=" + prop.getLockState();
    } finally {
        Prop.unedited = false;
    }
}

function isChanged(prop) {
    return savedForm(prop, false) != savedForm(prop, true);
}

function changedProps(categoryName) {
    var out = [];
    eachProp(categoryName, function (prop) {
        if (isChanged(prop)) {
            out[out.length] = prop;
        }
    });
    return out;
}

function refreshCount(categoryName) {
    var id;
    var entry;
    var badge;
    var count;
    if (!hasOwn(treeEntryOf, categoryName)) {
        return;
    }
    id = "z" + treeEntryOf[categoryName];
    entry = getElem(id);
    if (!entry) {
        return;
    }
    badge = getElem("COUNT_" + id);
    if (!badge) {
        badge = document.createElement("span");
        badge.id = "COUNT_" + id;
        badge.className = "count";
        entry.getElementsByTagName("a")[0].appendChild(badge);
    }
    count = changedProps(categoryName).length;
    setText(badge, count > 0 ? " (" + count + ")" : "");
    badge.title = (count == 1) ? "1 setting changed" : count + " settings changed";
}

// The row's mark, Reset link and message state; nothing while its form is not built.
function markRow(prop) {
    var row = getElem("ROW_" + prop.propName);
    var mark = getElem("MARK_" + prop.propName);
    var reset = getElem("RESET_" + prop.propName);
    var changed;
    if (!row) {
        return;
    }
    changed = isChanged(prop);
    if (changed) {
        addClass(row, "changed");
    } else {
        removeClass(row, "changed");
    }
    if (hasOwn(invalidMessages, prop.propName)) {
        addClass(row, "invalid");
    } else {
        removeClass(row, "invalid");
    }
    if (mark) {
        setText(mark, changed ? " Changed" : "");
    }
    if (reset) {
        reset.style.display = changed ? "inline" : "none";
    }
}

function refreshMark(prop) {
    markRow(prop);
    if (prop.formName !== "") {
        refreshCount(prop.formName);
    }
}

// Counts each category's changes in the tree.
function refreshAllCounts() {
    var i;
    for (i = 0; i < headings.length; i++) {
        refreshCount(headings[i]);
    }
}

// Back to the installer's value and lock.
function resetSetting(name) {
    var prop = findProp(name);
    if (!prop) {
        return;
    }
    restoreInstallerValue(prop);
    refreshDependents();
    if (resultsShown) {
        showResults();
    }
}

function anyChanged() {
    var i;
    for (i = 0; i < headings.length; i++) {
        if (changedProps(headings[i]).length > 0) {
            return true;
        }
    }
    return false;
}

// Asked by the host before its window closes: true while edits exist that
// were not yet handed to generation, or a typed value is still invalid.
// Once confirmed, a generation counts as done unless the host says otherwise
// (kxGenerationEnded).
function kxHasUnsavedEdits() {
    var name;
    try {
        if (!loaded) {
            return false;
        }
        if (currentCategory !== null && !validateForm(currentCategory)) {
            return true;
        }
        for (name in invalidMessages) {
            if (hasOwn(invalidMessages, name)) {
                return true;
            }
        }
        if (generatedText !== null && configurationText(false) == generatedText) {
            return false;
        }
        return anyChanged();
    } catch (e) {
        return true;
    }
}

// Told by the host how the generation that the page last started ended:
// when no installer was written (cancelled or failed), its edits count as
// unsaved again.
function kxGenerationEnded(written) {
    if (written !== true) {
        generatedText = previousGeneratedText;
    }
}

// Dependent fields

function choiceValue(prop) {
    var ctrl = prop.getCtrl();
    return ctrl ? getCtrlValue(ctrl) : prop.getValue();
}

function refreshDependents() {
    var i;
    var j;
    var k;
    var rule;
    var choice;
    var enabled;
    var prop;
    var ctrl;
    var row;
    for (i = 0; i < dependentFields.length; i++) {
        rule = dependentFields[i];
        if (!hasOwn(paths, rule[0]) || !hasOwn(paths[rule[0]], rule[1])) {
            continue;
        }
        choice = choiceValue(paths[rule[0]][rule[1]]);
        enabled = false;
        for (k = 0; k < rule[2].length; k++) {
            if (rule[2][k] == choice) {
                enabled = true;
            }
        }
        for (j = 0; j < rule[3].length; j++) {
            if (!hasOwn(paths[rule[0]], rule[3][j])) {
                continue;
            }
            prop = paths[rule[0]][rule[3][j]];
            ctrl = prop.getCtrl();
            row = getElem("ROW_" + prop.propName);
            if (ctrl && ctrl.disabled == enabled) {
                ctrl.disabled = !enabled;
            } else {
                continue;
            }
            if (row) {
                if (enabled) {
                    removeClass(row, "disabled");
                } else {
                    addClass(row, "disabled");
                    clearError(prop);
                    removeClass(row, "invalid");
                }
            }
        }
    }
}

// Search and the "Changed only" view

function displayValue(prop, unedited) {
    var row = hasOwn(rowOfProp, prop.propName) ? rowOfProp[prop.propName] : null;
    var value;
    var i;
    Prop.unedited = unedited;
    try {
        value = prop.getValue();
    } finally {
        Prop.unedited = false;
    }
    value = (value === null) ? "" : String(value);
    if (row && row.choices) {
        for (i = 0; i < row.choices.length; i++) {
            if (row.choices[i][0] == value) {
                return row.choices[i][1];
            }
        }
    }
    return (value === "") ? "(empty)" : value;
}

function lockText(prop, unedited) {
    var state;
    Prop.unedited = unedited;
    try {
        state = prop.getLockState();
    } finally {
        Prop.unedited = false;
    }
    return (state == 2) ? "" : ((state == 1) ? "locked" : "unlocked");
}

// One changed or found setting as a list item: where it is, what it is and,
// when changed, the installer's value beside the new one.
function settingItemHtml(categoryName, prop, withReset) {
    var name = jsText(prop.propName);
    var changed = isChanged(prop);
    var description = settingDescription(prop);
    var lockChanged;
    var html = "<li><a href=\"#\" onclick=\"openSetting('" + htmlText(jsText(categoryName)) + "', '" + htmlText(name) +
        "');return false\">" + htmlText(categoryHeadline(categoryName)) + " &gt; " + htmlText(settingLabel(prop)) +
        "</a> <span class=\"key\">" + htmlText(settingKey(prop)) + "</span>";
    if (description !== "") {
        html += "<div class=\"desc\">" + htmlText(description) + "</div>";
    }
    if (changed) {
        // The lock is named only when it changed.
        lockChanged = lockText(prop, true) != lockText(prop, false);
        html += "<div class=\"change\">" + htmlText(displayValue(prop, true));
        if (lockChanged) {
            html += ", " + lockText(prop, true);
        }
        html += " &rarr; <b>" + htmlText(displayValue(prop, false));
        if (lockChanged) {
            html += ", " + lockText(prop, false);
        }
        html += "</b>";
        if (withReset) {
            html += " <a href=\"#\" class=\"reset\" onclick=\"resetSetting('" + htmlText(name) +
                "');return false\">Reset to installer's value</a>";
        }
        html += "</div>";
    } else {
        html += "<div class=\"change\">" + htmlText(displayValue(prop, false)) + "</div>";
    }
    return html + "</li>";
}

function matches(prop, needle) {
    var text = (settingLabel(prop) + "\n" + settingKey(prop) + "\n" + settingDescription(prop) + "\n" +
        prop.propName).toLowerCase();
    return text.indexOf(needle) != -1;
}

function showResults() {
    var typed = trim(getElem("search").value);
    var needle = typed.toLowerCase();
    var changedOnly = getElem("changedOnly").checked;
    var html = "";
    var count = 0;
    var i;
    var title;
    var panel = getElem("results");
    resultsFound = [];
    for (i = 0; i < headings.length; i++) {
        eachProp(headings[i], function (prop) {
            // Settings without a row are found when changed (a lock set by Lock all).
            if (!hasOwn(rowOfProp, prop.propName) && !isChanged(prop)) {
                return;
            }
            if ((changedOnly && !isChanged(prop)) || (needle !== "" && !matches(prop, needle))) {
                return;
            }
            html += settingItemHtml(headings[i], prop, true);
            resultsFound[count] = [headings[i], prop.propName];
            count++;
        });
    }
    title = changedOnly ? "Changed settings" : "Settings found";
    if (needle !== "") {
        title += " for \"" + htmlText(typed) + "\"";
    }
    panel.innerHTML = "<h1 class=\"headline\" id=\"resultsTitle\">" + title + " (" + count + ")</h1>" +
        (count > 0 ? "<ul class=\"settings\" id=\"resultsList\">" + html + "</ul>" :
            "<p class=\"empty\">" + (changedOnly && needle === "" ? "No setting differs from the installer's." :
                "No setting matches.") + "</p>");
}

// Enter in the search field opens the first setting found.
function onSearchKey(evt) {
    var e = evt || window.event;
    if (!e || e.keyCode != 13) {
        return true;
    }
    onSearch();
    if (resultsShown && resultsFound.length > 0) {
        openSetting(resultsFound[0][0], resultsFound[0][1]);
    }
    return false;
}

// Leaves the shown category for the results, which needs a valid category.
function onSearch() {
    var needle = trim(getElem("search").value);
    var changedOnly = getElem("changedOnly").checked;
    var query = (changedOnly ? "1" : "0") + needle.toLowerCase();
    if (resultsShown && query == resultsQuery) {
        return;
    }
    if (needle === "" && !changedOnly) {
        if (resultsShown) {
            hideResults();
            if (lastCategory !== null) {
                toggle(lastCategory);
            }
        }
        return;
    }
    if (!resultsShown) {
        if (currentCategory !== null) {
            if (!validateForm(currentCategory)) {
                return;
            }
            setDisplay("DIV_" + currentCategory, false);
            lastCategory = currentCategory;
        }
        currentCategory = null;
        if (tocTree) {
            tocTree.highlight(null);
        }
        setDisplay("results", true);
        resultsShown = true;
    }
    resultsQuery = query;
    showResults();
}

function hideResults() {
    setDisplay("results", false);
    resultsShown = false;
    resultsQuery = null;
    return true;
}

// Opens a setting's category and puts the focus on its control.
function openSetting(categoryName, name) {
    var prop = paths[categoryName][name];
    getElem("search").value = "";
    getElem("changedOnly").checked = false;
    hideResults();
    toggle(categoryName);
    if (currentCategory == categoryName && prop) {
        focusCtrl(prop.getCtrl());
    }
}

// Dialogs

// The box is hidden, not emptied: its Generate link must stay in the
// document until the browser has followed it.
function closeDialog() {
    setDisplay("overlay", false);
    if (dialogReturnFocus) {
        try {
            dialogReturnFocus.focus();
        } catch (e) {
            // The element went away with its view.
        }
    }
    dialogReturnFocus = null;
    return false;
}

// Shows a modal box inside the page; its first button takes the focus.
function openDialog(title, bodyHtml, buttonsHtml) {
    var dialog = getElem("dialog");
    dialogReturnFocus = document.activeElement || null;
    dialog.innerHTML = "<h2 id=\"dialogTitle\">" + htmlText(title) + "</h2><div class=\"body\">" + bodyHtml +
        "</div><div class=\"buttons\">" + buttonsHtml + "</div>";
    setDisplay("overlay", true);
    focusFirstButton(dialog);
}

function focusFirstButton(dialog) {
    var links = dialog.getElementsByTagName("a");
    var i;
    for (i = 0; i < links.length; i++) {
        if (hasClass(links[i], "button")) {
            links[i].focus();
            return;
        }
    }
}

// Escape closes the box; Tab and Shift+Tab go round its links without
// leaving it for the page behind.
function onDialogKey(evt) {
    var e = evt || window.event;
    var links;
    var first;
    var last;
    if (!e) {
        return true;
    }
    if (e.keyCode == 27) {
        closeDialog();
        return false;
    }
    links = getElem("dialog").getElementsByTagName("a");
    if (e.keyCode != 9 || links.length === 0) {
        return true;
    }
    first = links[0];
    last = links[links.length - 1];
    if (e.shiftKey && document.activeElement == first) {
        last.focus();
        return false;
    }
    if (!e.shiftKey && document.activeElement == last) {
        first.focus();
        return false;
    }
    return true;
}

function button(id, label, onclick, href) {
    return "<a href=\"" + (href || "#") + "\" id=\"" + id + "\" class=\"button\" onclick=\"" + onclick + "\">" +
        htmlText(label) + "</a>";
}

function askDefaultAll() {
    var count = 0;
    if (currentCategory === null) {
        return;
    }
    eachProp(currentCategory, function (prop) {
        if (prop.defaultValue !== null && (prop.getValue() != prop.defaultValue || prop.getLockState() == 1)) {
            count++;
        }
    });
    openDialog("Apply defaults to " + categoryHeadline(currentCategory) + "?",
        "<p>Every setting of this page gets its default value" + (hasLockable(currentCategory) ? " and is unlocked" : "") +
        ". " + (count == 1 ? "1 setting changes." : count + " settings change.") +
        " Reset brings back the installer's values.</p>",
        button("confirmDefaults", "Apply defaults", "closeDialog();onDefaultAll();return false") +
        button("cancelDialog", "Cancel", "return closeDialog()"));
}

// Generating

function switchIsOff(entry) {
    var category = entry[0];
    var prop = hasOwn(paths, category) ? paths[category][entry[1]] : null;
    return prop ? String(prop.getValue()) === "0" : false;
}

// The header's Generate button: every bad value is listed, or else every
// change is shown for confirmation. Nothing is written until confirmed.
function onGenerateClick() {
    var bad = [];
    var html = "";
    var warnings = "";
    var count = 0;
    var i;
    var j;
    var k;
    var name;
    var changes;
    var offCount;
    if (!loaded) {
        return false;
    }
    if (currentCategory !== null) {
        validateForm(currentCategory, bad);
    }
    for (name in built) {
        if (hasOwn(built, name) && name != currentCategory) {
            validateForm(name, bad);
        }
    }
    if (bad.length > 0) {
        for (i = 0; i < bad.length; i++) {
            html += "<li><a href=\"#\" onclick=\"closeDialog();openSetting('" + htmlText(jsText(bad[i].formName)) +
                "', '" + htmlText(jsText(bad[i].propName)) + "');return false\">" +
                htmlText(invalidMessages[bad[i].propName] || settingLabel(bad[i])) + "</a></li>";
        }
        openDialog("Some settings are not valid",
            "<p>Nothing was written. Correct these settings, then generate again:</p><ul class=\"settings\" id=\"invalidList\">" +
            html + "</ul>", button("cancelDialog", "Close", "return closeDialog()"));
        return false;
    }
    for (i = 0; i < headings.length; i++) {
        changes = changedProps(headings[i]);
        for (j = 0; j < changes.length; j++) {
            html += settingItemHtml(headings[i], changes[j], false);
            count++;
        }
    }
    for (i = 0; i < applySwitches.length; i++) {
        if (!switchIsOff(applySwitches[i])) {
            continue;
        }
        offCount = 0;
        for (k = 0; k < applySwitches[i][2].length; k++) {
            eachProp(applySwitches[i][2][k], function (prop) {
                if (prop.propName != applySwitches[i][1] && isChanged(prop)) {
                    offCount++;
                }
            });
        }
        if (offCount > 0) {
            warnings += "<li>" + htmlText(settingLabel(paths[applySwitches[i][0]][applySwitches[i][1]])) +
                " is No: " + (offCount == 1 ? "1 change" : offCount + " changes") + " under it will not apply. " +
                "<a href=\"#\" onclick=\"closeDialog();openSetting('" + htmlText(jsText(applySwitches[i][0])) + "', '" +
                htmlText(jsText(applySwitches[i][1])) + "');return false\">Open " +
                htmlText(categoryHeadline(applySwitches[i][0])) + "</a></li>";
        }
    }
    openDialog("Generate the customised installer?",
        (warnings !== "" ? "<ul class=\"warnings\" id=\"applyWarnings\" role=\"alert\">" + warnings + "</ul>" : "") +
        (count > 0 ? "<p>" + (count == 1 ? "1 setting differs" : count + " settings differ") +
            " from the installer's:</p><ul class=\"settings\" id=\"changeList\">" + html + "</ul>" :
            "<p id=\"noChanges\">No setting differs from the installer's; the new installer gets the same configuration.</p>"),
        button("confirmGenerate", "Generate", "return onConfirmGenerate()", "javascript:onGenerate()") +
        button("cancelDialog", "Cancel", "return closeDialog()"));
    return false;
}

// The summary's Generate button: the host follows its link only when the
// configuration was written.
function onConfirmGenerate() {
    if (!onSave()) {
        return false;
    }
    previousGeneratedText = generatedText;
    generatedText = configurationText(false);
    closeDialog();
    return true;
}
