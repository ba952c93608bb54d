// Validation rules of the settings, the same the program applies to settings
// files (config/setting_rules.cpp): which rule a setting follows and the texts
// of the messages come from the catalogue (catalogueRules, catalogueRuleTexts).

var RULE_SPACE = /^[ \t\r\n]+|[ \t\r\n]+$/g;

function ruleTrim(text) {
    return String(text).replace(RULE_SPACE, "");
}

// The message naming the setting and what its rule asks for.
function ruleMessage(setting, ruleName, item) {
    var text = catalogueRuleTexts[ruleName];
    text = text.split("{min}").join(String(setting.min)).split("{max}").join(String(setting.max));
    text = text.split("{sep}").join(setting.sep || ",");
    text = text.split("{other}").join(setting.atMost ? catalogueRules[setting.atMost].label : "");
    // The item last, so that nothing typed in it is taken for a placeholder.
    text = text.split("{item}").join(item === undefined ? "" : item);
    return setting.label + ": " + text + ".";
}

// The value of a run of decimal digits, or -1 when the text is not one. Long
// runs stay above every limit.
function ruleDigits(text) {
    var value = 0;
    var i;
    var c;
    if (text.length === 0) {
        return -1;
    }
    for (i = 0; i < text.length; i++) {
        c = text.charCodeAt(i);
        if (c < 48 || c > 57) {
            return -1;
        }
        value = value * 10 + (c - 48);
        if (value > 1e15) {
            value = 1e15;
        }
    }
    return value;
}

function ruleIsInteger(text, min, max) {
    var negative = text.charAt(0) == "-";
    var value = ruleDigits(negative ? text.substring(1) : text);
    if (value < 0) {
        return false;
    }
    if (negative) {
        value = -value;
    }
    return value >= min && value <= max;
}

function ruleIsPort(text) {
    var value = ruleDigits(text);
    return value >= 1 && value <= 65535;
}

function ruleIsIPv6(text) {
    var colons = text.split(":").length - 1;
    return text.length <= 45 && colons >= 2 && /^[0-9A-Fa-f:.]+$/.test(text);
}

// A host name or address; with `wildcard`, '*' may stand for any part and a
// leading '.' for every host of a domain, as host lists allow.
function ruleIsHost(text, wildcard) {
    var labels;
    var numeric = 0;
    var i;
    var label;
    if (text.charAt(0) == "[" && text.charAt(text.length - 1) == "]") {
        return !wildcard && ruleIsIPv6(text.substring(1, text.length - 1));
    }
    if (text.indexOf(":") != -1) {
        return !wildcard && ruleIsIPv6(text);
    }
    if (wildcard && text.charAt(0) == ".") {
        text = text.substring(1);
    }
    if (text.length === 0 || text.length > 253) {
        return false;
    }
    labels = text.split(".");
    for (i = 0; i < labels.length; i++) {
        label = labels[i];
        if (label.length === 0 || label.length > 63 || label.charAt(0) == "-" ||
                label.charAt(label.length - 1) == "-") {
            return false;
        }
        if (!(wildcard ? /^[A-Za-z0-9_*-]+$/ : /^[A-Za-z0-9_-]+$/).test(label)) {
            return false;
        }
        if (/^[0-9]+$/.test(label)) {
            numeric++;
        }
    }
    // Numbers only: an IPv4 address, four parts from 0 to 255.
    if (numeric == labels.length) {
        if (labels.length != 4) {
            return false;
        }
        for (i = 0; i < 4; i++) {
            if (labels[i].length > 3 || ruleDigits(labels[i]) > 255) {
                return false;
            }
        }
    }
    return true;
}

// The schemes a player's links may use: the web's, files, and the streaming
// protocols.
var RULE_LINK_SCHEMES = ",http,https,ftp,file,rtsp,rtspu,rtsps,rtmp,mms,mmsh,mmst,pnm,";

