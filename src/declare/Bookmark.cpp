#include "Bookmark.h"

#include "config/AppIniFile.h"
#include "config/Clock.h"
#include "config/Settings.h"
#include "config/TimeText.h"

namespace {
const QString Other = QStringLiteral("Other");
const QString CodeKey = QStringLiteral("EndCode");
const QString NumberKey = QStringLiteral("EndNumber");
} // namespace

IssueBookmark ReadBookmark(const Clock &clock)
{
    return {ReadEndTime(clock), Ini::ReadString(Other, CodeKey, QString()), Ini::ReadString(Other, NumberKey, QString())};
}

void WriteBookmark(const IssueBookmark &bookmark)
{
    Ini::WriteString(Other, CodeKey, bookmark.invoiceCode);
    Ini::WriteString(Other, NumberKey, bookmark.invoiceNumber);
    WriteEndTime(bookmark.issueTime);
}

void ResetBookmark(const Clock &clock)
{
    // Each write rewrites the whole file: the code and number are cleared only when they hold one.
    const IssueBookmark last = ReadBookmark(clock);
    if (!last.invoiceCode.isEmpty() || !last.invoiceNumber.isEmpty()) {
        Ini::WriteString(Other, CodeKey, QString());
        Ini::WriteString(Other, NumberKey, QString());
    }
    WriteEndTime(TimeText::dateTime(clock.now()));
}
