#include "WidgetPresenter.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QScreen>
#include <algorithm>
#include <utility>

#include "core/app/NoticePlace.h"
#include "core/common/Etc.h"

namespace {
QPointer<QWidget> scopedOwner;
}

MessageOwnerScope::MessageOwnerScope(QWidget* window) : previous(scopedOwner) { scopedOwner = window; }
MessageOwnerScope::~MessageOwnerScope() { scopedOwner = previous; }

QWidget* MessageOwner()
{
    if (scopedOwner && scopedOwner->isVisible()) return scopedOwner;
    QWidget* active = QApplication::activeWindow();
    if (!active || active->objectName() == QLatin1String("DriveSelForm")) return nullptr;
    return active;
}

namespace {
QHash<QString, QPointer<QMessageBox>> openNotices;

// Japanese has no blanks to wrap at: a box would break a long line anywhere, even
// inside a word ("よろし|いですか?"). A line too wide for the box is broken after its
// punctuation and blanks instead, so that each part fits and no line needs wrapping.
QString BreakAtPunctuation(const QString& text, const QFontMetrics& metrics, int limit)
{
    static const QString marks = QStringLiteral("。、？！?!）」』 ");
    QStringList out;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (metrics.horizontalAdvance(line) <= limit) {
            out << line;
            continue;
        }
        QString current;
        qsizetype from = 0;
        for (qsizetype i = 0; i <= line.size(); ++i) {
            if (i < line.size() && !(marks.contains(line[i]) && (i + 1 == line.size() || !marks.contains(line[i + 1]))))
                continue;
            const QString part = line.mid(from, i + 1 - from);
            from = i + 1;
            if (!current.isEmpty() && metrics.horizontalAdvance(current + part) > limit) {
                out << current;
                current.clear();
            }
            current += part;
        }
        if (!current.isEmpty()) out << current;
    }
    return out.join(QLatin1Char('\n'));
}
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
    // The box wraps what is wider than half the screen (at most 500 pixels); the icon and
    // the margins take their part of that.
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int wrapAt = std::min(screen ? screen->availableGeometry().width() / 2 : 500, 500) - ScaleToScreen(100);
    box.setText(BreakAtPunctuation(shown, box.fontMetrics(), wrapAt));
    box.setInformativeText(std::exchange(informative, QString()));
    if ((flags & 0xF0) == MbIconError)
        box.setIcon(QMessageBox::Critical);
    else if ((flags & 0xF0) == MbIconWarning)
        box.setIcon(QMessageBox::Warning);
    else if ((flags & 0xF0) == MbIconQuestion)
        box.setIcon(QMessageBox::Question);
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
    if ((flags & 0xF) == MbOkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok ? IdOk : IdCancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IdOk;
}
