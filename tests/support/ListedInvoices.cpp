#include "ListedInvoices.h"

#include "config/AppError.h"
#include "config/TimeText.h"

ListedInvoices::ListedInvoices(TJdcConnection &connection, const QDate &day)
    : m_connection(connection)
{
    filter.startBound = TimeText::dayStart(day);
    filter.endBound = TimeText::dayStart(day.addDays(1));
}

void ListedInvoices::Refresh(const QString &invoiceCode, const QString &invoiceNumber)
{
    ++refreshes;
    if (failingFrom > 0 && refreshes >= failingFrom)
        throw AppError(QStringLiteral("连接已断开"));
    current = ListInvoices(m_connection, filter, model, invoiceCode, invoiceNumber);
}
