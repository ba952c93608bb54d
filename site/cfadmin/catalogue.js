// The preference catalogue: every category, its properties in saving order,
// and how each is shown (label, control, choices, hints, group headings).

var headings = ["Kestrix Options", "Internet Privacy", "Playback", "Connection", "Network Transports", "Proxy",
    "Hardware", "Windows Media Options", "Streaming Protocol", "Streaming Proxy", "Performance",
    "QuickTime Options", "Player Options", "Favorites Menu", "Help Menu", "Installation Options",
    "Uninstallation Options", "Datatypes"];

// Category name -> (property name -> property), in definition order.
var paths = {};

// Category name -> rows of the form: {heading: text} or {prop, label, choices,
// kind ("select", "text", "area"), hint, notes}. Hidden properties have no row.
var formRows = {};

var categoryHeadlines = {
    "Internet Privacy": "Internet / Privacy",
    "Streaming Proxy": "Advanced Connection"
};

var makerHomePage = "http://www.quorvanes.com/";
var makerFolder = "Quorvanes";

var YES_NO = [["1", "Yes"], ["0", "No"]];
var NO_YES = [["0", "No"], ["1", "Yes"]];
var BANDWIDTHS = [["28800", "28.8K Modem"], ["33600", "33.6K Modem"], ["57600", "56.6K Modem"],
    ["65536", "64K ISDN"], ["115200", "128K Dual ISDN"], ["262200", "256Kbps DSL/Cable"],
    ["393216", "384Kbps DSL/Cable"], ["524300", "512Kbps DSL/Cable"], ["786432", "768Kbps DSL/Cable"],
    ["1544000", "T1/LAN"], ["10485800", "10Mbps LAN"]];
var LIST_NOTE = "Separate values with a comma or the Enter key.";
var WM_LIST_NOTE = "Separate values with a semicolon or the Enter key.";
var PORT_NOTES = ["Separate ports and/or port ranges with a comma (',').", "Example: 7070, 8200, 3030-3036"];
var HOST_HINT = "proxy host name or address";

var catalogueCategory = "";

function category(name) {
    catalogueCategory = name;
    paths[name] = {};
    formRows[name] = [];
}

function group(title) {
    formRows[catalogueCategory][formRows[catalogueCategory].length] = {heading: title};
}

// Registers prop in the current category. ui: choices array for a list, "text"
// or "area" for typed values, null for a hidden property. opts: lockable,
// required, hint, notes.
function define(prop, label, ui, opts) {
    var rows = formRows[catalogueCategory];
    var row;
    opts = opts || {};
    if (opts.lockable === false) {
        prop.lockable = false;
    }
    if (opts.required) {
        prop.required = true;
    }
    paths[catalogueCategory][prop.propName] = prop;
    if (ui === null) {
        return prop;
    }
    row = {prop: prop.propName, label: label, hint: opts.hint || "", notes: opts.notes || []};
    if (typeof ui == "string") {
        row.kind = ui;
    } else {
        row.kind = "select";
        row.choices = ui;
    }
    rows[rows.length] = row;
    return prop;
}

// Properties of the categories that are not saved with records carry no locks.
function fixed() {
    return {lockable: false};
}

