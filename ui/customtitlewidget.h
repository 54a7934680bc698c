#pragma once

#include "controls/cfancytitle.h"

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace appinstaller {

// The title bar of a page: product icon, title and close button. Dragging it
// moves the frameless window (inherited from CFancyTitle).
class CustomTitleWidget : public Varnel::CFancyTitle
{
    Q_OBJECT

public:
    explicit CustomTitleWidget(QWidget *parent = nullptr);
    ~CustomTitleWidget() override;

signals:
    void signalClose();

private:
    QLabel *m_pIconLabel = nullptr;
    QLabel *m_pTitleLabel = nullptr;
    QPushButton *m_pCloseBtn = nullptr;
    QHBoxLayout *m_pTitleLayout = nullptr;
};

} // namespace appinstaller
