// The collapsible category tree. Entries are existing elements; class "l0"
// marks a folder, "l1" an entry inside the folder above it.

var TREE_IMAGES = {
    open: "images/minus_tree_blue.gif",
    closed: "images/plus_tree_blue.gif",
    leaf: "images/solid_tree_blue.gif"
};

function TOCTree(ids) {
    var i;
    var elem;
    var folder = null;
    this.folders = [];
    this.byId = {};
    this.selected = null;
    for (i = 0; i < ids.length; i++) {
        elem = getElem(ids[i]);
        if (!elem) {
            continue;
        }
        if (/(^|\s)l0(\s|$)/.test(elem.className)) {
            folder = {id: ids[i], elem: elem, children: [], isOpen: false, icon: this.addIcon(elem, TREE_IMAGES.closed)};
            this.folders[this.folders.length] = folder;
            this.byId[ids[i]] = folder;
            this.bindFolder(folder);
        } else if (folder) {
            folder.children[folder.children.length] = elem;
            this.addIcon(elem, TREE_IMAGES.leaf);
        }
    }
}

TOCTree.prototype.addIcon = function (elem, src) {
    var img = document.createElement("img");
    img.src = src;
    img.width = 9;
    img.height = 9;
    img.alt = "";
    img.className = "tocicon";
    elem.insertBefore(img, elem.firstChild);
    return img;
};

TOCTree.prototype.bindFolder = function (folder) {
    var tree = this;
    folder.icon.onclick = function () {
        tree.setOpen(folder, !folder.isOpen);
    };
};

TOCTree.prototype.setOpen = function (folder, open) {
    var i;
    var link = folder.elem.getElementsByTagName("a")[0];
    folder.isOpen = open;
    folder.icon.src = open ? TREE_IMAGES.open : TREE_IMAGES.closed;
    if (link) {
        link.setAttribute("aria-expanded", open ? "true" : "false");
    }
    for (i = 0; i < folder.children.length; i++) {
        setDisplay(folder.children[i], open);
    }
};

TOCTree.prototype.toggleFolder = function (id) {
    var folder = this.byId[id];
    if (folder) {
        this.setOpen(folder, !folder.isOpen);
    }
};

TOCTree.prototype.openAll = function () {
    var i;
    for (i = 0; i < this.folders.length; i++) {
        this.setOpen(this.folders[i], true);
    }
};

TOCTree.prototype.highlight = function (id) {
    var elem = getElem(id);
    if (this.selected) {
        this.selected.className = this.selected.className.replace(/\s*\bselected\b/g, "");
    }
    this.selected = elem;
    if (elem) {
        elem.className += " selected";
    }
    this.markCurrent(elem);
};

// Tells assistive technology which entry is the shown one.
TOCTree.prototype.markCurrent = function (elem) {
    var links;
    if (this.current) {
        this.current.removeAttribute("aria-current");
    }
    this.current = null;
    links = elem ? elem.getElementsByTagName("a") : [];
    if (links.length > 0) {
        this.current = links[0];
        this.current.setAttribute("aria-current", "page");
    }
};
