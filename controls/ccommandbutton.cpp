#include "controls/ccommandbutton.h"

namespace Varnel {

CCommandButton::CCommandButton(QWidget *parent)
    : CPushButton(parent)
{
    applyColors();
}

CCommandButton::CCommandButton(const QString &text, QWidget *parent)
    : CPushButton(text, parent)
{
    applyColors();
}

CCommandButton::~CCommandButton() = default;

void CCommandButton::applyColors()
{
    const QColor red(0xE5, 0x32, 0x2D);
    setBackgroundColor(red);
    setHoverBackgroundColor(QColor(0xF0, 0x58, 0x53));
    setPressedBackgroundColor(QColor(0xC2, 0x22, 0x1D));
    setTextColor(Qt::white);
    setHoverTextColor(Qt::white);
    setPressedTextColor(Qt::white);
    // No outline: the fill alone makes the shape.
    setBorderColor(QColor());
    setHoverBorderColor(QColor());
    setPressedBorderColor(QColor());
}

} // namespace Varnel
