#include "ui/uninstallcompletedpage.h"

#include "ui/upperwidget.h"
#include "ui_uninstallcompletedpage.h"

#include <QEvent>
#include <QListWidget>

namespace appinstaller {

UnInstallCompletedPage::UnInstallCompletedPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::UnInstallCompletedUI>())
{
    m_ui->setupUi(this);
    connect(m_ui->m_pUpperWidget, &UpperWidget::signalClose, this, &UnInstallCompletedPage::signalClose);
    connect(m_ui->m_pCompletedBtn, &QPushButton::clicked, this, &UnInstallCompletedPage::onCompletedBtnClicked);
}

UnInstallCompletedPage::~UnInstallCompletedPage() = default;

void UnInstallCompletedPage::onCompletedBtnClicked()
{
    emit signalClose();
}

QString UnInstallCompletedPage::reasonText(LeftItem::Reason reason)
{
    switch (reason) {
    case LeftItem::Reason::NotRemoved:
        return tr("CouldNotBeRemovedHxVmRaPe");
    case LeftItem::Reason::ProtectedPath:
        return tr("KeptForSafetyNcLdYwQu");
    case LeftItem::Reason::InvalidPath:
        return tr("InvalidInstallPathRtGeSoLa");
    case LeftItem::Reason::UnsafeName:
        return tr("UnsafeNameSkippedPwUcIeBn");
    }
    return QString();
}

void UnInstallCompletedPage::setLeftItems(const LeftItems &items)
{
    m_leftItems = items;
    if (items.isEmpty()) {
        m_ui->m_pInstallInfoLabel->setText(
            QCoreApplication::translate("UnInstallCompletedUI", "Uninstalled"));
        m_ui->m_pInstallInfoLabel->setStyleSheet(QString());
        m_ui->m_pIconToolBtn->show();
        if (m_pLeftItemsList)
            m_pLeftItemsList->hide();
        return;
    }

    // The success mark would contradict the message.
    m_ui->m_pIconToolBtn->hide();
    QString message = tr("UninstalledItemsRemainQfTzWbKd");
    if (message.contains(QLatin1String("%1")))
        message = message.arg(items.size());
    m_ui->m_pInstallInfoLabel->setText(message);
    m_ui->m_pInstallInfoLabel->setStyleSheet(QStringLiteral("color: #D4380D;"));

    if (!m_pLeftItemsList) {
        // In place of the spacer left of the button: a short scrollable list.
        m_pLeftItemsList = new QListWidget(m_ui->m_pBottomWidget);
        m_pLeftItemsList->setObjectName(QStringLiteral("m_pLeftItemsList"));
        m_pLeftItemsList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_pLeftItemsList->viewport()->installEventFilter(this);
        m_pLeftItemsList->setSelectionMode(QAbstractItemView::NoSelection);
        m_pLeftItemsList->setFocusPolicy(Qt::NoFocus);
        m_pLeftItemsList->setStyleSheet(QStringLiteral(
            "QListWidget { border: 1px solid rgba(0,0,0,0.15); border-radius: 4px;"
            " font-size: 12px; color: rgba(0,0,0,0.70); }"));
        QLayoutItem *spacer = m_ui->horizontalLayout->takeAt(0);
        delete spacer;
        m_ui->horizontalLayout->insertWidget(0, m_pLeftItemsList, 1);
    }
    m_pLeftItemsList->clear();
    for (const LeftItem &item : items) {
        const QString path = item.path.isEmpty() ? QStringLiteral("\"\"") : item.path;
        auto *entry = new QListWidgetItem(m_pLeftItemsList);
        entry->setToolTip(path);
    }
    elideLeftItems();
    m_pLeftItemsList->show();
}

void UnInstallCompletedPage::elideLeftItems()
{
    if (!m_pLeftItemsList || m_pLeftItemsList->count() != m_leftItems.size())
        return;
    const QFontMetrics metrics(m_pLeftItemsList->font());
    // Before the list is laid out its width is not known yet: assume the room
    // the fixed page leaves it.
    int width = m_pLeftItemsList->viewport()->width();
    if (!m_pLeftItemsList->isVisible() || width < 100)
        width = 500;
    for (int i = 0; i < m_leftItems.size(); ++i) {
        const LeftItem &item = m_leftItems.at(i);
        const QString reason = QStringLiteral("  \u2014 ") + reasonText(item.reason);
        const QString path = item.path.isEmpty() ? QStringLiteral("\"\"") : item.path;
        // Paths differ most at their ends, so the middle gives way.
        const int room = qMax(40, width - metrics.horizontalAdvance(reason) - 12);
        m_pLeftItemsList->item(i)->setText(metrics.elidedText(path, Qt::ElideMiddle, room) + reason);
    }
}

bool UnInstallCompletedPage::eventFilter(QObject *watched, QEvent *event)
{
    if (m_pLeftItemsList && watched == m_pLeftItemsList->viewport() && event->type() == QEvent::Resize)
        elideLeftItems();
    return QWidget::eventFilter(watched, event);
}

} // namespace appinstaller
