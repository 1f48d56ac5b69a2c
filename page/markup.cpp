#include "page/markup.h"

#include <optional>

#include "catalogue/cert_groups.h"
#include "page/command_links.h"
#include "res/string_table.h"

namespace {

constexpr char16_t kLf = u'\n';

// The decimal text of a number: a sign only when negative, no leading zeros, no grouping.
std::u16string DecimalText(std::int64_t value) {
  const bool negative = value < 0;
  // Work on the magnitude as unsigned so that the most negative value has one too.
  std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) {
    digits.insert(digits.begin(), u'-');
  }
  return digits;
}

// The DNS names among the alternative names (kind 3), in list order, each escaped, joined by ", ".
std::u16string DnsNamesLine(const TCertDetails& record) {
  std::u16string line;
  for (const TRDNAttr& name : record.altNames) {
    if (name.oid != u"3") {
      continue;
    }
    if (!line.empty()) {
      line += u", ";
    }
    line += EscapeHtml(name.value);
  }
  return line;
}

// Subject, validity and serial number; every part comes from the certificate and is escaped.
std::u16string SummaryLine(const TCertDetails& record) {
  return EscapeHtml(record.subjectDN) + u"&nbsp;,&nbsp;" + EscapeHtml(record.ValidityText()) +
         u"&nbsp;,&nbsp;" + EscapeHtml(record.serialNumber);
}

}  // namespace

std::u16string EscapeHtml(const std::u16string& text) {
  std::u16string escaped;
  escaped.reserve(text.size());
  for (const char16_t c : text) {
    switch (c) {
      case u'&':
        escaped += u"&amp;";
        break;
      case u'<':
        escaped += u"&lt;";
        break;
      case u'>':
        escaped += u"&gt;";
        break;
      case u'"':
        escaped += u"&quot;";
        break;
      case u'\0':
        // The page's markup ends at its first NUL on its way to the document; a NUL inside a
        // certificate's text must not cut off everything after it.
        escaped += u'\uFFFD';
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

void WriteCertificateRow(const std::u16string& summaryLine, const std::u16string& namesLine,
                         const std::u16string& viewCommand, const std::u16string& iconFileName,
                         const std::u16string& actionText, const std::u16string& actionCommand,
                         std::u16string& out, const std::vector<RowMark>& marks) {
  std::u16string rowClasses;
  std::u16string icon = iconFileName;
  for (const RowMark& mark : marks) {
    rowClasses += (rowClasses.empty() ? u"" : u" ") + mark.rowClass;
    if (icon == iconFileName && !mark.iconFileName.empty()) {
      icon = mark.iconFileName;
    }
  }
  out += rowClasses.empty() ? u"<tr>" : u"<tr class=\"" + rowClasses + u"\">";
  out += kLf;
  out += u"<td class=\"col_data\" width=\"90%\"><img src=\"";
  out += icon;
  out += u"\" alt=\"\" HEIGHT=\"12\" WIDTH=\"12\">";
  out += kLf;
  out += u"<a href=\"self.location=";
  out += viewCommand;
  out += u"\">";
  out += summaryLine;
  out += u"</a>";
  out += kLf;
  if (!namesLine.empty()) {
    out += u"<br>";
    out += namesLine;
    out += kLf;
  }
  for (const RowMark& mark : marks) {
    out += u"<br><span class=\"row_note\">";
    out += mark.note;
    out += u"</span>";
    out += kLf;
  }
  out += u"</td>";
  out += kLf;
  out += u"<td class=\"col_data\" width=\"10%\">";
  if (!actionCommand.empty()) {
    out += u"<a href=\"self.location=";
    out += actionCommand;
    out += u"\">";
    out += actionText;
    out += u"</a>";
  } else {
    out += u"&nbsp;";
  }
  out += kLf;
  out += u"</td>";
  out += kLf;
}

bool WriteGroupMarkup(std::int32_t groupFlags, const std::vector<CertEntry>& entries,
                      std::u16string& out) {
  if (entries.empty()) {
    return false;
  }
  const std::optional<GroupPresentation> presentation = PresentationForGroup(groupFlags);
  if (!presentation) {
    return false;
  }

  const std::u16string flagsText = DecimalText(groupFlags);
  const std::u16string tableId = u"CERTTABLE_ID_" + flagsText;

  out += u"<fieldset>";
  out += kLf;
  out += u"<legend><a href=\"javascript: ShowHide(";
  out += tableId;
  out += u")\">";
  out += LoadResourceString(presentation->captionId);
  out += u"</a></legend>";
  out += kLf;
  out += u"<table class=\"basic\" width=\"100%\" id=\"";
  out += tableId;
  out += u"\"";
  if (!presentation->expanded) {
    out += u" style=\"display: none\"";
  }
  out += u">";
  out += kLf;

  const bool showDnsNames = (groupFlags & CERTGROUP_WEB) != 0;
  for (std::size_t position = 0; position < entries.size(); ++position) {
    const CertEntry& entry = entries[position];
    const std::u16string entryNumber =
        flagsText + u"_" + DecimalText(static_cast<std::int64_t>(position));

    std::u16string icon;
    std::u16string actionText;
    std::u16string actionCommand;
    if (presentation->actions == RowActions::kExportOnly) {
      icon = u"blank100x100.png";
      actionText = LoadResourceString(strings::kExport);
      actionCommand = command_links::kExport + entryNumber;
    } else if (entry.installed == 1) {
      icon = u"ok.png";
      if (presentation->actions == RowActions::kInstallAndUninstall) {
        actionText = LoadResourceString(strings::kUninstall);
        actionCommand = command_links::kUninstall + entryNumber;
      }
    } else {
      icon = u"nook.png";
      actionText = LoadResourceString(strings::kInstall);
      actionCommand = command_links::kInstall + entryNumber;
    }

    WriteCertificateRow(SummaryLine(entry.record),
                        showDnsNames ? DnsNamesLine(entry.record) : std::u16string(),
                        command_links::kShowCert + entryNumber, icon, actionText, actionCommand,
                        out, RowMarksOf(entry, presentation->actions));
  }

  out += u"</table>";
  out += kLf;
  out += u"</fieldset>";
  out += kLf;
  return true;
}
