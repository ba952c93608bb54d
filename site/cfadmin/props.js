// Property kinds. Each property knows which page-data names it reads, how its
// form control is validated and which configuration names it writes.

function inherit(Child, Parent) {
    function Surrogate() {}
    Surrogate.prototype = Parent.prototype;
    Child.prototype = new Surrogate();
    Child.prototype.constructor = Child;
}

function Prop(name, defaultValue) {
    this.propName = name;
    this.defaultValue = defaultValue;
    this.lockable = true;
    this.updateable = true;
    this.required = false;
    this.serverValue = null;
    this.clientValue = null;
    this.serverLocked = null;
    this.clientLocked = null;
    this.updateAction = null;
    this.formName = "";
}

// Shared by every property: the page-data map and the prefix of written names.
Prop.serverData = {};
Prop.configPath = "";
// While set, every property answers as if nothing had been edited: the values
// and locks of the page data, or the defaults.
Prop.unedited = false;

// One field of one page-data record; null when missing or blank.
Prop.prototype.getServerData = function (name, lockFlag) {
    var data = Prop.serverData;
    var rec;
    var field;
    if (!isObj(data) || !Object.prototype.hasOwnProperty.call(data, name)) {
        return null;
    }
    rec = data[name];
    if (!isObj(rec)) {
        return null;
    }
    field = lockFlag ? rec["IsLocked"] : rec["SuggestedValue"];
    return isBlank(field) ? null : field;
};

Prop.prototype.initData = function () {
    this.serverValue = this.getServerData(this.propName, false);
    if (this.lockable) {
        this.serverLocked = this.getServerData(this.propName, true);
    }
};

Prop.prototype.getValue = function () {
    if (this.clientValue !== null && !Prop.unedited) {
        return this.clientValue;
    }
    if (this.serverValue !== null) {
        return this.serverValue;
    }
    return this.defaultValue;
};

Prop.prototype.getLock = function () {
    if (!this.lockable) {
        return null;
    }
    if (this.clientLocked !== null && !Prop.unedited) {
        return this.clientLocked;
    }
    if (this.serverLocked !== null) {
        return this.serverLocked;
    }
    return 0;
};

Prop.prototype.getLockState = function () {
    if (!this.lockable) {
        return 2;
    }
    return (this.getLock() != 0) ? 1 : 0;
};

Prop.prototype.getCtrl = function () {
    var form = getElem("FORM_" + this.formName);
    var ctrl;
    if (!form || !form.elements) {
        return null;
    }
    ctrl = form.elements[this.propName];
    return ctrl ? ctrl : null;
};

Prop.prototype.fillForm = function () {
    var ctrl = this.getCtrl();
    var value = this.getValue();
    if (ctrl) {
        setCtrlValue(ctrl, value === null ? "" : value);
    }
};

Prop.prototype.validate = function () {
    var ctrl = this.getCtrl();
    var text;
    if (!ctrl) {
        return true;
    }
    text = getCtrlValue(ctrl);
    if (this.required && text === "") {
        return rejectInput(ctrl, "A value is required.");
    }
    this.clientValue = text;
    return true;
};

// The names this property writes and their values, in writing order.
Prop.prototype.getPairs = function () {
    return [[this.propName, this.getValue()]];
};

// Parameter text of the property; every property writes when forced, and the
// editor always saves that way.
Prop.prototype.getParams = function (force) {
    var pairs = this.getPairs();
    var text = "";
    var i;
    var value;
    if (!force && this.clientValue === null && this.clientLocked === null) {
        return "";
    }
    for (i = 0; i < pairs.length; i++) {
        value = pairs[i][1];
        text += buildParam(Prop.configPath + pairs[i][0] + ".SuggestedValue", value === null ? "" : value);
        if (this.lockable) {
            text += buildParam(Prop.configPath + pairs[i][0] + ".IsLocked", this.getLock());
        }
    }
    return text;
};

function PropSelect(name, defaultValue) {
    Prop.call(this, name, defaultValue);
}
inherit(PropSelect, Prop);

function PropString(name, defaultValue, maxLength) {
    Prop.call(this, name, defaultValue);
    this.maxLength = maxLength;
}
inherit(PropString, Prop);

