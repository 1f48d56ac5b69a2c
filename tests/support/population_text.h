// Page population over the shared fake document, as a text that the Linux and the Windows build
// must write alike: what population puts into the title, name and version cells, the class of the
// links block and the container of the certificate tables, for the embedded catalogue with every
// odd position counted as installed (so both row kinds appear). The validity texts, which are the
// platform's locale formatting of dates, stand as "{validity}", and the dates in the notes of
// certificates outside their validity as "{date}".
#pragma once

#include <functional>
#include <string>

#include "crypto/cert_details.h"

// adjust, when given, sees every record (with its entry number, such as 1028_0) before
// population, so that a comparison can put back a field a platform is known to decode otherwise.
std::u16string PopulatedPageText(
    const std::function<void(const std::string& entry, TCertDetails& record)>& adjust = {});

// UTF-8 of a UTF-16 text (unpaired surrogates become U+FFFD).
std::string Utf8Of(const std::u16string& text);
