// The QuickTime preferences file that the installer's configuration names, as
// the program found it without reading it: shown read-only beside the setting,
// so the administrator sees which file, and how large, before confirming it
// at generation.

function quickTimeFileText(info) {
    var text = "Named by the installer: " + info.path + " - ";
    if (info.state == "regular") {
        return text + info.size + (info.size == 1 ? " byte" : " bytes");
    }
    if (info.state == "missing") {
        return text + "not found on this computer";
    }
    if (info.state == "other") {
        return text + "not a file that can be built in";
    }
    return text + "not a full path on this computer, so it was not looked at";
}

function showQuickTimeFile() {
    var info = window.quickTimeFile;
    var ctrl = getElem("CTRL_QuickTimeLocation");
    var note;
    if (!ctrl || !isObj(info) || typeof info.path != "string" || info.path === "") {
        return;
    }
    note = document.createElement("div");
    note.className = "note";
    note.id = "QuickTimeFileShown";
    // A text node: whatever the path holds is shown as it stands, never as markup.
    note.appendChild(document.createTextNode(quickTimeFileText(info)));
    ctrl.parentNode.appendChild(note);
}
