#pragma once

#include <QByteArray>
#include <QString>

// The parsed form (BIFF8 tokens, "rgce") of a cell formula written as Excel shows it without
// "=": a function of the table below over cell references, ranges and numbers, e.g.
// "SUM(G4:G6)", or a single reference or number. Raises AppError for anything else.
QByteArray ParsedXlsFormula(const QString &formula);

// Row and column (from 1) of a reference like "G4" or "$G$4"; false when it is none.
bool ParseCellReference(const QString &text, int &row, int &column);
