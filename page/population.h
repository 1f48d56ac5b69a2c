// Filling the main page after every completed load: title, application name and version, the
// platform's wording of the stores link, hiding of the useful-links block and, while the catalogue
// is loaded, the certificate tables; while it is not, the tables' container is marked "loading".
#pragma once

#include <string>

#include "catalogue/cert_manager.h"
#include "platform/html_document.h"

// Runs PopulatePage when the location's text from its last "/" on equals "/main.html" ignoring
// case; false for any other location (and for one without "/").
bool PopulateIfMainPage(platform::HtmlDocument* document, const std::u16string& locationUrl,
                        const TCertManager* manager);

// Shows the page, which the template keeps hidden until population has filled it, so that its
// placeholders are never seen.
void RevealPage(platform::HtmlDocument* document);

// Writes the page's texts and tables. False, writing nothing, when there is no document or no
// catalogue (no main frame); true otherwise, whatever the single writes report.
bool PopulatePage(platform::HtmlDocument* document, const TCertManager* manager);

// The product version of the executable at that path. On Linux the version is compiled into the
// program (CORVANE_PRODUCT_VERSION), so any non-empty path yields it; an empty path yields the
// empty text, as a path that names no executable would.
std::u16string ReadProductVersion(const std::u16string& path);
