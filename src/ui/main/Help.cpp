#include "Help.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/common/Etc.h"
#include "core/common/HelpTopics.h"

namespace {

const char* const kContextProperty = "helpContext";

QString contentsFile;
QPointer<QWidget> window;

QWidget* makeWindow()
{
    auto* w = new QWidget(nullptr, Qt::Window);
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
    if (owner && owner->window() != window->parentWidget()) {
        // A window that belongs to the modal dialog is not blocked by it.
        const QRect place = window->geometry();
        const bool shown = window->isVisible();
        window->setParent(owner->window(), Qt::Window);
        if (shown) window->setGeometry(place);
    }
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
