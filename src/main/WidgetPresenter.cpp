#include "WidgetPresenter.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QScreen>
#include <utility>

#include "app/NoticePlace.h"

QWidget* MessageOwner()
{
    QWidget* active = QApplication::activeWindow();
    if (!active || active->objectName() == QLatin1String("DriveSelForm")) return nullptr;
    return active;
}

namespace {
QHash<QString, QPointer<QMessageBox>> openNotices;
} // namespace

void ShowNotice(const QString& text, const QString& caption, QMessageBox::Icon icon,
                const QList<const QWidget*>& clearOf)
{
    QPointer<QMessageBox>& note = openNotices[caption];
    if (!note) {
        note = new QMessageBox(icon, caption, QString(), QMessageBox::Ok);
        note->setAttribute(Qt::WA_DeleteOnClose);
        note->setAttribute(Qt::WA_ShowWithoutActivating);
        note->setModal(false);
    }
    note->setText(text);
    if (!note->isVisible()) {
        // A window the window manager has not framed yet gets room for a frame.
        const auto outline = [](const QWidget& w) {
            const QRect frame = w.frameGeometry();
            return frame != w.geometry() ? frame : QRect(frame.topLeft(), frame.size() + QSize(16, 40));
        };
        QList<QRect> windows;
        bool onTop = false;
        // Hidden windows too: the lyrics window may be about to be shown where it stands.
        for (const QWidget* w : clearOf) {
            windows << outline(*w);
            onTop = onTop || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        }
        for (const QPointer<QMessageBox>& other : openNotices)
            if (other && other != note && other->isVisible()) windows << outline(*other);
        note->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        note->adjustSize();
        const QScreen* screen = !clearOf.isEmpty() && clearOf.front()->screen() ? clearOf.front()->screen()
                                                                                : QGuiApplication::primaryScreen();
        if (screen) note->move(PlaceClearOf(outline(*note).size(), windows, screen->availableGeometry()));
    }
    note->show();
}

void CloseNotice(const QString& caption)
{
    if (QMessageBox* note = openNotices.value(caption)) note->close();
}

int WidgetPresenter::ShowWithReason(const QString& text, const QString& reason, const QString& caption, unsigned flags)
{
    informative = reason;
    return Show(text, caption, flags);
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
    box.setInformativeText(std::exchange(informative, QString()));
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
