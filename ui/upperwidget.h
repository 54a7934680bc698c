#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class UpperWidgeUI;
}

namespace appinstaller {

// The header band of a page: the background picture with the title bar on
// top. Passes the title bar's close request on.
class UpperWidget : public QWidget
{
    Q_OBJECT

public:
    explicit UpperWidget(QWidget *parent = nullptr);
    ~UpperWidget() override;

signals:
    void signalClose();

private:
    std::unique_ptr<Ui::UpperWidgeUI> m_ui;
};

} // namespace appinstaller