// mailto:name@host, optionally followed by ?subject=... and the like.
function ruleIsMailAddress(text) {
    var query = text.indexOf("?");
    var address = query == -1 ? text : text.substring(0, query);
    var at = address.indexOf("@");
    if (at <= 0 || address.indexOf("@", at + 1) != -1) {
        return false;
    }
    if (/[\x00-\x20\x7f"<>\\^`{|}]/.test(text)) {
        return false;
    }
    return ruleIsHost(address.substring(at + 1), false);
}

// An absolute address of a known scheme: a host (with an optional port; a
// file address may leave it out), then a path, query or fragment without
// spaces or the characters that cannot stand in an address; or a mail
// address. Script and data addresses are never links.
function ruleIsUrl(text) {
    var match = /^([A-Za-z][A-Za-z0-9+.\-]*):\/\/([^\/?#]*)([\s\S]*)$/.exec(text);
    var scheme;
    var authority;
    var host;
    var port = "";
    var close;
    var colon;
    if (/^mailto:/i.test(text) && text.length > 7) {
        return ruleIsMailAddress(text.substring(7));
    }
    if (!match) {
        return false;
    }
    scheme = match[1].toLowerCase();
    authority = match[2];
    if (RULE_LINK_SCHEMES.indexOf("," + scheme + ",") == -1) {
        return false;
    }
    if (/[\x00-\x20\x7f"<>\\^`{|}]/.test(match[3])) {
        return false;
    }
    if (authority === "") {
        return scheme == "file";
    }
    if (authority.charAt(0) == "[") {
        close = authority.indexOf("]");
        if (close == -1) {
            return false;
        }
        host = authority.substring(0, close + 1);
        if (close + 1 < authority.length) {
            if (authority.charAt(close + 1) != ":") {
                return false;
            }
            port = authority.substring(close + 2);
            if (!ruleIsPort(port)) {
                return false;
            }
        }
    } else {
        colon = authority.lastIndexOf(":");
        host = (colon == -1) ? authority : authority.substring(0, colon);
        if (colon != -1 && !ruleIsPort(authority.substring(colon + 1))) {
            return false;
        }
    }
    return ruleIsHost(host, false);
}

function ruleIsPortItem(item) {
    var ends = item.split("-");
    if (ends.length == 1) {
        return ruleIsPort(item);
    }
    return ends.length == 2 && ruleIsPort(ruleTrim(ends[0])) && ruleIsPort(ruleTrim(ends[1]));
}

// The first item of a list that `test` refuses, or null. Items are separated
// by the list's separator or line breaks; blanks around them do not count.
function ruleBadItem(text, sep, test) {
    var items = text.split(sep == ";" ? /[;\r\n]/ : /[,\r\n]/);
    var i;
    var item;
    for (i = 0; i < items.length; i++) {
        item = ruleTrim(items[i]);
        if (item !== "" && !test(item)) {
            return item;
        }
    }
    return null;
}

// "" when `value` is valid for the setting `name`, otherwise the message that
// names the setting and its rule. A setting without rules takes any value.
function checkSetting(name, value) {
    var setting = Object.prototype.hasOwnProperty.call(catalogueRules, name) ? catalogueRules[name] : null;
    var text;
    var rule;
    var bad;
    var i;
    if (setting === null) {
        return "";
    }
    text = ruleTrim(value === null || value === undefined ? "" : value);
    rule = setting.rule;
    if (text === "" && setting.required) {
        return ruleMessage(setting, "required");
    }
    if (rule == "integer") {
        return ruleIsInteger(text, setting.min, setting.max) ? "" : ruleMessage(setting, rule);
    }
    if (rule == "choice") {
        for (i = 0; i < setting.choices.length; i++) {
            if (setting.choices[i][0] === text) {
                return "";
            }
        }
        return ruleMessage(setting, rule);
    }
    if (text === "") {
        return "";
    }
    if (rule == "host") {
        return ruleIsHost(text, false) ? "" : ruleMessage(setting, rule);
    }
    if (rule == "url") {
        return ruleIsUrl(text) ? "" : ruleMessage(setting, rule);
    }
    if (rule == "hostList") {
        bad = ruleBadItem(text, setting.sep, function (item) {
            return ruleIsHost(item, true);
        });
    } else if (rule == "portList") {
        bad = ruleBadItem(text, ",", ruleIsPortItem);
    } else if (rule == "urlList") {
        bad = ruleBadItem(text, ",", ruleIsUrl);
    } else {
        return "";
    }
    return (bad === null) ? "" : ruleMessage(setting, rule, bad);
}

// "" unless setting `name` must not exceed another setting's number and
// `value` does exceed `otherValue`, the other setting's value; then the
// message, which names both. Values that are not whole numbers are left to
// their own rules.
function checkSettingRelation(name, value, otherValue) {
    var setting = Object.prototype.hasOwnProperty.call(catalogueRules, name) ? catalogueRules[name] : null;
    var number;
    var limit;
    if (setting === null || !setting.atMost) {
        return "";
    }
    number = ruleDigits(ruleTrim(value === null || value === undefined ? "" : value));
    limit = ruleDigits(ruleTrim(otherValue === null || otherValue === undefined ? "" : otherValue));
    if (number < 0 || limit < 0 || number <= limit) {
        return "";
    }
    return ruleMessage(setting, "atMost");
}
