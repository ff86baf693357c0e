#pragma once

#include "db/InvoiceQuery.h"

class Clock;

// The automatic steps' bookmark in the settings file: Other/EndTime, and beside it the code and
// number of the last invoice handled (EndCode, EndNumber). A missing time is now.
IssueBookmark ReadBookmark(const Clock &clock);
void WriteBookmark(const IssueBookmark &bookmark);
// Start-up: only invoices issued from now on are new.
void ResetBookmark(const Clock &clock);
