#include "About.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "main/Glyphs.h"

#ifndef MIRELUNE_VERSION
#define MIRELUNE_VERSION "1.0.0"
#endif
#ifndef MIRELUNE_BUILD
#define MIRELUNE_BUILD "0"
#endif

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setPixmap(AppIcon().pixmap(48, 48));
    ProductName = new QLabel(QStringLiteral("Mirelune"), this);
    QFont big = ProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    ProductName->setFont(big);
    Version = new QLabel(QStringLiteral("バージョン ") + QStringLiteral(MIRELUNE_VERSION), this);
    Version->setToolTip(QStringLiteral("ビルド ") + QStringLiteral(MIRELUNE_BUILD));
    Copyright = new QLabel(QStringLiteral("Copyright © 2026 Mirelune の開発者たち"), this);
    auto link = [this](const QString& url, const QString& text) {
        auto* l = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), text.toHtmlEscaped()), this);
        l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(l, &QLabel::linkActivated, this, [](const QString& href) { QDesktopServices::openUrl(QUrl(href)); });
        return l;
    };
    MailLabel = link(QStringLiteral("mailto:") + MailAddress(), MailAddress());
    WebLabel = link(WebAddress(), WebAddress());
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(ProductName), static_cast<QWidget*>(Version),
                       static_cast<QWidget*>(Copyright), static_cast<QWidget*>(MailLabel),
                       static_cast<QWidget*>(WebLabel)})
        text->addWidget(w);
    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