// The integer check shared by PropInt and PropFlagIntRev.
function validateInteger(prop) {
    var ctrl = prop.getCtrl();
    var text;
    var num;
    if (!ctrl) {
        return true;
    }
    text = getCtrlValue(ctrl);
    if (prop.required && text === "") {
        return rejectInput(ctrl, "A value is required.");
    }
    num = parseInt(text, 10);
    if (isNaN(num) || num != Number(text)) {
        return rejectInput(ctrl, "Invalid number.");
    }
    if (num < prop.minValue || num > prop.maxValue) {
        return rejectInput(ctrl, "Number must be between " + prop.minValue + " and " + prop.maxValue + ".");
    }
    prop.clientValue = text;
    return true;
}

function PropInt(name, defaultValue, minValue, maxValue, units) {
    Prop.call(this, name, defaultValue);
    this.minValue = minValue;
    this.maxValue = maxValue;
    this.units = units;
}
inherit(PropInt, Prop);
PropInt.prototype.validate = function () {
    return validateInteger(this);
};

// Tidies a typed list: no separators at either end, and each run of blanks,
// separators and line breaks that holds a separator or line break shrinks to
// the last separator or line break in it.
function normaliseListInput(text, sep) {
    var edges = new RegExp("^[\\s" + sep + "]+|[\\s" + sep + "]+$", "g");
    var runs = new RegExp("[\\s" + sep + "]*[\\r\\n" + sep + "][\\s" + sep + "]*", "g");
    return text.replace(edges, "").replace(runs, function (run) {
        var i = run.length - 1;
        while (i >= 0 && run.charAt(i) != sep && run.charAt(i) != "\r" && run.charAt(i) != "\n") {
            i--;
        }
        if (run.charAt(i) == "\n" && i > 0 && run.charAt(i - 1) == "\r") {
            return "\r\n";
        }
        return run.charAt(i);
    });
}

// The list as saved: every line break or separator run becomes one separator.
function joinList(value, sep) {
    if (value === null) {
        return "";
    }
    return String(value).replace(new RegExp("[\\s" + sep + "]*[\\r\\n" + sep + "][\\s" + sep + "]*", "g"), sep);
}

function validateList(prop, sep) {
    var ctrl = prop.getCtrl();
    var text;
    if (!ctrl) {
        return true;
    }
    text = normaliseListInput(getCtrlValue(ctrl), sep);
    if (prop.required && text === "") {
        return rejectInput(ctrl, "A value is required.");
    }
    prop.clientValue = text;
    return true;
}

function PropCSV(name, defaultValue, maxLength) {
    Prop.call(this, name, defaultValue);
    this.maxLength = maxLength;
}
inherit(PropCSV, Prop);
PropCSV.prototype.separator = ",";
PropCSV.prototype.validate = function () {
    return validateList(this, this.separator);
};
PropCSV.prototype.getPairs = function () {
    return [[this.propName, joinList(this.getValue(), this.separator)]];
};

function WMPropCSV(name, defaultValue, maxLength) {
    PropCSV.call(this, name, defaultValue, maxLength);
}
inherit(WMPropCSV, PropCSV);
WMPropCSV.prototype.separator = ";";

// Base of the kinds that write a yes/no flag beside the value they show.
function initFromName(prop, name) {
    prop.serverValue = prop.getServerData(name, false);
    if (prop.lockable) {
        prop.serverLocked = prop.getServerData(name, true);
    }
}

function PropFlagCSV(name, defaultValue, maxLength, flagName, listName) {
    PropCSV.call(this, name, defaultValue, maxLength);
    this.flagName = flagName;
    this.listName = listName;
}
inherit(PropFlagCSV, PropCSV);
PropFlagCSV.prototype.initData = function () {
    initFromName(this, this.listName);
};
PropFlagCSV.prototype.getPairs = function () {
    var value = this.getValue();
    return [[this.flagName, isBlank(value) ? "0" : "1"], [this.listName, joinList(value, ",")]];
};

function PropFlagIntSelect(name, defaultValue, flagName, numberName) {
    Prop.call(this, name, defaultValue);
    this.flagName = flagName;
    this.numberName = numberName;
}
inherit(PropFlagIntSelect, Prop);
PropFlagIntSelect.prototype.initData = function () {
    initFromName(this, this.numberName);
    // "Off" is saved as flag 0 with an empty number, and an empty number reads
    // as missing; without the flag, a saved "off" would come back switched on.
    if (String(this.getServerData(this.flagName, false)) === "0") {
        this.serverValue = "";
    }
};
PropFlagIntSelect.prototype.getPairs = function () {
    var value = this.getValue();
    return [[this.flagName, (value === "" || value === null) ? "0" : "1"], [this.numberName, value]];
};

