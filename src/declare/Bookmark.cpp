#include "Bookmark.h"

#include "config/AppError.h"
#include "config/AppIniFile.h"
#include "config/Clock.h"
#include "config/MessageBoxes.h"
#include "config/SettingsNotice.h"
#include "config/TimeText.h"

#include <QStringList>

namespace {
const QString Other = QStringLiteral("Other");
const QString TimeKey = QStringLiteral("EndTime");
const QString CodeKey = QStringLiteral("EndCode");
const QString NumberKey = QStringLiteral("EndNumber");
} // namespace

std::optional<IssueBookmark> ReadBookmark()
{
    const TAppIniFile file;
    const std::optional<QString> time = TimeText::issueTime(file.ReadString(Other, TimeKey, QString()));
    if (!time)
        return std::nullopt;
    return IssueBookmark{*time, file.ReadString(Other, CodeKey, QString()), file.ReadString(Other, NumberKey, QString())};
}

void WriteBookmark(const IssueBookmark &bookmark)
{
    TAppIniFile().WriteStrings(Other, {{CodeKey, bookmark.invoiceCode},
                                       {NumberKey, bookmark.invoiceNumber},
                                       {TimeKey, bookmark.issueTime}});
}

AutomaticBookmark::AutomaticBookmark(const Clock &clock, UnsavedSettingsNotice &notice)
    : m_clock(clock)
    , m_notice(notice)
    , m_current{TimeText::dateTime(clock.now()), QString(), QString()}
    , m_inFile(true)
{
}

void AutomaticBookmark::Reset()
{
    Advance({TimeText::dateTime(m_clock.now()), QString(), QString()});
    Store();
}

IssueBookmark AutomaticBookmark::Read()
{
    if (m_inFile) {
        if (const std::optional<IssueBookmark> stored = ReadBookmark())
            m_current = *stored;
    }
    return m_current;
}

void AutomaticBookmark::Advance(const IssueBookmark &handled)
{
    m_current = handled;
    m_inFile = false;
}

void AutomaticBookmark::Store()
{
    try {
        WriteBookmark(m_current);
        m_inFile = true;
    } catch (const AppError &error) {
        m_notice.Tell(error.text());
    }
}

void AutomaticBookmark::TellUnreadable(const QList<UnreadableIssueTime> &invoices)
{
    QStringList lines;
    for (const UnreadableIssueTime &invoice : invoices) {
        const QString key = invoice.invoiceCode + QLatin1Char('\n') + invoice.invoiceNumber + QLatin1Char('\n')
            + invoice.issueTime;
        if (m_toldUnreadable.contains(key))
            continue;
        m_toldUnreadable.insert(key);
        lines << InvoiceText(invoice.invoiceCode, invoice.invoiceNumber)
                + QStringLiteral("  开票时间“%1”").arg(invoice.issueTime.left(40));
    }
    if (lines.isEmpty())
        return;
    // A box a person can read: the first ones, and how many there are.
    constexpr qsizetype Shown = 10;
    if (lines.size() > Shown) {
        const qsizetype all = lines.size();
        lines.resize(Shown);
        lines << QStringLiteral("……共 %1 张").arg(all);
    }
    ShowWarning(QStringLiteral("以下发票的开票时间无法识别，自动处理将跳过它们（发票列表中仍然列出，可以手工处理）：\n")
                + lines.join(QLatin1Char('\n')));
}
