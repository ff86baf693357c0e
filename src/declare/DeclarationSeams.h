#pragma once

class AutomaticBookmark;
class Clock;
class DetailsPrompt;
class InvoiceList;
class TJdcConnection;

// What both declaration flows work with. Message boxes go through the program's message-box seam.
struct DeclarationSeams {
    TJdcConnection &connection;
    InvoiceList &list;
    DetailsPrompt &prompt;
    const Clock &clock;
    AutomaticBookmark &bookmark;
};
