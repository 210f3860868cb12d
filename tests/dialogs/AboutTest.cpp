#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "ui/dialogs/About.h"

TEST(About, ShowsTheVersionWithTheBuildAsItsHintAndNoInventedAddresses)
{
    TAboutForm f;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(f.ProductName->text(), QStringLiteral("Mirelune"));
    EXPECT_TRUE(f.Version->text().contains(QStringLiteral("1.0.0")));
    EXPECT_TRUE(f.Version->toolTip().startsWith(QStringLiteral("ビルド ")));
    EXPECT_FALSE(f.ProgramIcon->pixmap().isNull());
    EXPECT_FALSE(f.Copyright->text().isEmpty());
    // The program has no public address: no label offers a mail or web link.
    for (const QLabel* label : f.findChildren<QLabel*>()) {
        const QString text = label->text() + label->toolTip();
        EXPECT_FALSE(text.contains(QStringLiteral("href"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("example."))) << text.toStdString();
        EXPECT_FALSE(text.contains(QLatin1Char('@'))) << text.toStdString();
    }
    f.show();
    f.OKButton->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
}
