#pragma once

#include "db/InvoiceQuery.h"

#include <QSet>

class Clock;
class UnsavedSettingsNotice;

// The automatic steps' bookmark as the settings file keeps it: Other/EndTime, and beside it the
// code and number of the last invoice handled (EndCode, EndNumber). Nothing when the file holds
// no readable time.
std::optional<IssueBookmark> ReadBookmark();
// The three keys in one rewrite of the file; raises EIniFileError when the file does not take it.
void WriteBookmark(const IssueBookmark &bookmark);

// Where the automatic steps of this run stand. The bookmark lives in memory as well as in the
// settings file: an invoice handled once is never offered again in this run, whatever the file
// does. While the file holds what this run last stored, it is read afresh at each step, so that
// a bookmark set there by hand counts; once a store failed, the bookmark in memory decides.
class AutomaticBookmark final
{
public:
    AutomaticBookmark(const Clock &clock, UnsavedSettingsNotice &notice);
    AutomaticBookmark(const AutomaticBookmark &) = delete;
    AutomaticBookmark &operator=(const AutomaticBookmark &) = delete;

    // Start-up: only invoices issued from now on are new.
    void Reset();
    IssueBookmark Read();
    // The invoice is handled: it is behind the bookmark from now on, before anything is stored.
    void Advance(const IssueBookmark &handled);
    // Writes the bookmark into the settings file. A file that does not take it is said once per
    // run (the notice), and the bookmark in memory holds.
    void Store();
    // Says once per invoice that its issue time cannot be read, so the automatic steps pass it by.
    void TellUnreadable(const QList<UnreadableIssueTime> &invoices);

private:
    const Clock &m_clock;
    UnsavedSettingsNotice &m_notice;
    IssueBookmark m_current;
    bool m_inFile = false; // the file holds m_current
    QSet<QString> m_toldUnreadable;
};
