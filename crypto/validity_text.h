// Dates of a certificate as the page shows them.
#pragma once

#include <string>

#include "crypto/cert_details.h"

// The instant in the user's local time: the locale's long date, one blank, the time with
// seconds. A part the platform cannot format (an instant beyond year 9999) is empty.
std::u16string FormatLocalDateTime(FileTime instant);
