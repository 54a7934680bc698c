#pragma once

#include "controls/varnelglobal.h"

#include <QColor>
#include <QDialog>

class QLabel;
class QPushButton;

namespace Varnel {

class CCommandButton;
class CFancyTitle;
class CSecondCommandButton;

// The library's modal message box: a frameless white card with a title row
// (draggable, with a close button), an icon, the message and its buttons.
// Return or Enter presses the default button; Escape and the close button
// decline, so exec() returns 0 (QDialog::Rejected). Confirming returns 1.
class VARNEL_EXPORT CModalTipDialog : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)

public:
    enum ModalTipDialogModel {
        TipModel = 0,      // information, one "OK" button
        WarnModel = 1,     // warning, one "OK" button
        ErrorModel = 2,    // error, one "OK" button
        QuestionModel = 3, // question, "OK" (the default) and "Cancel"
    };
    Q_ENUM(ModalTipDialogModel)

    enum ModalTipDialogSize {
        SmallSize = 0,
        LargeSize = 1,
    };
    Q_ENUM(ModalTipDialogSize)

    explicit CModalTipDialog(QWidget *parent = nullptr);
    ~CModalTipDialog() override;

    void setDialogModel(ModalTipDialogModel model);
    // For callers that hold the model as a number; unknown values give TipModel.
    void setDialogModel(int model);
    ModalTipDialogModel dialogModel() const { return m_model; }

    void setDialogSize(ModalTipDialogSize size);
    // Unknown values give SmallSize.
    void setDialogSize(int size);
    ModalTipDialogSize dialogSize() const { return m_size; }

    void setContentText(const QString &text);
    QString contentText() const;

    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor &color);
    QColor borderColor() const { return m_border; }
    void setBorderColor(const QColor &color);

    // Shows a modal warning with one button and returns once it is dismissed:
    // 1 when the button was pressed, 0 when it was closed or escaped.
    static int ShowMessageWarn(const QString &text, ModalTipDialogSize size, QWidget *parent);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildWidgets();
    void retranslate();
    void updateIcon();
    void updateButtons();
    void updateSize();

    ModalTipDialogModel m_model = TipModel;
    ModalTipDialogSize m_size = SmallSize;
    QColor m_background = Qt::white;
    QColor m_border = QColor(0, 0, 0, 0x26);

    CFancyTitle *m_pTitle = nullptr;
    QLabel *m_pTitleLabel = nullptr;
    QPushButton *m_pCloseBtn = nullptr;
    QLabel *m_pIconLabel = nullptr;
    QLabel *m_pContentLabel = nullptr;
    CSecondCommandButton *m_pCancelBtn = nullptr;
    CCommandButton *m_pConfirmBtn = nullptr;
};

} // namespace Varnel
