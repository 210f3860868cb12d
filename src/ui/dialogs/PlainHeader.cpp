#include "PlainHeader.h"

#include <QIcon>
#include <QStyleOptionHeader>

PlainHeader::PlainHeader(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent)
{
    setHighlightSections(false);
}

QSize PlainHeader::sectionSizeFromContents(int logicalIndex) const
{
    if (!model()) return {};
    const QVariant hint = model()->headerData(logicalIndex, orientation(), Qt::SizeHintRole);
    if (hint.isValid()) return hint.toSize();
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.section = logicalIndex;
    const QVariant font = model()->headerData(logicalIndex, orientation(), Qt::FontRole);
    opt.fontMetrics = QFontMetrics(font.canConvert<QFont>() ? font.value<QFont>() : this->font());
    opt.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    opt.icon = model()->headerData(logicalIndex, orientation(), Qt::DecorationRole).value<QIcon>();
    // Room for the sort arrow when there may be one.
    if (isSortIndicatorShown()) opt.sortIndicator = QStyleOptionHeader::SortDown;
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
}
