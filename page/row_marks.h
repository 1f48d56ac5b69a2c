// The looks of a certificate row beyond the two the table was made with (in its store, not in
// it): a certificate held by only some of the user's databases, or one whose state could not be
// read, a certificate that has expired or is not valid yet, and one the administrator made trusted
// system-wide. A marked row carries a class of its own, its own state icon and a note line under
// the summary; an unmarked row is written exactly as before.
#pragma once

#include <string>
#include <vector>

#include "catalogue/cert_groups.h"
#include "catalogue/cert_manager.h"

struct RowMark {
  // The row's class, such as "state_partial" (several marks join their classes).
  std::u16string rowClass;
  // The state icon in place of the plain one; empty keeps it.
  std::u16string iconFileName;
  // The note shown under the summary, as markup: texts from outside are escaped.
  std::u16string note;
};

// The marks of an entry of a group with those row actions, most important first; none for a row
// that the two plain looks describe.
std::vector<RowMark> RowMarksOf(const CertEntry& entry, RowActions actions);