// ISO 3166-1 codes in lower case with English names: United States first,
// the rest by name.
var countryList = [
    ["us", "United States"],
    ["af", "Afghanistan"],
    ["al", "Albania"],
    ["dz", "Algeria"],
    ["as", "American Samoa"],
    ["ad", "Andorra"],
    ["ao", "Angola"],
    ["ai", "Anguilla"],
    ["ag", "Antigua and Barbuda"],
    ["ar", "Argentina"],
    ["am", "Armenia"],
    ["aw", "Aruba"],
    ["au", "Australia"],
    ["at", "Austria"],
    ["az", "Azerbaijan"],
    ["bs", "Bahamas"],
    ["bh", "Bahrain"],
    ["bd", "Bangladesh"],
    ["bb", "Barbados"],
    ["by", "Belarus"],
    ["be", "Belgium"],
    ["bz", "Belize"],
    ["bj", "Benin"],
    ["bm", "Bermuda"],
    ["bt", "Bhutan"],
    ["bo", "Bolivia"],
    ["ba", "Bosnia and Herzegovina"],
    ["bw", "Botswana"],
    ["br", "Brazil"],
    ["bn", "Brunei Darussalam"],
    ["bg", "Bulgaria"],
    ["bf", "Burkina Faso"],
    ["bi", "Burundi"],
    ["kh", "Cambodia"],
    ["cm", "Cameroon"],
    ["ca", "Canada"],
    ["cv", "Cape Verde"],
    ["ky", "Cayman Islands"],
    ["cf", "Central African Republic"],
    ["td", "Chad"],
    ["cl", "Chile"],
    ["cn", "China"],
    ["co", "Colombia"],
    ["km", "Comoros"],
    ["cg", "Congo"],
    ["cd", "Congo, Democratic Republic of the"],
    ["ck", "Cook Islands"],
    ["cr", "Costa Rica"],
    ["ci", "C\u00f4te d'Ivoire"],
    ["hr", "Croatia"],
    ["cu", "Cuba"],
    ["cw", "Cura\u00e7ao"],
    ["cy", "Cyprus"],
    ["cz", "Czech Republic"],
    ["dk", "Denmark"],
    ["dj", "Djibouti"],
    ["dm", "Dominica"],
    ["do", "Dominican Republic"],
    ["ec", "Ecuador"],
    ["eg", "Egypt"],
    ["sv", "El Salvador"],
    ["gq", "Equatorial Guinea"],
    ["er", "Eritrea"],
    ["ee", "Estonia"],
    ["sz", "Eswatini"],
    ["et", "Ethiopia"],
    ["fk", "Falkland Islands (Malvinas)"],
    ["fo", "Faroe Islands"],
    ["fj", "Fiji"],
    ["fi", "Finland"],
    ["fr", "France"],
    ["gf", "French Guiana"],
    ["pf", "French Polynesia"],
    ["ga", "Gabon"],
    ["gm", "Gambia"],
    ["ge", "Georgia"],
    ["de", "Germany"],
    ["gh", "Ghana"],
    ["gi", "Gibraltar"],
    ["gr", "Greece"],
    ["gl", "Greenland"],
    ["gd", "Grenada"],
    ["gp", "Guadeloupe"],
    ["gu", "Guam"],
    ["gt", "Guatemala"],
    ["gn", "Guinea"],
    ["gw", "Guinea-Bissau"],
    ["gy", "Guyana"],
    ["ht", "Haiti"],
    ["va", "Holy See (Vatican City State)"],
    ["hn", "Honduras"],
    ["hk", "Hong Kong"],
    ["hu", "Hungary"],
    ["is", "Iceland"],
    ["in", "India"],
    ["id", "Indonesia"],
    ["ir", "Iran"],
    ["iq", "Iraq"],
    ["ie", "Ireland"],
    ["im", "Isle of Man"],
    ["il", "Israel"],
    ["it", "Italy"],
    ["jm", "Jamaica"],
    ["jp", "Japan"],
    ["jo", "Jordan"],
    ["kz", "Kazakhstan"],
    ["ke", "Kenya"],
    ["ki", "Kiribati"],
    ["kp", "Korea, Democratic People's Republic of"],
    ["kr", "Korea, Republic of"],
    ["kw", "Kuwait"],
    ["kg", "Kyrgyzstan"],
    ["la", "Lao People's Democratic Republic"],
    ["lv", "Latvia"],
    ["lb", "Lebanon"],
    ["ls", "Lesotho"],
    ["lr", "Liberia"],
    ["ly", "Libya"],
    ["li", "Liechtenstein"],
    ["lt", "Lithuania"],
    ["lu", "Luxembourg"],
    ["mo", "Macao"],
    ["mg", "Madagascar"],
    ["mw", "Malawi"],
    ["my", "Malaysia"],
    ["mv", "Maldives"],
    ["ml", "Mali"],
    ["mt", "Malta"],
    ["mh", "Marshall Islands"],
    ["mq", "Martinique"],
    ["mr", "Mauritania"],
    ["mu", "Mauritius"],
    ["yt", "Mayotte"],
    ["mx", "Mexico"],
    ["fm", "Micronesia, Federated States of"],
    ["md", "Moldova"],
    ["mc", "Monaco"],
    ["mn", "Mongolia"],
    ["me", "Montenegro"],
    ["ms", "Montserrat"],
    ["ma", "Morocco"],
    ["mz", "Mozambique"],
    ["mm", "Myanmar"],
    ["na", "Namibia"],
    ["nr", "Nauru"],
    ["np", "Nepal"],
    ["nl", "Netherlands"],
    ["nc", "New Caledonia"],
    ["nz", "New Zealand"],
    ["ni", "Nicaragua"],
    ["ne", "Niger"],
    ["ng", "Nigeria"],
    ["nu", "Niue"],
    ["mk", "North Macedonia"],
    ["mp", "Northern Mariana Islands"],
    ["no", "Norway"],
    ["om", "Oman"],
    ["pk", "Pakistan"],
    ["pw", "Palau"],
    ["ps", "Palestine, State of"],
    ["pa", "Panama"],
    ["pg", "Papua New Guinea"],
    ["py", "Paraguay"],
    ["pe", "Peru"],
    ["ph", "Philippines"],
    ["pl", "Poland"],
    ["pt", "Portugal"],
    ["pr", "Puerto Rico"],
    ["qa", "Qatar"],
    ["re", "R\u00e9union"],
    ["ro", "Romania"],
    ["ru", "Russian Federation"],
    ["rw", "Rwanda"],
    ["sh", "Saint Helena"],
    ["kn", "Saint Kitts and Nevis"],
    ["lc", "Saint Lucia"],
    ["pm", "Saint Pierre and Miquelon"],
    ["vc", "Saint Vincent and the Grenadines"],
    ["ws", "Samoa"],
    ["sm", "San Marino"],
    ["st", "Sao Tome and Principe"],
    ["sa", "Saudi Arabia"],
    ["sn", "Senegal"],
    ["rs", "Serbia"],
    ["sc", "Seychelles"],
    ["sl", "Sierra Leone"],
    ["sg", "Singapore"],
    ["sk", "Slovakia"],
    ["si", "Slovenia"],
    ["sb", "Solomon Islands"],
    ["so", "Somalia"],
    ["za", "South Africa"],
    ["ss", "South Sudan"],
    ["es", "Spain"],
    ["lk", "Sri Lanka"],
    ["sd", "Sudan"],
    ["sr", "Suriname"],
    ["se", "Sweden"],
    ["ch", "Switzerland"],
    ["sy", "Syrian Arab Republic"],
    ["tw", "Taiwan"],
    ["tj", "Tajikistan"],
    ["tz", "Tanzania"],
    ["th", "Thailand"],
    ["tl", "Timor-Leste"],
    ["tg", "Togo"],
    ["tk", "Tokelau"],
    ["to", "Tonga"],
    ["tt", "Trinidad and Tobago"],
    ["tn", "Tunisia"],
    ["tr", "Turkey"],
    ["tm", "Turkmenistan"],
    ["tc", "Turks and Caicos Islands"],
    ["tv", "Tuvalu"],
    ["ug", "Uganda"],
    ["ua", "Ukraine"],
    ["ae", "United Arab Emirates"],
    ["gb", "United Kingdom"],
    ["uy", "Uruguay"],
    ["uz", "Uzbekistan"],
    ["vu", "Vanuatu"],
    ["ve", "Venezuela"],
    ["vn", "Viet Nam"],
    ["vg", "Virgin Islands, British"],
    ["vi", "Virgin Islands, U.S."],
    ["wf", "Wallis and Futuna"],
    ["eh", "Western Sahara"],
    ["ye", "Yemen"],
    ["zm", "Zambia"],
    ["zw", "Zimbabwe"]
];

