#include "controls/cmodaltipdialog.h"

#include "controls/ccommandbutton.h"
#include "controls/cfancytitle.h"
#include "controls/csecondcommandbutton.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace Varnel {

namespace {

constexpr int kTitleHeight = 44;
constexpr int kIconSize = 24;

QSize designSize(CModalTipDialog::ModalTipDialogSize size)
{
    return size == CModalTipDialog::LargeSize ? QSize(480, 240) : QSize(400, 200);
}

QPixmap closePixmap(qreal ratio)
{
    QPixmap pixmap(QSize(12, 12) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0, 0x8C), 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(1.5, 1.5), QPointF(10.5, 10.5));
    painter.drawLine(QPointF(10.5, 1.5), QPointF(1.5, 10.5));
    return pixmap;
}

// The model's badge: a filled circle with a white sign, drawn rather than
// loaded so the dialog needs no image files.
QPixmap badgePixmap(CModalTipDialog::ModalTipDialogModel model, qreal ratio)
{
    QColor color;
    QString sign;
    switch (model) {
    case CModalTipDialog::WarnModel:
        color = QColor(0xFA, 0x8C, 0x16);
        sign = QStringLiteral("!");
        break;
    case CModalTipDialog::ErrorModel:
        color = QColor(0xE5, 0x32, 0x2D);
        sign = QStringLiteral("\u00D7");
        break;
    case CModalTipDialog::QuestionModel:
        color = QColor(0xE5, 0x32, 0x2D);
        sign = QStringLiteral("?");
        break;
    case CModalTipDialog::TipModel:
        color = QColor(0x16, 0x77, 0xFF);
        sign = QStringLiteral("i");
        break;
    }

    QPixmap pixmap(QSize(kIconSize, kIconSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, kIconSize, kIconSize));
    QFont font;
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, kIconSize, kIconSize), Qt::AlignCenter, sign);
    return pixmap;
}

} // namespace

CModalTipDialog::CModalTipDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("CModalTipDialog"));
    setModal(true);
    buildWidgets();
    updateSize();
    updateIcon();
    updateButtons();
    retranslate();
}

CModalTipDialog::~CModalTipDialog() = default;

