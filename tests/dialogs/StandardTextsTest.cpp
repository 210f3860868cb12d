#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "ui/app/StandardTexts.h"

TEST(StandardTexts, MessageBoxButtonsAndTheFileDialogSpeakJapanese)
{
    QMessageBox english(QMessageBox::Warning, QStringLiteral("Mirelune"), QString(),
                        QMessageBox::Retry | QMessageBox::Cancel);
    ASSERT_EQ(english.button(QMessageBox::Retry)->text(), QStringLiteral("Retry"));

    ASSERT_TRUE(LoadStandardTexts(*qApp));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Mirelune"), QString(),
                    QMessageBox::Retry | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Retry)->text(), QStringLiteral("再試行"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QFileDialog files(nullptr, QStringLiteral("歌詞ファイル"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList labels;
    for (const QLabel* l : files.findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("ファイル名(&N):"))) << labels.join(u'|').toStdString();
    EXPECT_FALSE(labels.contains(QStringLiteral("Look in:"))) << labels.join(u'|').toStdString();
    EXPECT_EQ(files.labelText(QFileDialog::Accept), QStringLiteral("開く(&O)"));

    // The other tests of this program see Qt's own texts again.
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}
