#pragma once

#include "controls/cpushbutton.h"
#include "controls/varnelglobal.h"

namespace Varnel {

// The primary action of a view: white text on the product red.
class VARNEL_EXPORT CCommandButton : public CPushButton
{
    Q_OBJECT

public:
    explicit CCommandButton(QWidget *parent = nullptr);
    explicit CCommandButton(const QString &text, QWidget *parent = nullptr);
    ~CCommandButton() override;

private:
    void applyColors();
};

} // namespace Varnel
