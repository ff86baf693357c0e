#pragma once

#include <QValidator>

// What a digit field lets in, whichever way the text comes: typed, pasted, dropped or
// committed by an input method. The key filters of the fields refuse single keys with their
// hints; this holds the same rule for the text as a whole, dropping what it refuses and moving
// the caret back over it.
class TDigitValidator final : public QValidator
{
    Q_OBJECT

public:
    enum Kind {
        Postcode, // digits 0-9, blanks after them; full-width digits of an input method become 0-9
        Integer,  // as a number field types it: printable ASCII is a digit, or a "-" before them
        Decimal,  // as Integer, and one "."
    };

    // next, when given, checks what this one kept (a length limit, say).
    TDigitValidator(Kind kind, QObject *parent, const QValidator *next = nullptr);

    void SetKind(Kind kind);

    State validate(QString &input, int &pos) const override;

private:
    Kind m_kind;
    const QValidator *m_next;
};

// Printable ASCII other than a digit: what a number field refuses, its signs aside. Blanks,
// control characters and Chinese text are no such character.
bool RefusedInNumber(QChar c);