void CModalTipDialog::buildWidgets()
{
    auto *outer = new QVBoxLayout(this);
    // One pixel for the painted border.
    outer->setContentsMargins(1, 1, 1, 1);
    outer->setSpacing(0);

    m_pTitle = new CFancyTitle(this);
    m_pTitle->setObjectName(QStringLiteral("m_pDialogTitle"));
    m_pTitle->setFixedHeight(kTitleHeight);
    auto *titleLayout = new QHBoxLayout(m_pTitle);
    titleLayout->setContentsMargins(20, 0, 12, 0);
    titleLayout->setSpacing(8);
    m_pTitleLabel = new QLabel(m_pTitle);
    m_pTitleLabel->setObjectName(QStringLiteral("m_pTitleLabel"));
    m_pTitleLabel->setTextFormat(Qt::PlainText);
    QFont titleFont = m_pTitleLabel->font();
    titleFont.setBold(true);
    m_pTitleLabel->setFont(titleFont);
    m_pCloseBtn = new QPushButton(m_pTitle);
    m_pCloseBtn->setObjectName(QStringLiteral("m_pCloseBtn"));
    m_pCloseBtn->setFixedSize(24, 24);
    m_pCloseBtn->setFlat(true);
    m_pCloseBtn->setAutoDefault(false);
    m_pCloseBtn->setFocusPolicy(Qt::NoFocus);
    m_pCloseBtn->setCursor(Qt::PointingHandCursor);
    m_pCloseBtn->setIcon(QIcon(closePixmap(devicePixelRatioF())));
    m_pCloseBtn->setIconSize(QSize(12, 12));
    titleLayout->addWidget(m_pTitleLabel);
    titleLayout->addStretch(1);
    titleLayout->addWidget(m_pCloseBtn);
    outer->addWidget(m_pTitle);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(24, 8, 24, 0);
    body->setSpacing(12);
    m_pIconLabel = new QLabel(this);
    m_pIconLabel->setObjectName(QStringLiteral("m_pIconLabel"));
    m_pIconLabel->setFixedSize(kIconSize, kIconSize);
    m_pContentLabel = new QLabel(this);
    m_pContentLabel->setObjectName(QStringLiteral("m_pContentLabel"));
    m_pContentLabel->setTextFormat(Qt::PlainText);
    m_pContentLabel->setWordWrap(true);
    m_pContentLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pContentLabel->setMinimumHeight(kIconSize);
    m_pContentLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    body->addWidget(m_pIconLabel, 0, Qt::AlignTop);
    body->addWidget(m_pContentLabel, 1);
    outer->addLayout(body);
    outer->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(24, 12, 24, 20);
    buttons->setSpacing(12);
    m_pCancelBtn = new CSecondCommandButton(this);
    m_pCancelBtn->setObjectName(QStringLiteral("m_pCancelBtn"));
    m_pConfirmBtn = new CCommandButton(this);
    m_pConfirmBtn->setObjectName(QStringLiteral("m_pConfirmBtn"));
    m_pConfirmBtn->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(m_pCancelBtn);
    buttons->addWidget(m_pConfirmBtn);
    outer->addLayout(buttons);

    connect(m_pConfirmBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pCloseBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void CModalTipDialog::setDialogModel(ModalTipDialogModel model)
{
    m_model = model;
    updateIcon();
    updateButtons();
    retranslate();
}

void CModalTipDialog::setDialogModel(int model)
{
    switch (model) {
    case TipModel:
    case WarnModel:
    case ErrorModel:
    case QuestionModel:
        setDialogModel(static_cast<ModalTipDialogModel>(model));
        break;
    default:
        setDialogModel(TipModel);
        break;
    }
}

void CModalTipDialog::setDialogSize(ModalTipDialogSize size)
{
    m_size = size;
    updateSize();
}

void CModalTipDialog::setDialogSize(int size)
{
    setDialogSize(size == LargeSize ? LargeSize : SmallSize);
}

void CModalTipDialog::setContentText(const QString &text)
{
    m_pContentLabel->setText(text);
}

QString CModalTipDialog::contentText() const
{
    return m_pContentLabel->text();
}

void CModalTipDialog::setBackgroundColor(const QColor &color)
{
    m_background = color;
    update();
}

void CModalTipDialog::setBorderColor(const QColor &color)
{
    m_border = color;
    update();
}

int CModalTipDialog::ShowMessageWarn(const QString &text, ModalTipDialogSize size, QWidget *parent)
{
    CModalTipDialog dialog(parent);
    dialog.setDialogModel(WarnModel);
    dialog.setContentText(text);
    dialog.setDialogSize(size);
    return dialog.exec();
}

void CModalTipDialog::retranslate()
{
    QString title;
    switch (m_model) {
    case WarnModel:
        title = tr("Warning");
        break;
    case ErrorModel:
        title = tr("Error");
        break;
    case TipModel:
    case QuestionModel:
        title = tr("Notice");
        break;
    }
    m_pTitleLabel->setText(title);
    setWindowTitle(title);
    m_pCloseBtn->setToolTip(tr("Close"));
    m_pConfirmBtn->setText(tr("OK"));
    m_pCancelBtn->setText(tr("Cancel"));
}

void CModalTipDialog::updateIcon()
{
    m_pIconLabel->setPixmap(badgePixmap(m_model, devicePixelRatioF()));
}

void CModalTipDialog::updateButtons()
{
    m_pCancelBtn->setVisible(m_model == QuestionModel);
}

void CModalTipDialog::updateSize()
{
    CWidgetSizeFactory::setFixedDesignSize(this, designSize(m_size));
}

void CModalTipDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void CModalTipDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    if (m_border.isValid() && m_border.alpha() > 0) {
        painter.setPen(QPen(m_border, 1.0));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void CModalTipDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Without a window manager nobody else hands the new window the keyboard.
    activateWindow();
    m_pConfirmBtn->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace Varnel
