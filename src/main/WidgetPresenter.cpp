#include "WidgetPresenter.h"

#include <QApplication>
#include <QMessageBox>

QWidget* MessageOwner()
{
    QWidget* active = QApplication::activeWindow();
    if (!active || active->objectName() == QLatin1String("DriveSelForm")) return nullptr;
    return active;
}

int WidgetPresenter::Show(const QString& text, const QString& caption, unsigned flags)
{
    QMessageBox box(MessageOwner());
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(caption);
    // The texts break lines with a lone CR, as the old boxes did.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    if ((flags & 0xF0) == MbIconError) box.setIcon(QMessageBox::Critical);
    else if ((flags & 0xF0) == MbIconWarning) box.setIcon(QMessageBox::Warning);
    else if ((flags & 0xF0) == MbIconQuestion) box.setIcon(QMessageBox::Question);
    if ((flags & 0xF) == MbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((flags & MbDefButton2) ? QMessageBox::No : QMessageBox::Yes);
        // Escape answers No: the question never does what was not asked for.
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? IdYes : IdNo;
    }
    if ((flags & 0xF) == MbRetryCancel) {
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Cancel);
        return box.exec() == QMessageBox::Retry ? IdRetry : IdCancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IdOk;
}
