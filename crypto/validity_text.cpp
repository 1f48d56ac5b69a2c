#include "crypto/validity_text.h"

#include "platform/file_time.h"
#include "platform/local_time.h"

std::u16string FormatLocalDateTime(FileTime instant) {
  const platform::LocalDateTimeText text =
      platform::FormatLocalInstant(platform::UnixSecondsOfFileTime(instant.Value()));
  return text.date + u" " + text.time;
}

std::u16string TCertDetails::ValidityText() const {
  return FormatLocalDateTime(notBefore) + u" - " + FormatLocalDateTime(notAfter);
}
