#pragma once

#include "engine/leftitem.h"

#include <QWidget>

#include <memory>

class QListWidget;

namespace Ui {
class UnInstallCompletedUI;
}

namespace appinstaller {

// The last page: the result of the run and the button that ends it.
class UnInstallCompletedPage : public QWidget
{
    Q_OBJECT

public:
    explicit UnInstallCompletedPage(QWidget *parent = nullptr);
    ~UnInstallCompletedPage() override;

    // "Uninstalled" only when nothing was left behind; otherwise the page says
    // so and lists what remains.
    void setLeftItems(const LeftItems &items);

signals:
    void signalClose();

protected:
    // Fits the listed paths to the list's width whenever it changes.
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onCompletedBtnClicked();

private:
    static QString reasonText(LeftItem::Reason reason);
    void elideLeftItems();

    std::unique_ptr<Ui::UnInstallCompletedUI> m_ui;
    QListWidget *m_pLeftItemsList = nullptr;
    LeftItems m_leftItems;
};

} // namespace appinstaller
