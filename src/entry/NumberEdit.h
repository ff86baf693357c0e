#pragma once

#include "EditEx.h"

class QLabel;
class QToolButton;
class TDigitValidator;

enum TNumberEditType { tInt, tFloat };

// A field for a whole or decimal number. Typed keys other than digits, a leading "-" and,
// for decimals, one "." are refused with a short hint under the field; blanks, control keys
// and Chinese characters pass. Pasted text and input-method commits keep to the same rule:
// what a key would not type is dropped from them. Leaving the field completes a bare "." to
// "0.0".
class TNumberEdit final : public TEditEx
{
    Q_OBJECT
    Q_PROPERTY(TNumberEditType InputType READ InputType WRITE SetInputType)

public:
    explicit TNumberEdit(QWidget *parent = nullptr);

    TNumberEditType InputType() const { return m_inputType; }
    void SetInputType(TNumberEditType type);

    // The hint about a refused key while it is up, else nullptr.
    QWidget *HintWindow() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool accepts(QChar typed) const;
    void showHint();
    void freeHint();

    TNumberEditType m_inputType = tInt;
    TDigitValidator *m_validator;
    QLabel *m_hint = nullptr; // child window, so it goes with the field
};

// A small auto-repeating arrow that steps a number field; it never takes the focus, so the
// field keeps it and the arrow keys go on stepping after a click.
QToolButton *MakeStepArrow(const char *name, Qt::ArrowType arrow, QWidget *parent);
