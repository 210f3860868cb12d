#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "dialogs/About.h"

TEST(About, ShowsTheVersionWithTheBuildAsItsHintAndTwoLinks)
{
    TAboutForm f;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(f.ProductName->text(), QStringLiteral("Mirelune"));
    EXPECT_TRUE(f.Version->text().contains(QStringLiteral("1.0.0")));
    EXPECT_TRUE(f.Version->toolTip().startsWith(QStringLiteral("ビルド ")));
    EXPECT_FALSE(f.ProgramIcon->pixmap().isNull());
    EXPECT_TRUE(f.MailLabel->text().contains(QStringLiteral("href=\"mailto:") + TAboutForm::MailAddress()));
    EXPECT_TRUE(f.WebLabel->text().contains(TAboutForm::WebAddress()));
    f.show();
    f.OKButton->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
}
