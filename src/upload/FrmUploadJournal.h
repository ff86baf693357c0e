#pragma once

#include <QDialog>
#include <QList>

#include "UploadJournal.h"

class Clock;
class QDateEdit;
class QLineEdit;
class QTableWidget;

// "上传日志": the exchanges with the tax server, newest first, filtered by day and invoice
// number; a selected entry is copied as text, for the dealer's support.
class TfrmUploadJournal final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmUploadJournal(const Clock &clock, QWidget *parent = nullptr);

    void btnQueryClick();
    void btnCopyClick();
    const QList<JournalEntry> &Shown() const { return m_entries; }

private:
    QDateEdit *m_from;
    QDateEdit *m_to;
    QLineEdit *m_number;
    QTableWidget *m_table;
    QList<JournalEntry> m_entries;
};