function PropFlagIntRev(name, defaultValue, minValue, maxValue, units, flagName, numberName) {
    PropInt.call(this, name, defaultValue, minValue, maxValue, units);
    this.flagName = flagName;
    this.numberName = numberName;
}
inherit(PropFlagIntRev, PropInt);
PropFlagIntRev.prototype.initData = function () {
    initFromName(this, this.numberName);
};
PropFlagIntRev.prototype.getPairs = function () {
    var value = this.getValue();
    return [[this.flagName, (value === "0") ? "1" : "0"], [this.numberName, value]];
};

function isValidPort(text) {
    var num = parseInt(text, 10);
    return !isNaN(num) && num == Number(text) && num >= 1 && num <= 65535;
}

function PropFlagPortList(name, defaultValue, flagName, listName) {
    Prop.call(this, name, defaultValue);
    this.flagName = flagName;
    this.listName = listName;
}
inherit(PropFlagPortList, Prop);
PropFlagPortList.prototype.initData = function () {
    initFromName(this, this.listName);
};
PropFlagPortList.prototype.validate = function () {
    var ctrl = this.getCtrl();
    var text;
    var items;
    var accepted = [];
    var seen = {};
    var i;
    var item;
    var ends;
    var first;
    var second;
    var swap;
    if (!ctrl) {
        return true;
    }
    text = getCtrlValue(ctrl);
    if (isBlank(text)) {
        this.clientValue = "";
        return true;
    }
    text = text.replace(/^[\s,]+|[\s,]+$/g, "").replace(/\s*,[\s,]*/g, ",");
    items = (text === "") ? [] : text.split(",");
    for (i = 0; i < items.length; i++) {
        item = items[i];
        if (item.indexOf("-") != -1) {
            ends = item.split("-");
            first = (ends.length == 2) ? trim(ends[0]) : "";
            second = (ends.length == 2) ? trim(ends[1]) : "";
            if (first === "" || second === "" || !isValidPort(first) || !isValidPort(second)) {
                return rejectInput(ctrl, "'" + item + "' is an Invalid Port Range.");
            }
            if (parseInt(first, 10) > parseInt(second, 10)) {
                swap = first;
                first = second;
                second = swap;
            }
            item = first + "-" + second;
        } else if (!isValidPort(item)) {
            return rejectInput(ctrl, "'" + item + "' is an Invalid Port.");
        }
        if (!Object.prototype.hasOwnProperty.call(seen, item)) {
            seen[item] = true;
            accepted[accepted.length] = item;
        }
    }
    this.clientValue = accepted.join(",");
    return true;
};
PropFlagPortList.prototype.getPairs = function () {
    var value = this.getValue();
    return [[this.flagName, isBlank(value) ? "0" : "1"], [this.listName, value]];
};

// A choice that stands for several keys at once, written "a:b" or "a:b:c".
function PropCompound(name, defaultValue, firstName, secondName) {
    Prop.call(this, name, defaultValue);
    this.partNames = [firstName, secondName];
}
inherit(PropCompound, Prop);
PropCompound.prototype.initData = function () {
    var parts = [];
    var any = false;
    var i;
    var part;
    var lock;
    for (i = 0; i < this.partNames.length; i++) {
        part = this.getServerData(this.partNames[i], false);
        if (part !== null) {
            any = true;
        }
        parts[i] = (part === null) ? "" : part;
    }
    this.serverValue = any ? parts.join(":") : null;
    if (this.lockable) {
        lock = null;
        for (i = 0; i < this.partNames.length && (lock === null || lock == 0); i++) {
            part = this.getServerData(this.partNames[i], true);
            if (part !== null) {
                lock = part;
            }
        }
        this.serverLocked = lock;
    }
};
PropCompound.prototype.getPairs = function () {
    var value = this.getValue();
    var parts = (value === null) ? [] : String(value).split(":");
    var pairs = [];
    var i;
    for (i = 0; i < this.partNames.length; i++) {
        pairs[i] = [this.partNames[i], (i < parts.length) ? parts[i] : ""];
    }
    return pairs;
};

function PropTripleCompound(name, defaultValue, firstName, secondName, thirdName) {
    PropCompound.call(this, name, defaultValue, firstName, secondName);
    this.partNames[2] = thirdName;
}
inherit(PropTripleCompound, PropCompound);
