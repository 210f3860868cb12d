#include "About.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/main/Glyphs.h"

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
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    // No mail or web link: the project's home is its source repository, which has no
    // public address to point at.
    for (QLabel* l : {ProductName, Version, Copyright}) text->addWidget(l);
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
