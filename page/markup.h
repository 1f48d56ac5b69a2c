// The HTML text of the certificate tables on the main page: one fieldset per group with a
// foldable table, one row per certificate with its state icon, summary and action link.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/cert_manager.h"
#include "page/row_marks.h"

// Appends the group's fieldset and table to out. False, writing nothing, when the group has no
// certificates or its flags have no presentation.
bool WriteGroupMarkup(std::int32_t groupFlags, const std::vector<CertEntry>& entries,
                      std::u16string& out);

// Appends one table row. The texts are inserted as given: the caller escapes what came from a
// certificate. An empty namesLine leaves out the names line; an empty actionCommand writes an
// empty action cell. A row with marks (row_marks.h) carries their classes, the first mark's icon
// and one note line per mark; without marks the row is the plain one.
void WriteCertificateRow(const std::u16string& summaryLine, const std::u16string& namesLine,
                         const std::u16string& viewCommand, const std::u16string& iconFileName,
                         const std::u16string& actionText, const std::u16string& actionCommand,
                         std::u16string& out, const std::vector<RowMark>& marks = {});

// The text with &, <, > and " replaced by their character references, so that it shows as text
// wherever it stands in markup.
std::u16string EscapeHtml(const std::u16string& text);
