// Form helpers: reading, filling and rejecting controls.

function isBlank(value) {
    return value === undefined || value === null || value === "";
}

function isObj(value) {
    return value !== null && typeof value == "object";
}

function isTextCtrl(ctrl) {
    return ctrl.type == "text" || ctrl.type == "password";
}

// Shows the message, puts the user on the offending control and fails. A
// page that shows messages beside their controls (showCtrlError) does so
// instead, and chooses itself where the focus goes.
function rejectInput(ctrl, message) {
    if (typeof window.showCtrlError == "function") {
        window.showCtrlError(ctrl, message);
        return false;
    }
    alert(message);
    if (ctrl && ctrl.type != "hidden") {
        try {
            ctrl.focus();
            if (isTextCtrl(ctrl)) {
                ctrl.select();
            }
        } catch (e) {
            // A control in a hidden block cannot take the focus.
        }
    }
    return false;
}

function getCtrlValue(ctrl) {
    if (ctrl.type == "checkbox") {
        return ctrl.checked ? "1" : "0";
    }
    if (ctrl.options) {
        return (ctrl.selectedIndex >= 0) ? ctrl.options[ctrl.selectedIndex].value : "";
    }
    return trim(ctrl.value);
}

function setCtrlValue(ctrl, value) {
    var text = (value === null || value === undefined) ? "" : String(value);
    var i;
    var found = -1;
    var opt;
    if (ctrl.type == "checkbox") {
        ctrl.checked = !(value === null || value === false || value === "0" || value === 0 || value === "" ||
            value === undefined);
        return;
    }
    if (ctrl.options) {
        for (i = 0; i < ctrl.options.length && found == -1; i++) {
            if (ctrl.options[i].value == text) {
                found = i;
            }
        }
        // A value from the imported configuration that the list does not offer
        // is kept as an extra choice, so merely viewing the form never loses it.
        if (found == -1 && text !== "") {
            opt = document.createElement("option");
            opt.value = text;
            opt.text = text + " (imported value)";
            ctrl.options.add(opt);
            found = ctrl.options.length - 1;
        }
        // For a single-choice list this chooses one option and clears the rest.
        ctrl.selectedIndex = found;
        return;
    }
    ctrl.value = text;
}

function isCtrlDirty(ctrl, value) {
    return getCtrlValue(ctrl) != ((value === null || value === undefined) ? "" : String(value));
}

function buildParam(name, value) {
    return "&" + escapePlus(name) + "=" + escapeAll(value);
}
