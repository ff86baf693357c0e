#pragma once

#include <QDialog>

class QLabel;

// The About box: the main window's caption, the version with the program's build time, and
// the company line, all from the settings file where it has them.
class TfrmAbout final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(const QString &mainCaption, QWidget *parent = nullptr);

    QString Line(int index) const;

    // "Version 1.1.0.0  (Build 261210-143000)" for the executable's modification time.
    static QString VersionLine(const QString &version, const QDateTime &built);

private:
    QLabel *m_lines[3];
};
