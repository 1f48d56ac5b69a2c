// Whether a catalogue certificate is in its store, telling a certificate that is not there apart
// from a store that could not be read.
#pragma once

#include <string>

#include "crypto/cert_details.h"

enum class InstalledState { kInstalled, kNotInstalled, kUnreadable };

// The state of the record's certificate in the current user's store of that name. kUnreadable
// leaves the reason as the thread's last error; a store whose database does not exist yet holds
// nothing, so its certificates are kNotInstalled.
InstalledState LookUpInstalledState(const TCertDetails& record, const std::u16string& storeName);