function proxyRows() {
    // The form shows auto-configuration before the exception list, while the
    // keys keep their saving order.
    var rows = formRows["Proxy"];
    var exceptions = rows[rows.length - 2];
    var autoConfig = rows[rows.length - 1];
    rows.length = rows.length - 2;
    group("Proxy Auto-configuration");
    rows[rows.length] = autoConfig;
    group("Proxy Exceptions");
    rows[rows.length] = exceptions;
}

function buildCatalogue() {
    var i;
    var dt;
    var own = "Kestrix Formats";

    category("Kestrix Options");
    group("Kestrix Preference");
    define(new PropSelect("ApplyKXPrefs", "1"), "Apply Kestrix Preferences", YES_NO, fixed());

    category("Internet Privacy");
    group("Privacy Settings");
    define(new PropSelect("SendStatistics", "1"), "Send connection quality data to Quorvanes", YES_NO);
    define(new PropSelect("AllowAuthID", "0"), "Send Kestrix GUID to Quorvanes", YES_NO);
    define(new PropSelect("HurlErrInf", "1"), "Send configuration info when connecting to technical support", YES_NO);
    define(new PropSelect("CookiesEnabled", "1"), "Enable cookies", YES_NO);
    define(new PropSelect("EnableTrackInfo", "1"), "Enable HTML Clip Info", YES_NO);
    define(new PropSelect("ExternalTrackAdds", "1"), "Allow websites to add items to Now Playing", YES_NO);
    group("Registered Location");
    define(new PropString("RegionData", "", 255), "Postal Code", "text");
    define(new PropSelect("CountryID", "us"), "Country/Region", countryList);

    category("Playback");
    group("Live Buffering");
    define(new PropFlagIntSelect("LiveBufferFlagIntSelect", "1800000", "LiveSuperBuffer", "SuperBufferLength"),
        "Enable pausing & seeking within live Internet clips",
        [["", "0 Minutes"], ["300000", "5 Minutes"], ["600000", "10 Minutes"], ["1800000", "30 Minutes"],
            ["3600000", "1 Hour"], ["7200000", "2 Hours"], ["10800000", "3 Hours"], ["21600000", "6 Hours"],
            ["43200000", "12 Hours"]]);
    define(new PropSelect("SuperBufferIncrease", "1"), "Temporarily increase this duration if paused for longer",
        YES_NO);
    group("On-demand Internet clips");
    define(new PropSelect("ODSuperBuffer", "1"), "Cache on-demand streams for faster seeking and smoother playback",
        YES_NO);
    define(new PropSelect("PauseAtPlaybackStart", "0"), "Pause clip at start", YES_NO);
    group("Buffered Play");
    define(new PropInt("BufferedPlayTime", "30", 0, 300, "seconds"),
        "Select the amount of clip time to buffer before playback", "text", {required: true, hint: "seconds"});
    group("Instant Playback");
    define(new PropSelect("EnableInstantPlayback", "0"),
        "Enable instant playback instead of downloading whenever possible", YES_NO);
    group("Fast Start");
    define(new PropSelect("FastStart", "0"),
        "Enable fast start to reduce loading time for certain streamed connections", YES_NO);

    category("Connection");
    group("Bandwidth");
    define(new PropSelect("BandwidthNotKnown", "0"), "", null);
    define(new PropSelect("Bandwidth", "1544000"), "Specify the normal bandwidth for accessing presentations",
        BANDWIDTHS, {notes: ["should not exceed maximum bandwidth"]});
    define(new PropSelect("MaxBandwidth", "1544000"), "Specify the maximum bandwidth for accessing presentations",
        BANDWIDTHS);
    group("Network Time-out");
    define(new PropInt("ConnectionTimeout", "20", 0, 300, "seconds"),
        "Specify the amount of time Kestrix waits before reporting an error when connecting to the server",
        "text", {required: true, hint: "seconds"});
    define(new PropInt("ServerTimeout", "90", 0, 300, "seconds"),
        "Specify the amount of time Kestrix waits before reporting an error when receiving data from the server",
        "text", {required: true, hint: "seconds"});
    group("Online Status");
    define(new PropSelect("NetdetectOptions", "1"), "Choose whether Kestrix should determine the user's online status",
        [["0", "Automatically detect online status"], ["1", "Assume the user is online"]]);

    category("Network Transports");
    group("Network Transport");
    define(new PropSelect("AutoTransport", "1"), "Manually configure connections settings", [["0", "Yes"], ["1", "No"]]);
    group("RTSP Transport");
    define(new PropSelect("AttemptRTSPvMulticast", "1"), "Allow Multicast for live content", YES_NO);
    define(new PropSelect("AttemptRTSPvUDP", "1"), "Allow UDP for live and on-demand content", YES_NO);
    define(new PropSelect("AttemptRTSPvTCP", "1"), "Allow TCP for live and on-demand content", YES_NO);
    define(new PropSelect("AttemptRTSPvHTTP", "1"), "Allow HTTP for live and on-demand content", YES_NO);
    group("TZV Transport");
    define(new PropSelect("AttemptTZVvMulticast", "1"), "Allow Multicast for live content", YES_NO);
    define(new PropSelect("AttemptTZVvUDP", "1"), "Allow UDP for live and on-demand content", YES_NO);
    define(new PropSelect("AttemptTZVvTCP", "1"), "Allow TCP for live and on-demand content", YES_NO);
    define(new PropSelect("AttemptTZVvHTTP", "1"), "Allow HTTP for live and on-demand content", YES_NO);
    group("Transport Time-outs");
    define(new PropInt("MulticastTimeout", "3000", 0, 20000, ""),
        "Specify time to wait for Multicast data before attempting the next transport", "text");
    define(new PropInt("UDPTimeout", "4000", 0, 20000, ""),
        "Specify time to wait for UDP data before attempting the next transport", "text");
    define(new PropInt("TCPTimeout", "4000", 0, 20000, ""),
        "Specify time to wait for TCP data before attempting the next transport", "text");
    group("UDP Ports");
    define(new PropFlagPortList("UDPPortFlag", "", "UseUDPPort", "UDPPort"),
        "Specify the port(s) Kestrix will use to receive data", "text", {notes: PORT_NOTES});

    category("Proxy");
    group("TZV and RTSP Proxies");
    define(new PropTripleCompound("TZVandRTSPProxyFlag", "0:0:0", "TZVProxySupport", "RTSPProxySupport",
        "RTSPTZQProxyAutoConfig"), "Choose the appropriate TZV and RTSP proxy",
        [["0:0:0", "No proxy"], ["0:0:1", "Use Automatic configuration"], ["1:1:0", "Use custom proxies"]]);
    define(new PropString("TZVProxyHost", "", 255), "Specify a TZV proxy", "text", {hint: HOST_HINT});
    define(new PropInt("TZVProxyPort", "1090", 0, 65535, ""), "Specify a TZV port", "text", {hint: "port"});
    define(new PropString("RTSPProxyHost", "", 255), "Specify an RTSP proxy", "text", {hint: HOST_HINT});
    define(new PropInt("RTSPProxyPort", "554", 0, 65535, ""), "Specify an RTSP port", "text", {hint: "port"});
    group("HTTP Proxy");
    define(new PropTripleCompound("HTTPProxyFlag", "0:0:1", "HTTPProxySupport", "HTTPProxyAutoConfig",
        "UseSystemProxySettings"), "Choose the appropriate HTTP proxy",
        [["0:0:0", "No HTTP proxy"], ["0:0:1", "Use system proxy settings"], ["0:1:0", "Use Automatic configuration"],
            ["1:0:0", "Use custom proxy"]]);
    define(new PropString("HTTPProxyHost", "", 255), "Specify an HTTP proxy", "text", {hint: HOST_HINT});
    define(new PropInt("HTTPProxyPort", "80", 0, 65535, ""), "Specify an HTTP port", "text", {hint: "port"});
    define(new PropCSV("NoProxyFor", "", 255), "Do not use proxies for the following hosts", "area",
        {notes: ["(host1, host2, host3, etc.)", LIST_NOTE]});
    define(new PropFlagCSV("ProxyAutoConfigFlagCSV", "", 255, "ProxyAutoConfigModeDisplay", "ProxyAutoConfigURL"),
        "List the proxy detection script that Kestrix should use, leave the field blank to use auto-detection",
        "area", {notes: ["(script URL 1, script URL 2, etc.)", LIST_NOTE]});
    proxyRows();

    category("Hardware");
    group("Playback Performance");
    define(new PropSelect("Quality", "4"),
        "Select the amount of CPU power that Kestrix can use to affect playback quality",
        [["0", "Lowest CPU usage"], ["1", "Slightly more CPU"], ["2", "Medium quality"], ["3", "Better quality"],
            ["4", "Best quality"]]);
    define(new PropSelect("UseFullScreenControls", "1"), "Enable full screen video controls", YES_NO);
    group("Sound Card Compatibility");
    define(new PropSelect("BitsPerSample", "16"), "Disable 16-bit sound", [["8", "Yes"], ["16", "No"]]);
    define(new PropSelect("SamplingRate", "16000"), "Disable custom sampling rates", [["11025", "Yes"], ["16000", "No"]]);
    define(new PropSelect("UseDirectSound", "1"), "Disable Direct Sound", [["0", "Yes"], ["1", "No"]]);
    define(new PropCompound("AudioUpsamplingCompound", "1:0", "AutoAudioUpsampling", "AudioDeviceSamplesPerSec"),
        "Playback Quality",
        [["0:0", "Content natural rate"], ["1:0", "Automatic upsampling"], ["0:48000", "High quality playback"]]);
    group("Video Card Compatibility");
    define(new PropCompound("WinDrawCompound", "1:1", "UseOverlay", "UseWinDraw"), "Use optimized video",
        [["0:0", "Disable optimized video and overlays"], ["0:1", "Enable optimized video and disable overlays"],
            ["1:1", "Enable optimized video and overlays"]]);

    category("Windows Media Options");
    group("Windows Media Preference");
    define(new PropSelect("ApplyWMPrefs", "0"), "Apply Windows Media Preferences", YES_NO, fixed());

    category("Streaming Protocol");
    group("Streaming Protocols");
    define(new PropSelect("UseMulticast", "1"), "Use Multicast protocol to receive streaming media", YES_NO, fixed());
    define(new PropSelect("UseTCP", "1"), "Use TCP protocol to receive streaming media", YES_NO, fixed());
    define(new PropSelect("UseHTTP", "1"), "Use HTTP protocol to receive streaming media", YES_NO, fixed());
    define(new PropSelect("UseUDP", "1"), "Use UDP protocol to receive streaming media", YES_NO, fixed());
    group("UDP Ports");
    define(new PropFlagPortList("WM_UDPPortFlag", "", "UseCustomUDPPort", "CustomUDPPort"),
        "Specify the port(s) Windows Media will use to receive data", "text", {lockable: false, notes: PORT_NOTES});

    category("Streaming Proxy");
    defineWMProxy("HTTP", "1", "80", [["0", "Do not use a proxy server"], ["1", "Use browser's proxy settings"],
        ["2", "Use the following proxy server"], ["3", "Autodetect proxy settings"]]);
    defineWMProxy("MMS", "0", "1755", [["0", "Do not use a proxy server"], ["2", "Use the following proxy server"],
        ["3", "Autodetect proxy settings"]]);
    defineWMProxy("RTSP", "0", "554", [["0", "Do not use a proxy server"], ["2", "Use the following proxy server"],
        ["3", "Autodetect proxy settings"]]);

    category("Performance");
    group("Bandwidth");
    define(new PropSelect("WM_MaxBandwidth", "2147483647"), "Specify the maximum bandwidth for accessing presentations",
        [["0", "Detect connection speed"], ["24000", "Modem (28.8 Kbps)"], ["30000", "Modem (33.6 Kbps)"],
            ["45000", "Modem (56 Kbps)"], ["58000", "ISDN (64 Kbps)"], ["115200", "Dual ISDN (128 Kbps)"],
            ["240000", "DSL/Cable (256 Kbps)"], ["350000", "DSL/Cable (384 Kbps)"], ["730000", "DSL/Cable (768 Kbps)"],
            ["1400000", "T1 (1.5 Mbps)"], ["2147483647", "LAN (10 Mbps or more)"]], fixed());
    group("Network Buffering");
    define(new PropFlagIntRev("CustomBufferTimeFlagInt", "5", 0, 60, "seconds", "UseDefaultBufferTime",
        "CustomBufferTime"), "Specify the amount of time", "text",
        {lockable: false, hint: "seconds", notes: ["maximum 60 seconds"]});

    category("QuickTime Options");
    group("QuickTime Preference");
    define(new PropSelect("ApplyQTPrefs", "0"), "Apply QuickTime Preferences", YES_NO, fixed());
    // A typed path, not a file chooser: a chooser can neither show the imported
    // path nor hand back a full path in current engines, so the value would be lost.
    define(new PropString("QuickTimeLocation", "", 255), "QuickTime Preference file location", "text",
        {lockable: false, notes: ["Full path of the QuickTime preference file on this computer",
            "Before the player is generated, the program shows this file with its size and asks you to confirm it"]});

    category("Player Options");
    group("Home Page");
    define(new PropString("HomePage", makerHomePage, 255), "Kestrix Media Browser's Home Page URL", "text", fixed());

    category("Favorites Menu");
    group("Favorites Menu");
    for (i = 1; i <= 3; i++) {
        define(new PropString("FavoritesText" + i, "", 255), "Favorites Menu Text " + i, "text", fixed());
        define(new PropString("FavoritesURL" + i, "", 255), "Favorites URL " + i, "text", fixed());
    }
    define(new PropSelect("FavoritesCount", "3"), "", null, fixed());

    category("Help Menu");
    group("Help Menu");
    for (i = 1; i <= 3; i++) {
        define(new PropString("HelpText" + i, "", 255), "Help Menu Text " + i, "text", fixed());
        define(new PropString("HelpURL" + i, "", 255), "Help URL " + i, "text", fixed());
    }
    define(new PropSelect("MenuCount", "3"), "", null, fixed());

    category("Installation Options");
    group("Installation Directory");
    define(new PropString("InstallPath", makerFolder + "/Kestrix Enterprise", 255), "Player Installation Directory",
        "text", fixed());
    group("Installation Mode");
    define(new PropSelect("InstallMode", "1"), "Select the installation mode",
        [["1", "Minimal - requires some user interaction"], ["2", "Silent - requires no user interaction"]], fixed());
    group("Startup Mode");
    define(new PropSelect("StartupMode", "0"), "Select the startup mode", [["1", "Full"], ["0", "Compact"]], fixed());
    group("Desktop");
    define(new PropSelect("DesktopShortcut", "1"), "Add a desktop shortcut for Kestrix", YES_NO, fixed());
    define(new PropSelect("QuickLaunch", "1"), "Add a Kestrix icon to the Windows Quick Launch Toolbar", YES_NO,
        fixed());
    define(new PropSelect("StartMenu", "1"), "Add a Kestrix icon to the top of the Windows Start Menu", YES_NO,
        fixed());

    category("Uninstallation Options");
    group("Uninstall Components");
    define(new PropSelect("RemoveMediaLibrary", "1"), "Uninstall database used by Kestrix to manage your media",
        YES_NO, fixed());
    define(new PropSelect("RemoveFavorites", "1"), "Uninstall clip and Web Page Favorites", YES_NO, fixed());
    define(new PropSelect("RemoveSkins", "1"), "Uninstall downloaded Skin files", YES_NO, fixed());
    define(new PropSelect("RemoveVisualizations", "1"), "Uninstall downloaded Visualization files", YES_NO, fixed());

    category("Datatypes");
    for (i = 0; i < datatypeRows.length; i++) {
        dt = datatypeRows[i];
        if (dt[0] == "group") {
            group(dt[1] === "" ? own : dt[1]);
        } else if (dt[2] == "shown") {
            define(new PropSelect(dt[0], dt[0] == "UniversalPlayback" ? "0" : "1"), dt[1], NO_YES);
        } else {
            define(new PropSelect(dt[0], "1"), dt[1], null, {lockable: dt[2] == "hidden, lockable"});
        }
    }
}

