#pragma once

#include "controls/cpushbutton.h"
#include "controls/varnelglobal.h"

namespace Varnel {

// The secondary action beside a CCommandButton: an outlined white box that
// turns red on hover.
class VARNEL_EXPORT CSecondCommandButton : public CPushButton
{
    Q_OBJECT

public:
    explicit CSecondCommandButton(QWidget *parent = nullptr);
    explicit CSecondCommandButton(const QString &text, QWidget *parent = nullptr);
    ~CSecondCommandButton() override;

private:
    void applyColors();
};

} // namespace Varnel
