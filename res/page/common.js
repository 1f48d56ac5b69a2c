// Script of the main page: folding the group tables, and what screen readers and the keyboard
// need of the generated rows (roles, names, states), added once population has written them.

// Folds an element in and out: display "none" shows it again, anything else hides it. The
// captions that fold it say whether it is open.
function ShowHide(element) {
  if (!element || !element.style) {
    return;
  }
  if (element.style.display == "none") {
    element.style.display = "";
  } else {
    element.style.display = "none";
  }
  DescribeCaptions();
}

var kViewPrefix = "self.location=URL_SHOWCERT_";
// The state icons in words; the row's note, when it has one, says more.
var kStateWords = {
  "ok.png": "Installed",
  "nook.png": "Not installed",
  "partial.png": "Partly installed",
  "unknown.png": "Installed state not known"
};
var kFoldCall = /^javascript:\s*ShowHide\((\w+)\)$/;

// The value of the last CN attribute of a name written as "C=CZ, O="Oberit, a.s.", CN=...":
// attributes are separated by "," or "+", a quoted value may hold both and writes a quote as "".
// The whole name when it has no CN.
function CommonName(name) {
  var found = "";
  var i = 0;
  while (i < name.length) {
    var equals = name.indexOf("=", i);
    if (equals < 0) {
      break;
    }
    var key = name.substring(i, equals).trim().toUpperCase();
    var value = "";
    i = equals + 1;
    while (i < name.length && name.charAt(i) == " ") {
      i++;
    }
    if (name.charAt(i) == '"') {
      i++;
      while (i < name.length) {
        if (name.charAt(i) == '"') {
          if (name.charAt(i + 1) != '"') {
            i++;
            break;
          }
          i++;
        }
        value += name.charAt(i);
        i++;
      }
      while (i < name.length && name.charAt(i) != "," && name.charAt(i) != "+") {
        i++;
      }
    } else {
      var start = i;
      while (i < name.length && name.charAt(i) != "," && name.charAt(i) != "+") {
        i++;
      }
      value = name.substring(start, i).trim();
    }
    i++;
    if (key == "CN") {
      found = value;
    }
  }
  return found || name.trim();
}

// The certificate's subject: the summary line up to its first separator.
function SubjectOf(viewLink) {
  var text = viewLink.textContent;
  var end = text.indexOf("\u00a0,\u00a0");
  return end < 0 ? text : text.substring(0, end);
}

// The certificate rows: their view links, rows and action links.
function CertificateRows() {
  var rows = [];
  var links = document.querySelectorAll('a[href^="' + kViewPrefix + '"]');
  for (var i = 0; i < links.length; i++) {
    var row = links[i].closest("tr");
    if (!row) {
      continue;
    }
    var actionCell = row.cells.length > 1 ? row.cells[row.cells.length - 1] : null;
    rows.push({
      entry: links[i].getAttribute("href").substring(kViewPrefix.length),
      row: row,
      view: links[i],
      action: actionCell ? actionCell.querySelector("a") : null
    });
  }
  return rows;
}

// Names every action after its certificate ("Install Oberit Test Root CA R1") and has it read
// as a button; the state icon says the state in words.
function DescribeRows() {
  var rows = CertificateRows();
  for (var i = 0; i < rows.length; i++) {
    var name = CommonName(SubjectOf(rows[i].view));
    var icon = rows[i].row.querySelector("img");
    if (icon) {
      var source = icon.getAttribute("src");
      if (kStateWords[source]) {
        icon.alt = kStateWords[source];
      }
    }
    var action = rows[i].action;
    if (action) {
      action.setAttribute("role", "button");
      action.setAttribute("aria-label", action.textContent.trim() + " " + name);
    }
  }
}

// Each group caption is a button that says whether its table is open.
function DescribeCaptions() {
  var captions = document.querySelectorAll("legend a[href]");
  for (var i = 0; i < captions.length; i++) {
    var match = kFoldCall.exec(captions[i].getAttribute("href"));
    var table = match ? document.getElementById(match[1]) : null;
    if (!table) {
      continue;
    }
    captions[i].setAttribute("role", "button");
    captions[i].setAttribute("aria-controls", table.id);
    captions[i].setAttribute("aria-expanded", table.style.display == "none" ? "false" : "true");
  }
}

function DescribePage() {
  DescribeRows();
  DescribeCaptions();
}

// A name for the element that has the keyboard focus, which RestoreFocus understands on the page
// loaded again: the certificate row for anything in one, else the element's id or link target.
// Empty when nothing on the page has the focus.
function FocusKey() {
  var element = document.activeElement;
  if (!element || element == document.body || !element.getAttribute) {
    return "";
  }
  var rows = CertificateRows();
  for (var i = 0; i < rows.length; i++) {
    if (rows[i].row.contains(element)) {
      return "row:" + rows[i].entry;
    }
  }
  if (element.id) {
    return "id:" + element.id;
  }
  var target = element.getAttribute("href");
  return target ? "href:" + target : "";
}

// The element the key names: for a row its action (its view link when it has none). Null when the
// page has no such element.
function FocusTarget(key) {
  var separator = key.indexOf(":");
  var kind = key.substring(0, separator);
  var value = key.substring(separator + 1);
  if (kind == "row") {
    var rows = CertificateRows();
    for (var i = 0; i < rows.length; i++) {
      if (rows[i].entry == value) {
        return rows[i].action || rows[i].view;
      }
    }
  } else if (kind == "id") {
    return document.getElementById(value);
  } else if (kind == "href") {
    var links = document.querySelectorAll("a[href]");
    for (var j = 0; j < links.length; j++) {
      if (links[j].getAttribute("href") == value) {
        return links[j];
      }
    }
  }
  return null;
}

// Gives the focus back to the element a FocusKey named before the page was loaded again, opening
// its group when that is folded, and keeps it in sight. True when it has the focus.
function RestoreFocus(key) {
  var target = FocusTarget(String(key));
  if (!target) {
    return false;
  }
  var table = target.closest('table[id^="CERTTABLE_ID_"]');
  if (table && table.style.display == "none") {
    ShowHide(table);
  }
  target.focus({preventScroll: true});
  var box = target.getBoundingClientRect();
  if (box.top < 0 || box.bottom > window.innerHeight) {
    target.scrollIntoView({block: "nearest"});
  }
  return document.activeElement == target;
}

// Links read as buttons act on the space bar as buttons do.
document.addEventListener("keydown", function (event) {
  var target = event.target;
  if (event.key == " " && target.matches && target.matches('a[role="button"]')) {
    event.preventDefault();
    target.click();
  }
});

// Population writes the tables after the page has loaded: describe them whenever they change.
document.addEventListener("DOMContentLoaded", function () {
  var container = document.getElementById("TEMPLATE_ROOT_TABLE_ID");
  if (container && window.MutationObserver) {
    new MutationObserver(DescribePage).observe(container, {childList: true});
  }
  DescribePage();
});
