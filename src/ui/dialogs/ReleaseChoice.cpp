#include "ReleaseChoice.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/common/Etc.h"

int ChooseReleaseFromList(QWidget* parent, const std::vector<TitlesRelease>& releases)
{
    QDialog box(parent);
    box.setObjectName(QStringLiteral("ReleaseChoice"));
    box.setWindowTitle(QStringLiteral("タイトルの検索"));
    auto* text = new QLabel(QStringLiteral("このディスクを含むリリースが複数あります。使うものを選んでください。"),
                            &box);
    auto* list = new QTreeWidget(&box);
    list->setObjectName(QStringLiteral("ReleaseList"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels(
        {QStringLiteral("タイトル"), QStringLiteral("アーティスト"), QStringLiteral("日付"), QStringLiteral("国")});
    for (const TitlesRelease& r : releases)
        list->addTopLevelItem(new QTreeWidgetItem({r.Title, r.Artist, r.Date, r.Country}));
    list->setCurrentItem(list->topLevelItem(0));
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, &box, &QDialog::accept);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(text);
    layout->addWidget(list);
    layout->addWidget(buttons);
    box.resize(box.sizeHint().expandedTo(QSize(ScaleToScreen(480), ScaleToScreen(220))));
    return box.exec() == QDialog::Accepted ? list->indexOfTopLevelItem(list->currentItem()) : -1;
}

QString LookupTrouble(LookupStatus status, const QString& detail, const QString& notFound)
{
    const QString more = detail.isEmpty() ? QString() : QStringLiteral("\n(") + detail + QLatin1Char(')');
    switch (status) {
    case LookupStatus::Found: return {};
    case LookupStatus::NotFound: return notFound + more;
    case LookupStatus::Busy:
        return QStringLiteral("検索サービスが混み合っています。しばらくしてからもう一度お試しください。") + more;
    case LookupStatus::Failed: return QStringLiteral("検索できませんでした。") + more;
    }
    return {};
}
