#include "controls/csecondcommandbutton.h"

namespace Varnel {

CSecondCommandButton::CSecondCommandButton(QWidget *parent)
    : CPushButton(parent)
{
    applyColors();
}

CSecondCommandButton::CSecondCommandButton(const QString &text, QWidget *parent)
    : CPushButton(text, parent)
{
    applyColors();
}

CSecondCommandButton::~CSecondCommandButton() = default;

void CSecondCommandButton::applyColors()
{
    const QColor red(0xE5, 0x32, 0x2D);
    setBackgroundColor(Qt::white);
    setHoverBackgroundColor(Qt::white);
    setPressedBackgroundColor(QColor(0xFD, 0xEC, 0xEB));
    setTextColor(QColor(0, 0, 0, 0xD9));
    setHoverTextColor(red);
    setPressedTextColor(QColor(0xC2, 0x22, 0x1D));
    setBorderColor(QColor(0, 0, 0, 0x33));
    setHoverBorderColor(red);
    setPressedBorderColor(QColor(0xC2, 0x22, 0x1D));
}

} // namespace Varnel
