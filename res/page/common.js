// Script of the main page.

// Folds an element in and out: display "none" shows it again, anything else hides it.
function ShowHide(element) {
  if (!element || !element.style) {
    return;
  }
  if (element.style.display == "none") {
    element.style.display = "";
  } else {
    element.style.display = "none";
  }
}
