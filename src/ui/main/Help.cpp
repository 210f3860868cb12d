#include "Help.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/app/NoticePlace.h"
#include "core/common/Etc.h"
#include "core/common/HelpTopics.h"

namespace {

const char* const kContextProperty = "helpContext";

QString contentsFile;
QPointer<QWidget> window;

// Escape closes it, as it closes a dialog; the page and the buttons pass the key on.
class HelpWindow : public QWidget {
public:
    HelpWindow() : QWidget(nullptr, Qt::Window) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
            close();
        else
            QWidget::keyPressEvent(event);
    }
};

QWidget* makeWindow()
{
    auto* w = new HelpWindow;
    w->setObjectName(QStringLiteral("HelpWindow"));
    w->setWindowTitle(QStringLiteral("Mirelune ヘルプ"));
    auto* browser = new QTextBrowser(w);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(true);
    auto* contents = new QPushButton(QStringLiteral("目次(&C)"), w);
    auto* back = new QPushButton(QStringLiteral("戻る(&B)"), w);
    auto* forward = new QPushButton(QStringLiteral("進む(&F)"), w);
    back->setEnabled(false);
    forward->setEnabled(false);
    QObject::connect(contents, &QPushButton::clicked, browser,
                     [browser] { browser->setSource(QUrl::fromLocalFile(contentsFile)); });
    QObject::connect(back, &QPushButton::clicked, browser, &QTextBrowser::backward);
    QObject::connect(forward, &QPushButton::clicked, browser, &QTextBrowser::forward);
    QObject::connect(browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    QObject::connect(browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {contents, back, forward}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(browser);
    w->resize(ScaleToScreen(560), ScaleToScreen(460));
    return w;
}

// Beside the window it explains, not over it, and on that window's screen.
void placeBeside(QWidget* help, const QWidget* explained)
{
    const QScreen* screen = explained->screen();
    if (!screen) return;
    const QRect frame = explained->frameGeometry();
    // Not shown yet, the help window has no frame of its own: it will get one like this.
    const QSize frameExtra = frame.size() - explained->size();
    const QPoint corner = PlaceClearOf(help->size() + frameExtra, {frame}, screen->availableGeometry());
    help->move(corner);
}

} // namespace

namespace Help {

void SetFile(const QString& contentsPage) { contentsFile = contentsPage; }

QString File() { return contentsFile; }

QWidget* Window() { return window; }

QTextBrowser* Browser() { return window ? window->findChild<QTextBrowser*>() : nullptr; }

void Show(int context, QWidget* owner, bool activate)
{
    if (QWidget* modal = QApplication::activeModalWidget()) owner = modal;
    if (!window) window = makeWindow();
    const bool shown = window->isVisible();
    if (owner && owner->window() != window->parentWidget()) {
        // A window that belongs to the modal dialog is not blocked by it.
        const QRect place = window->geometry();
        window->setParent(owner->window(), Qt::Window);
        if (shown) window->setGeometry(place);
    }
    if (!shown && owner) placeBeside(window, owner->window());
    // The contents page is the file given; the topics' pages lie beside it.
    const QString target = context != 0 ? HelpTarget(context) : QString();
    QUrl url = QUrl::fromLocalFile(contentsFile);
    if (!target.isEmpty()) {
        url = QUrl::fromLocalFile(QFileInfo(contentsFile).absolutePath() + QLatin1Char('/') +
                                  target.section(QLatin1Char('#'), 0, 0));
        url.setFragment(target.section(QLatin1Char('#'), 1));
    }
    Browser()->setSource(url);
    window->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    window->show();
    window->raise();
    if (activate) window->activateWindow();
}

void SetContext(QWidget* widget, int context) { widget->setProperty(kContextProperty, context); }

int ContextOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const int context = w->property(kContextProperty).toInt();
        if (context != 0) return context;
        if (w->isWindow()) break;
    }
    return 0;
}

void InstallF1(QDialog* dialog, std::function<void()> before)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, dialog, [dialog, before = std::move(before)] {
        if (before) before();
        QWidget* focus = dialog->focusWidget();
        Show(ContextOf(focus ? focus : dialog), dialog);
    });
}

} // namespace Help