function defineWMProxy(protocol, style, port, styles) {
    group(protocol + " Proxy");
    define(new PropSelect("ProxyStyle_" + protocol, style), "Choose the appropriate " + protocol + " proxy", styles,
        fixed());
    define(new PropString("ProxyName_" + protocol, "", 255), "Specify an " + protocol + " proxy", "text", {lockable: false, hint: HOST_HINT});
    define(new PropInt("ProxyPort_" + protocol, port, 0, 65535, ""), "Specify an " + protocol + " port", "text",
        {lockable: false, hint: "port"});
    define(new PropSelect("ProxyBypass_" + protocol, "0"), "Bypass proxy server for local addresses", YES_NO, fixed());
    define(new WMPropCSV("ProxyExclude_" + protocol, "", 255), "Do not use proxies for the following hosts", "area",
        {lockable: false, notes: ["(host1; host2; host3; etc.)", WM_LIST_NOTE]});
}

// Media types in saving order: [name, label, "shown" | "hidden" |
// "hidden, lockable"], with ["group", heading] rows before the shown ones.
var datatypeRows = [
    ["group", "Universal Media Player"],
    ["UniversalPlayback", "Enable Universal Media Player", "shown"],
    ["group", "MP3"],
    ["Kestrix-MP3-6", "MP3 Audio", "shown"],
    ["Kestrix-MP3PL-6", "MP3 Audio PlayList", "shown"],
    ["group", "CD"],
    ["AudioCD", "Kestrix Legacy Audio CD", "shown"],
    ["Sonvale-CDA-1", "CD Audio", "shown"],
    ["group", "DVD"],
    ["DVD", "Kestrix Legacy DVD", "shown"],
    ["group", "WAV"],
    ["Kestrix-WAV-6", "WAV Audio", "shown"],
    ["group", "MPEG and AVI Video"],
    ["DBC-MPEG-1", "MPEG Video", "shown"],
    ["Kestrix-MPEG-6", "MPEG Media", "shown"],
    ["Kestrix-MPA-6", "MPA Media", "shown"],
    ["Kestrix-AVI-6", "AVI Video", "shown"],
    ["group", ""],
    ["Kestrix-KXA-6", "Kestrix Audio", "shown"],
    ["Kestrix-KXAS-6", "Kestrix Audio Stream", "hidden"],
    ["Kestrix-KXAT-6", "Kestrix Audio Track", "hidden"],
    ["Kestrix-KXAL-6", "Kestrix Audio Link", "hidden"],
    ["Kestrix-KXV-6", "Kestrix Video", "shown"],
    ["Kestrix-KXM-6", "Kestrix Media Metafile", "shown"],
    ["Kestrix-KXT-6", "Kestrix Text", "shown"],
    ["Kestrix-KXI-6", "Kestrix Image", "shown"],
    ["Kestrix-KXVS-6", "Kestrix Video Stream", "hidden"],
    ["kxtp", "Kestrix Transport Protocol", "hidden"],
    ["Kestrix-KXML-6", "Kestrix Markup", "hidden"],
    ["Kestrix-KXMV-6", "Kestrix Movie", "shown"],
    ["Kestrix-KXPI-6", "Kestrix Plug-in", "hidden"],
    ["Kestrix-KXSK-6", "Kestrix Skin", "hidden"],
    ["Kestrix-KXRM-6", "Kestrix Remote Media", "hidden"],
    ["group", "Windows Media"],
    ["Sonvale-wma-1", "Windows Media(TM) Audio Track", "shown"],
    ["Kestrix-wmv-6", "Windows Media(TM) Video File", "shown"],
    ["Kestrix-wax-6", "Windows Media(TM) Audio Shortcut", "shown"],
    ["Kestrix-wmf-6", "Windows Media(TM) Audio File", "shown"],
    ["Kestrix-wm-6", "Windows Media(TM) Audio/Video File", "shown"],
    ["Kestrix-wmx-6", "Windows Media(TM) Audio/Video Shortcut", "shown"],
    ["Kestrix-wvx-6", "Windows Media(TM) Video Shortcut", "shown"],
    ["MMS", "Microsoft Media Server Protocol", "shown"],
    ["group", "QuickTime Video"],
    ["Kestrix-qt-6", "QuickTime Movie", "shown"],
    ["group", "AAC"],
    ["Kestrix-AAC-6", "AAC Audio", "shown"],
    ["Kestrix-M4A-6", "AAC Audio", "shown"],
    ["Kestrix-M4P-6", "AAC Purchased Audio", "shown"],
    ["group", "Other Media"],
    ["Kestrix-MP2-6", "MP2 Audio", "shown"],
    ["Kestrix-MP1-6", "MP1 Audio", "shown"],
    ["Kestrix-MPGA-6", "MPEG Audio", "shown"],
    ["Kestrix-PLSPL-6", "Audio PlayList", "shown"],
    ["Kestrix-SMIL-6", "SMIL Multimedia Presentation", "shown"],
    ["rtsp", "Real-Time Streaming Protocol", "shown"],
    ["SSM", "Streaming Media Metafile", "shown"],
    ["Kestrix-SDP-6", "Scalable Multicast", "shown"],
    ["Kestrix-AU-6", "AU Audio", "shown"],
    ["Kestrix-AIFF-6", "AIFF Audio", "shown"],
    ["VazuDezodi-MIDI-6", "MIDI Audio", "shown"],
    ["Sonvale-ACP-1", "AAC for SD", "shown"],
    ["Sonvale-lqt-1", "Liquid(TM) Music Track", "shown"],
    ["Sonvale-lavs-1", "Liquid Audio(TM) Secure Download", "shown"],
    ["Sonvale-lar-1", "Liquid Audio(TM) Passport", "shown"],
    ["Sonvale-la1-1", "Liquid Audio(TM) File", "shown"],
    ["Kestrix-3GPP_AMR-10", "3GPP Content", "shown"],
    ["Kestrix-AMR-10", "AMR Narrow-Band Content", "shown"],
    ["Kestrix-AMR_WB-10", "AMR Wide-Band Content", "shown"],
    ["Kestrix-3GPP2-10", "3GPP2 Content", "shown"],
    ["Kestrix-DIVX-6", "DivX Video", "shown"],
    ["Kestrix-Flash-6", "Flash Animation", "hidden, lockable"],
    ["Kestrix-MNS-6", "Media Name Service", "hidden, lockable"],
    ["Kestrix-MND-6", "Media Name Directory", "hidden, lockable"],
    ["Kestrix-KXX-6", "Kestrix Extension", "hidden, lockable"]
];

buildCatalogue();
